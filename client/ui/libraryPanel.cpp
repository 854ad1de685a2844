#include "ui/libraryPanel.h"

#include "platform/mediaPlayerControl.h"
#include "ui/layout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace ui {

LibraryPanel::LibraryPanel(QWidget *parent) : QGroupBox(QStringLiteral("Your music library"), parent)
{
    libraryList = named(new QListWidget(this), "libraryList");
    nowPlayingFrame = named(new QGroupBox(QStringLiteral("Now Playing"), this), "nowPlayingFrame");
    playerArtistPicture = named(new QLabel(nowPlayingFrame), "playerArtistPicture");
    nowPlayingArtist = named(new QLabel(nowPlayingFrame), "nowPlayingArtist");
    nowPlayingTrack = named(new QLabel(nowPlayingFrame), "nowPlayingTrack");
    playbackFrame = named(new QGroupBox(QStringLiteral("Playback Controls"), this), "playbackFrame");
    positionSlider = named(new QSlider(Qt::Horizontal, playbackFrame), "positionSlider");
    playerArea = named(new QWidget(playbackFrame), "playerArea");
    positionLabel = named(new QLabel(QStringLiteral("0:00"), playbackFrame), "positionLabel");
    lengthLabel = named(new QLabel(QStringLiteral("0:00"), playbackFrame), "lengthLabel");
    libraryBackButton = named(new QPushButton(QStringLiteral("back to search"), this), "libraryBackButton");
    playbackTimer = named(new QTimer(this), "playbackTimer");
    playbackTimer->setInterval(1000);

    libraryList->setAccessibleName(QStringLiteral("Your music library"));
    libraryList->setSelectionMode(QAbstractItemView::SingleSelection);
    playerArtistPicture->setFixedSize(120, 120);
    playerArtistPicture->setAlignment(Qt::AlignCenter);
    playerArtistPicture->setFrameShape(QFrame::StyledPanel);
    playerArtistPicture->setAccessibleName(QStringLiteral("Artist picture"));
    QFont artistFont = nowPlayingArtist->font();
    artistFont.setBold(true);
    artistFont.setPointSizeF(artistFont.pointSizeF() * 1.15);
    nowPlayingArtist->setFont(artistFont);
    nowPlayingArtist->setWordWrap(true);
    nowPlayingTrack->setWordWrap(true);
    // Names as they are: a '<' in a file name is no markup.
    nowPlayingArtist->setTextFormat(Qt::PlainText);
    nowPlayingTrack->setTextFormat(Qt::PlainText);
    // A screen reader reads the time itself (the label's text); what it is goes in the description.
    positionLabel->setAccessibleDescription(QStringLiteral("Position"));
    lengthLabel->setAccessibleDescription(QStringLiteral("Length"));
    positionSlider->setAccessibleName(QStringLiteral("Position"));
    // Arrow keys and Page keys should move by a useful amount of milliseconds.
    positionSlider->setRange(0, 0);
    positionSlider->setSingleStep(5000);
    positionSlider->setPageStep(15000);
    playerArea->setMinimumHeight(36);
    new QHBoxLayout(playerArea);
    playerArea->layout()->setContentsMargins(0, 0, 0, 0);

    auto *nowPlaying = new QGridLayout(nowPlayingFrame);
    nowPlaying->setContentsMargins(8, 6, 8, 8);
    nowPlaying->addWidget(playerArtistPicture, 0, 0, 3, 1);
    nowPlaying->addWidget(nowPlayingArtist, 0, 1);
    nowPlaying->addWidget(nowPlayingTrack, 1, 1);
    nowPlaying->setRowStretch(2, 1);
    nowPlaying->setColumnStretch(1, 1);

    auto *controls = new QGridLayout(playbackFrame);
    controls->setContentsMargins(8, 6, 8, 8);
    controls->addWidget(playerArea, 0, 0, 1, 3);
    controls->addWidget(positionLabel, 1, 0);
    controls->addWidget(positionSlider, 1, 1);
    controls->addWidget(lengthLabel, 1, 2);
    controls->setColumnStretch(1, 1);
    controls->setRowStretch(2, 1);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(libraryList, 0, 0, 1, 2);
    layout->addWidget(nowPlayingFrame, 1, 0);
    layout->addWidget(playbackFrame, 1, 1);
    layout->addWidget(libraryBackButton, 2, 1, Qt::AlignRight);
    layout->setRowStretch(0, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
}

void LibraryPanel::createPlayer()
{
    player = named(new platform::MediaPlayerControl(playerArea), "player");
    player->setAccessibleName(QStringLiteral("Player"));
    playerArea->layout()->addWidget(player);
}

} // namespace ui
