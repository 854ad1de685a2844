#include "ui/mainWindow.h"

#include "core/settings.h"
#include "media/library.h"
#include "media/mprisService.h"
#include "media/playback.h"
#include "platform/mediaPlayerControl.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "ui/libraryPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"

#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace ui {

// Library and playback handlers are connected here.
void MainWindow::setupLibraryHandlers()
{
    libraryPanel->createPlayer();

    connect(searchOptionsPanel->myMusicButton, &QPushButton::clicked, this, &MainWindow::openLibrary);
    connect(libraryPanel->libraryList, &QListWidget::itemSelectionChanged, this,
            &MainWindow::playSelectedEntry);
    connect(libraryPanel->player, &platform::MediaPlayerControl::playClick, this,
            &MainWindow::resumePlayback);
    connect(libraryPanel->player, &platform::MediaPlayerControl::pauseClick, this,
            &MainWindow::pausePlayback);
    connect(libraryPanel->player, &platform::MediaPlayerControl::stopClick, this, &MainWindow::stopPlayback);
    connect(libraryPanel->positionSlider, &QSlider::actionTriggered, this, &MainWindow::seekOnSliderAction);
    connect(libraryPanel->positionSlider, &QSlider::sliderReleased, this, &MainWindow::seekToSliderPosition);
    connect(libraryPanel->playbackTimer, &QTimer::timeout, this, &MainWindow::showPlaybackPosition);

    m_mpris = new media::MprisService(*libraryPanel->player, *libraryPanel->playbackTimer, this);
    m_mpris->setObjectName(QStringLiteral("mprisService"));
}

void MainWindow::openLibrary()
{
    showLibrary(true);
    media::loadLibrary(core::settings().mp3Folder, *libraryPanel->libraryList);
}

void MainWindow::playSelectedEntry()
{
    // Clearing the list also changes the selection; only a chosen line plays.
    const QList<QListWidgetItem *> selected = libraryPanel->libraryList->selectedItems();
    if (selected.isEmpty())
        return;
    // Runs on by itself while the player loads; a newer selection takes over.
    media::playEntry(selected.first()->text(), core::settings().mp3Folder, shopSuggestions,
                     *shopPanel->shopBrowser, *libraryPanel->player, *libraryPanel->playbackTimer,
                     *libraryPanel->positionSlider, *libraryPanel->nowPlayingArtist,
                     *libraryPanel->nowPlayingTrack, *libraryPanel->playerArtistPicture, *playerPictureSocket,
                     http::Slot::PlayerPicture);
}

void MainWindow::resumePlayback()
{
    media::resumePlayback(*libraryPanel->player, *libraryPanel->playbackTimer);
}

void MainWindow::pausePlayback()
{
    media::pausePlayback(*libraryPanel->player, *libraryPanel->playbackTimer);
}

void MainWindow::stopPlayback()
{
    media::stopPlayback(*libraryPanel->player, *libraryPanel->playbackTimer);
}

void MainWindow::seekOnSliderAction(int action)
{
    // Only the user's moves come here; a drag seeks once, when the handle is let go.
    if (action == QAbstractSlider::SliderNoAction ||
        (action == QAbstractSlider::SliderMove && libraryPanel->positionSlider->isSliderDown()))
        return;
    media::seekAndPlay(*libraryPanel->player, libraryPanel->positionSlider->sliderPosition(),
                       *libraryPanel->playbackTimer);
}

void MainWindow::seekToSliderPosition()
{
    media::seekAndPlay(*libraryPanel->player, libraryPanel->positionSlider->sliderPosition(),
                       *libraryPanel->playbackTimer);
}

void MainWindow::showPlaybackPosition()
{
    media::showPlaybackPosition(*libraryPanel->player, *libraryPanel->positionSlider,
                                *libraryPanel->positionLabel, *libraryPanel->lengthLabel);
}

} // namespace ui
