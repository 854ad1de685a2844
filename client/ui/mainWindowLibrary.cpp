#include "ui/mainWindow.h"

#include "core/httpGlobals.h"
#include "media/library.h"
#include "media/mprisService.h"
#include "media/playback.h"
#include "platform/mediaPlayerControl.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "ui/panelPositions.h"

#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace ui {

// Library and playback handlers are connected here.
void MainWindow::setupLibraryHandlers()
{
    player = new platform::MediaPlayerControl(playerArea);
    player->setObjectName(QStringLiteral("player"));
    player->setAccessibleName(QStringLiteral("Player"));
    if (QLayout *area = playerArea->layout())
        area->addWidget(player);

    libraryList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Arrow keys and Page keys should move by a useful amount of milliseconds.
    positionSlider->setRange(0, 0);
    positionSlider->setSingleStep(5000);
    positionSlider->setPageStep(15000);

    connect(myMusicButton, &QPushButton::clicked, this, &MainWindow::openLibrary);
    connect(libraryList, &QListWidget::itemSelectionChanged, this, &MainWindow::playSelectedEntry);
    connect(player, &platform::MediaPlayerControl::playClick, this, &MainWindow::resumePlayback);
    connect(player, &platform::MediaPlayerControl::pauseClick, this, &MainWindow::pausePlayback);
    connect(player, &platform::MediaPlayerControl::stopClick, this, &MainWindow::stopPlayback);
    connect(positionSlider, &QSlider::actionTriggered, this, &MainWindow::seekOnSliderAction);
    connect(positionSlider, &QSlider::sliderReleased, this, &MainWindow::seekToSliderPosition);
    connect(playbackTimer, &QTimer::timeout, this, &MainWindow::showPlaybackPosition);

    m_mpris = new localMedia::MprisService(*player, *playbackTimer, this);
    m_mpris->setObjectName(QStringLiteral("mprisService"));
}

void MainWindow::openLibrary()
{
    ui::showLibraryFrame();
    localMedia::loadLibrary(httpGlobals::mp3Folder, *libraryList);
}

void MainWindow::playSelectedEntry()
{
    // Clearing the list also changes the selection; only a chosen line plays.
    const QList<QListWidgetItem *> selected = libraryList->selectedItems();
    if (selected.isEmpty())
        return;
    localMedia::playEntry(selected.first()->text(), httpGlobals::mp3Folder, *shopBrowser, *player,
                          *playbackTimer, *positionSlider, *nowPlayingArtist, *nowPlayingTrack,
                          *playerArtistPicture, *playerPictureSocket, httpGlobals::playerImageSlot);
}

void MainWindow::resumePlayback()
{
    localMedia::resumePlayback(*player, *playbackTimer);
}

void MainWindow::pausePlayback()
{
    localMedia::pausePlayback(*player, *playbackTimer);
}

void MainWindow::stopPlayback()
{
    localMedia::stopPlayback(*player, *playbackTimer);
}

void MainWindow::seekOnSliderAction(int action)
{
    // Only the user's moves come here; a drag seeks once, when the handle is let go.
    if (action == QAbstractSlider::SliderNoAction ||
        (action == QAbstractSlider::SliderMove && positionSlider->isSliderDown()))
        return;
    localMedia::seekAndPlay(*player, positionSlider->sliderPosition(), *playbackTimer);
}

void MainWindow::seekToSliderPosition()
{
    localMedia::seekAndPlay(*player, positionSlider->sliderPosition(), *playbackTimer);
}

void MainWindow::showPlaybackPosition()
{
    localMedia::showPlaybackPosition(*player, *positionSlider, *positionLabel, *lengthLabel);
}

} // namespace ui
