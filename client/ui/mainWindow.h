#pragma once

#include <QMainWindow>

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabBar;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QListWidgetItem;

namespace handleDownloads {
struct DownloadPanel;
}

namespace platform {
class ImageList;
class MediaPlayerControl;
class SocketControl;
class WebBrowserControl;
} // namespace platform

namespace localMedia {
class MprisService;
}

namespace ui {

class ClickableLabel;
class TrackChooser;

// The main window. Every control is a public member with its member name as object name, so the
// handlers and the tests reach it directly or with findChild.
// Panels are laid out in a fixed-size window and switched by moving their top edges.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // False when the start-up could not make its folders; the program must end then.
    bool isLoaded() const { return m_loaded; }

    // The track action chooser, created with the main window (its pictureSocket carries the chooser-picture
    // slot).
    TrackChooser *chooser() const { return m_chooser; }

    // Connect frame.
    QGroupBox *connectPanel = nullptr;
    QLabel *programBadge = nullptr;
    QLabel *networkPicture = nullptr;
    QPushButton *connectButton = nullptr;

    // Search options.
    QGroupBox *searchOptionsPanel = nullptr;
    QLabel *searchArtistPicture = nullptr;
    QPushButton *myMusicButton = nullptr;
    QPushButton *recommendationsButton = nullptr;
    QTabBar *searchKindTabs = nullptr;
    QGroupBox *searchFieldsFrame = nullptr;
    QPushButton *searchButton = nullptr;
    QLineEdit *searchField = nullptr;
    QLineEdit *queryAddressField = nullptr;
    QComboBox *genreBox = nullptr;
    QPushButton *similarArtistsButton = nullptr;
    QLabel *searchFieldLabel = nullptr;
    QLabel *queryAddressLabel = nullptr;
    QLabel *genreLabel = nullptr;

    // Search results.
    QGroupBox *resultsPanel = nullptr;
    QTableWidget *resultsGrid = nullptr;

    // Current download.
    QGroupBox *currentDownloadPanel = nullptr;
    QListWidget *downloadQueueList = nullptr;
    QLineEdit *currentDownloadField = nullptr;
    QLineEdit *rateField = nullptr;
    QLineEdit *receivedField = nullptr;
    QPushButton *cancelButton = nullptr;
    QProgressBar *downloadProgress = nullptr;
    QLabel *receivedUnitLabel = nullptr;
    QLabel *rateUnitLabel = nullptr;
    QTimer *progressTimer = nullptr;
    QTimer *queuePumpTimer = nullptr;

    // Radio recommendations.
    QGroupBox *radioPanel = nullptr;
    QListWidget *radioList = nullptr;

    // Similar artists (the label moves with the search panels, the tree never moves).
    QLabel *similarArtistsCaption = nullptr;
    QTreeWidget *similarArtistsTree = nullptr;
    platform::ImageList *relevanceIcons = nullptr;

    // Recommendations.
    QGroupBox *recommendationsPanel = nullptr;
    QPushButton *backToSearchButton = nullptr;
    QTreeWidget *recommendedArtistsTree = nullptr;
    platform::ImageList *recommendedArtistPictures = nullptr;
    // Electronic and dance, urban, rock and everything else, left to right.
    std::array<ClickableLabel *, 3> genrePictures{};
    std::array<QLabel *, 3> genreCaptions{};

    // Library and playback. playerArea holds the player control (an empty QHBoxLayout to add it to).
    QGroupBox *libraryPanel = nullptr;
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

    // Shop suggestions, in store order: uk, us, ca, fr, de, jp.
    std::array<QPushButton *, 6> storeButtons{};
    platform::WebBrowserControl *shopBrowser = nullptr;

    // One socket per connection slot, named for it.
    platform::SocketControl *serviceSocket = nullptr;
    platform::SocketControl *downloadSocket = nullptr;
    platform::SocketControl *playerPictureSocket = nullptr;
    platform::SocketControl *genreArtistsSocket = nullptr;
    platform::SocketControl *similarArtistsSocket = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void layoutControls();
    void resetToStart();

    // Connect, panels, genre pictures and shop countries (mainWindow.cpp).
    void connectToServer();
    void toggleRecommendations();
    void backToSearch();
    void closeLibrary();
    void showGenreGroup(int group);
    void chooseShopCountry(int countryNumber);

    // Each feature connects its own handlers; called at the end of the constructor.
    void setupSearchHandlers();   // mainWindowSearch.cpp
    void setupDownloadHandlers(); // mainWindowDownloads.cpp
    void setupLibraryHandlers();  // mainWindowLibrary.cpp

    // Search, similar artists and radio handlers
    void findSimilarArtists();
    void searchRecommendedArtist(QTreeWidgetItem *node);
    void searchSimilarArtist(QTreeWidgetItem *node);
    void openRadioStation();
    void startSearch();
    void searchArtistFromTree(const QTreeWidgetItem &node);
    void showSearchPicture(const QString &artist);

    // Download handlers
    void chooseTrackAction(int row, int column);
    void pumpDownloadQueue();
    void showDownloadProgress();
    void cancelDownload();
    handleDownloads::DownloadPanel downloadPanel() const;
    qint64 m_lastBytes = 0; // the download slot's byte count at the previous progress tick

    // Library and playback handlers
    void openLibrary();
    void playSelectedEntry();
    void resumePlayback();
    void pausePlayback();
    void stopPlayback();
    void seekOnSliderAction(int action);
    void seekToSliderPosition();
    void showPlaybackPosition();
    localMedia::MprisService *m_mpris = nullptr;

    TrackChooser *m_chooser = nullptr;
    bool m_loaded = false;
    bool m_connecting = false;
    bool m_fillingGenre = false;
};

} // namespace ui
