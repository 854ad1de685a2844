#pragma once

#include <QGroupBox>

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;

namespace platform {
class MediaPlayerControl;
}

namespace ui {

// The music library above; what plays, its picture and the player's controls below. It lies in
// front of the search panels and hides them while it is shown.
class LibraryPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit LibraryPanel(QWidget *parent);

    // Made last of all the window's controls, so Tab reaches its buttons after every other control.
    void createPlayer();

    QListWidget *libraryList = nullptr;
    QGroupBox *nowPlayingFrame = nullptr;
    QLabel *playerArtistPicture = nullptr;
    QLabel *nowPlayingArtist = nullptr;
    QLabel *nowPlayingTrack = nullptr;
    QGroupBox *playbackFrame = nullptr;
    QSlider *positionSlider = nullptr;
    QWidget *playerArea = nullptr;
    platform::MediaPlayerControl *player = nullptr;
    QLabel *positionLabel = nullptr;
    QLabel *lengthLabel = nullptr;
    QPushButton *libraryBackButton = nullptr;
    QTimer *playbackTimer = nullptr;
};

} // namespace ui
