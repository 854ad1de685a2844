#include "platform/mediaPlayerControl.h"

#include "platform/signalWait.h"

#include <QAudioOutput>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

namespace platform {

namespace {

QPushButton *makeButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &name,
                        const QString &objectName)
{
    auto *button = new QPushButton(parent->style()->standardIcon(icon), name, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(name);
    button->setToolTip(name);
    return button;
}

} // namespace

MediaPlayerControl::MediaPlayerControl(QWidget *parent)
    : QWidget(parent), m_player(new QMediaPlayer(this)), m_audio(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_audio);

    m_playButton =
        makeButton(this, QStyle::SP_MediaPlay, QStringLiteral("Play"), QStringLiteral("playButton"));
    m_pauseButton =
        makeButton(this, QStyle::SP_MediaPause, QStringLiteral("Pause"), QStringLiteral("pauseButton"));
    m_stopButton =
        makeButton(this, QStyle::SP_MediaStop, QStringLiteral("Stop"), QStringLiteral("stopButton"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_playButton);
    row->addWidget(m_pauseButton);
    row->addWidget(m_stopButton);

    connect(m_playButton, &QPushButton::clicked, this, &MediaPlayerControl::playClick);
    connect(m_pauseButton, &QPushButton::clicked, this, &MediaPlayerControl::pauseClick);
    connect(m_stopButton, &QPushButton::clicked, this, &MediaPlayerControl::stopClick);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerControl::onMediaStatusChanged);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerControl::backendAnswered);
    connect(m_player, &QMediaPlayer::durationChanged, this, &MediaPlayerControl::backendAnswered);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaPlayerControl::backendAnswered);
}

MediaPlayerControl::~MediaPlayerControl() = default;

void MediaPlayerControl::pause()
{
    if (m_mode == Mode::NotOpen)
        return;
    m_player->pause();
    setMode(Mode::Paused);
}

void MediaPlayerControl::stop()
{
    if (m_mode == Mode::NotOpen)
        return;
    // QMediaPlayer::stop() rewinds; our stop keeps the place.
    m_player->pause();
    setMode(Mode::Stopped);
}

void MediaPlayerControl::seek(int ms)
{
    if (m_mode == Mode::NotOpen)
        return;
    m_atEnd = false;
    m_player->setPosition(ms);
}

int MediaPlayerControl::position() const
{
    if (m_mode == Mode::NotOpen)
        return 0;
    // At the end the backend may report 0 again; the display should stay at the length.
    if (m_atEnd)
        return length();
    return int(m_player->position());
}

int MediaPlayerControl::length() const
{
    if (m_mode == Mode::NotOpen)
        return 0;
    return int(m_player->duration());
}

QCoro::Task<bool> MediaPlayerControl::open(QString path)
{
    const quint64 request = ++m_openRequests;
    close();
    m_fileName = path;
    // A missing file never reaches the backend: nothing to play, nothing to report.
    if (m_fileName.isEmpty() || !QFileInfo(m_fileName).isFile())
        co_return true;
    m_player->setSource(QUrl::fromLocalFile(m_fileName));
    setMode(Mode::Stopped);
    // Loaded is enough: a file without a length header is primed afterwards, so waiting here for
    // a length that only playing reveals would cost the whole bound on every open.
    const bool loaded = co_await awaitBackend(request, [this] {
        const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
        return status != QMediaPlayer::LoadingMedia && status != QMediaPlayer::NoMedia;
    });
    if (!loaded)
        co_return false;
    if (m_player->mediaStatus() == QMediaPlayer::InvalidMedia) {
        close();
        co_return true;
    }
    if (m_player->duration() > 0)
        co_return true;

    // A constant-rate MP3 without a header frame reveals its length only once it runs, and
    // will not seek before that: run it muted for a moment, then put it back at the start.
    m_audio->setMuted(true);
    m_player->play();
    if (!co_await awaitBackend(request, [this] { return m_player->duration() > 0; }))
        co_return false; // the newer open has unmuted and stopped this one
    m_player->pause();
    m_player->setPosition(0);
    m_audio->setMuted(false);
    co_return true;
}

QCoro::Task<bool> MediaPlayerControl::awaitBackend(quint64 request, std::function<bool()> settled)
{
    const QDeadlineTimer bound(OPEN_WAIT_MS);
    while (!settled() && m_player->error() == QMediaPlayer::NoError && !bound.hasExpired()) {
        co_await SignalWait(this, &MediaPlayerControl::backendAnswered, int(bound.remainingTime()));
        if (request != m_openRequests)
            co_return false;
    }
    co_return request == m_openRequests;
}

void MediaPlayerControl::play()
{
    if (m_mode == Mode::NotOpen)
        return;
    m_atEnd = false;
    m_player->play();
    setMode(Mode::Playing);
}

void MediaPlayerControl::close()
{
    m_atEnd = false;
    m_audio->setMuted(false); // an open taken over while it learned a length leaves it muted
    if (!m_player->source().isEmpty())
        m_player->setSource(QUrl());
    setMode(Mode::NotOpen);
}

void MediaPlayerControl::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    Q_EMIT modeChanged(mode);
}

void MediaPlayerControl::onMediaStatusChanged()
{
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::EndOfMedia:
        // The track ran out by itself: stopped at its end.
        if (m_mode != Mode::NotOpen) {
            m_atEnd = true;
            setMode(Mode::Stopped);
        }
        break;
    case QMediaPlayer::InvalidMedia:
        // Unreadable after all: behave as closed; the source is dropped by the next open or close.
        m_atEnd = false;
        setMode(Mode::NotOpen);
        break;
    default:
        break;
    }
}

} // namespace platform
