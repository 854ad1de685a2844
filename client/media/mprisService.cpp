#include "media/mprisService.h"

#include "core/settings.h"
#include "media/artistPictures.h"
#include "media/library.h"
#include "media/playback.h"
#include "platform/mediaPlayerControl.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace media {

namespace {

const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString baseServiceName = QStringLiteral("org.mpris.MediaPlayer2.sonavex");

QString objectPath()
{
    return QString::fromLatin1(MprisService::OBJECT_PATH);
}

} // namespace

MprisService::MprisService(platform::MediaPlayerControl &player, QTimer &positionTimer, QObject *parent)
    : QObject(parent), m_player(player), m_positionTimer(positionTimer)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);

    // The player changes mode several times while a track is opened; say so once it settles.
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setInterval(0);
    connect(&m_announceTimer, &QTimer::timeout, this, &MprisService::announceChanges);
    connect(&m_player, &platform::MediaPlayerControl::modeChanged, this, &MprisService::scheduleAnnounce);

    // A connection of our own, so each window's player has its own object path.
    static int instances = 0;
    const int instance = ++instances;
    m_connectionName = QStringLiteral("sonavex-mpris-") + QString::number(instance);
    // The address is read now, not when the bus library first looked, so it follows the environment.
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    QDBusConnection bus = address.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
                              : QDBusConnection::connectToBus(address, m_connectionName);
    if (!bus.isConnected())
        return;
    if (!bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors))
        return;
    QString name = baseServiceName;
    if (!bus.registerService(name)) {
        // Another Sonavex holds the plain name: MPRIS wants ".instance<pid>" then.
        name = baseServiceName + QStringLiteral(".instance") +
               QString::number(QCoreApplication::applicationPid()) + QLatin1Char('_') +
               QString::number(instance);
        if (!bus.registerService(name)) {
            bus.unregisterObject(objectPath());
            return;
        }
    }
    m_serviceName = name;
    m_registered = true;
    m_announcedStatus = playbackStatus();
}

MprisService::~MprisService()
{
    if (m_registered) {
        QDBusConnection bus(m_connectionName);
        bus.unregisterService(m_serviceName);
        bus.unregisterObject(objectPath());
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QString MprisService::playbackStatus() const
{
    switch (m_player.mode()) {
    case platform::MediaPlayerControl::Mode::Playing:
        return QStringLiteral("Playing");
    case platform::MediaPlayerControl::Mode::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

QVariantMap MprisService::metadata() const
{
    QVariantMap map;
    if (m_player.mode() == platform::MediaPlayerControl::Mode::NotOpen)
        return map;
    // The file name is the library entry plus ".mp3"; no tags are read.
    const QString fileName = QFileInfo(m_player.fileName()).fileName();
    const QString entry = fileName.left(fileName.size() - 4);
    const QString artist = artistFromEntry(entry);
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(
                   QDBusObjectPath(QStringLiteral("/org/sonavex/track/") + QString::number(m_trackNumber))));
    map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    map.insert(QStringLiteral("xesam:title"), trackFromEntry(entry));
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(m_player.fileName()).toString());
    if (m_player.length() > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(m_player.length()) * 1000);
    const QString picture = artistCacheFile(artist);
    if (!core::settings().imageCacheFolder.isEmpty() && QFileInfo(picture).isFile())
        map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(picture).toString());
    return map;
}

qlonglong MprisService::positionMicroseconds() const
{
    return qlonglong(m_player.position()) * 1000;
}

void MprisService::play()
{
    resumePlayback(m_player, m_positionTimer);
}

void MprisService::pause()
{
    pausePlayback(m_player, m_positionTimer);
}

void MprisService::playPause()
{
    if (m_player.mode() == platform::MediaPlayerControl::Mode::Playing)
        pause();
    else
        play();
}

void MprisService::stop()
{
    stopPlayback(m_player, m_positionTimer);
}

void MprisService::raise()
{
    if (auto *widget = qobject_cast<QWidget *>(parent())) {
        QWidget *window = widget->window();
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void MprisService::scheduleAnnounce()
{
    const bool open = m_player.mode() != platform::MediaPlayerControl::Mode::NotOpen;
    if (open && (!m_trackOpen || m_trackFile != m_player.fileName())) {
        ++m_trackNumber;
        m_trackFile = m_player.fileName();
    }
    m_trackOpen = open;
    if (m_registered)
        m_announceTimer.start();
}

void MprisService::announceChanges()
{
    QVariantMap changed;
    const QString status = playbackStatus();
    if (status != m_announcedStatus) {
        m_announcedStatus = status;
        changed.insert(QStringLiteral("PlaybackStatus"), status);
    }
    const int track = m_trackOpen ? m_trackNumber : 0;
    if (track != m_announcedTrack || m_player.length() != m_announcedLength) {
        m_announcedTrack = track;
        m_announcedLength = m_player.length();
        changed.insert(QStringLiteral("Metadata"), metadata());
    }
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        objectPath(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << QStringList();
    QDBusConnection(m_connectionName).send(signal);
}

MprisRootAdaptor::MprisRootAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), m_service(service)
{
}

void MprisRootAdaptor::Raise()
{
    m_service->raise();
}

void MprisRootAdaptor::Quit()
{
    // CanQuit is false: closing is the user's own business.
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(service)
{
}

} // namespace media
