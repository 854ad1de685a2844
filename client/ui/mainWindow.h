#pragma once

#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"
#include "webservice/statistics.h"

#include <QCoro/QCoroTask>
#include <QMainWindow>

#include <functional>
#include <memory>

class QSettings;
class QStackedWidget;
class QTreeWidgetItem;
class QWidget;

namespace downloads {
class DownloadPump;
struct DownloadPanel;
} // namespace downloads

namespace platform {
class SocketControl;
}

namespace media {
class MprisService;
}

namespace ui {

class ConnectPanel;
class CurrentDownloadPanel;
class LibraryPanel;
class RadioPanel;
class RecommendationsPanel;
class ResultsPanel;
class SearchOptionsPanel;
class ShopPanel;
class SimilarArtistsPanel;
class TrackChooser;

// The main window: a left column that shows one view at a time (connect; search with results,
// download and radio; recommendations; or the library in front of either of the last two) beside
// the similar artists and the shop. Panels and sockets are public members with their member names
// as object names, so the handlers and the tests reach every control.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // False when the start-up could not make its folders; the program must end then.
    bool isLoaded() const { return m_loaded; }

Q_SIGNALS:
    // A search started from the window has shown its results or its message and asked for its
    // picture; a search that a newer one took over ends without it.
    void searchFinished();

public:
    // The track action chooser, created with the main window.
    TrackChooser *chooser() const { return m_chooser; }

    // View switches. The search view is the search options, results, download and radio panels
    // with the similar-artists caption; the library lies in front of whatever view is up. The
    // panels of the views not shown are hidden.
    enum class View { Connect, Search, Recommendations };
    void showView(View view);
    void showLibrary(bool shown);
    View view() const;
    bool libraryShown() const;

    ConnectPanel *connectPanel = nullptr;
    SearchOptionsPanel *searchOptionsPanel = nullptr;
    ResultsPanel *resultsPanel = nullptr;
    CurrentDownloadPanel *currentDownloadPanel = nullptr;
    RadioPanel *radioPanel = nullptr;
    SimilarArtistsPanel *similarArtistsPanel = nullptr;
    RecommendationsPanel *recommendationsPanel = nullptr;
    LibraryPanel *libraryPanel = nullptr;
    ShopPanel *shopPanel = nullptr;

    // One socket per connection slot, named for it.
    platform::SocketControl *serviceSocket = nullptr;
    platform::SocketControl *downloadSocket = nullptr;
    platform::SocketControl *playerPictureSocket = nullptr;
    platform::SocketControl *genreArtistsSocket = nullptr;
    platform::SocketControl *similarArtistsSocket = nullptr;

    // What the server told us and what the panels list; handed to the functions that fill them.
    webservice::ServerStatistics serverStatistics;
    webservice::GenreNames genreNames;
    webservice::RecommendedArtists recommendedArtists;
    webservice::SearchResults searchResults;
    webservice::SimilarArtists similarArtists;
    webservice::RadioStations radioStations;
    downloads::DownloadQueue downloadQueue;
    downloads::ShopSuggestions shopSuggestions;
    // True while the search view (not the recommendations) is up.
    bool searchPanelShown = false;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void layOut();
    // Tab order, keys for what clicks do, shortcuts.
    void setupKeyboard();
    void focusSearchField();
    static std::unique_ptr<QSettings> windowSettings();
    void resetToStart();
    void enableServerControls(bool enabled);

    // Connect, panel switches, genre pictures and shop countries (mainWindow.cpp).
    QCoro::Task<> connectToServer();
    // Fetches a file of the service into the work file; false, after telling the user what went
    // wrong while `doing` it, when no complete copy came (quietly when taken over or cancelled).
    QCoro::Task<bool> fetchServiceFile(QString name, QString workFile, QString doing);
    void toggleRecommendations();
    void backToSearch();
    QCoro::Task<> showGenreGroup(int group);
    void chooseShopCountry(int countryNumber);

    // Each feature connects its own handlers; called at the end of the constructor.
    void setupSearchHandlers();   // mainWindowSearch.cpp
    void setupDownloadHandlers(); // mainWindowDownloads.cpp
    void setupLibraryHandlers();  // mainWindowLibrary.cpp

    // Search, similar artists and radio.
    void startSearch();
    // Searches and shows the results, the query's address and the shop suggestions; then, unless
    // a newer search took over, the picture of the artist pictureOf() names (none without it).
    QCoro::Task<> searchTracks(QString searchType, QString text, std::function<QString()> pictureOf = {});
    // After the newest search has ended: a caption still saying it is in progress says it failed.
    void endUnansweredSearch();
    void findSimilarArtists();
    void searchRecommendedArtist(QTreeWidgetItem *node);
    void searchSimilarArtist(QTreeWidgetItem *node);
    void openRadioStation();
    void searchArtistFromTree(const QTreeWidgetItem &node);
    void showSearchPicture(const QString &artist);

    // Downloads.
    QCoro::Task<> chooseTrackAction(int row, int column);
    void pumpDownloadQueue();
    void showDownloadProgress();
    void cancelDownload();
    downloads::DownloadPanel downloadControls();
    downloads::DownloadPump *m_downloadPump = nullptr;
    qint64 m_lastBytes = 0;    // the download slot's byte count at the previous progress tick
    int m_chooserRequests = 0; // grid clicks that opened the chooser; only the newest acts

    // Library and playback.
    void openLibrary();
    void playSelectedEntry();
    void resumePlayback();
    void pausePlayback();
    void stopPlayback();
    void seekOnSliderAction(int action);
    void seekToSliderPosition();
    void showPlaybackPosition();
    media::MprisService *m_mpris = nullptr;

    TrackChooser *m_chooser = nullptr;
    QStackedWidget *m_views = nullptr;
    QWidget *m_searchView = nullptr;
    View m_view = View::Connect;
    bool m_loaded = false;
    bool m_connecting = false;
    bool m_fillingGenre = false;
};

} // namespace ui
