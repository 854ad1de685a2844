#include "ui/mainWindow.h"

#include "core/settings.h"
#include "core/startup.h"
#include "downloads/outsideLinks.h"
#include "downloads/queueFile.h"
#include "http/httpAgent.h"
#include "media/artistPictures.h"
#include "platform/eventPump.h"
#include "platform/imageList.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "ui/clickableLabel.h"
#include "ui/connectPanel.h"
#include "ui/currentDownloadPanel.h"
#include "ui/layout.h"
#include "ui/libraryPanel.h"
#include "ui/pictures.h"
#include "ui/radioPanel.h"
#include "ui/recommendationsPanel.h"
#include "ui/resultsPanel.h"
#include "ui/searchOptionsPanel.h"
#include "ui/shopPanel.h"
#include "ui/similarArtistsPanel.h"
#include "ui/trackChooser.h"
#include "webservice/statistics.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

namespace ui {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(programIcon());
    QFont windowFont = font();
    // A fixed pixel size keeps every caption inside its fixed-size panel whatever the desktop's
    // font settings; scaled desktops scale the whole window, fonts included.
    windowFont.setPixelSize(13);
    setFont(windowFont);
    setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);

    auto *central = named(new QWidget(this), "centralWidget");
    setCentralWidget(central);
    connectPanel = named(new ConnectPanel(central), "connectPanel");
    searchOptionsPanel = named(new SearchOptionsPanel(central), "searchOptionsPanel");
    resultsPanel = named(new ResultsPanel(central), "resultsPanel");
    currentDownloadPanel = named(new CurrentDownloadPanel(central), "currentDownloadPanel");
    radioPanel = named(new RadioPanel(central), "radioPanel");
    similarArtistsPanel = named(new SimilarArtistsPanel(central), "similarArtistsPanel");
    recommendationsPanel = named(new RecommendationsPanel(central), "recommendationsPanel");
    libraryPanel = named(new LibraryPanel(central), "libraryPanel");
    shopPanel = named(new ShopPanel(central), "shopPanel");
    // Panels are opaque: the library lies in front of the search panels and must hide them.
    for (QGroupBox *panel : std::initializer_list<QGroupBox *>{connectPanel, searchOptionsPanel, resultsPanel,
                                                               currentDownloadPanel, radioPanel,
                                                               recommendationsPanel, libraryPanel})
        panel->setAutoFillBackground(true);
    libraryPanel->raise();
    setTabOrders();

    serviceSocket = named(new platform::SocketControl(this), "serviceSocket");
    downloadSocket = named(new platform::SocketControl(this), "downloadSocket");
    playerPictureSocket = named(new platform::SocketControl(this), "playerPictureSocket");
    genreArtistsSocket = named(new platform::SocketControl(this), "genreArtistsSocket");
    similarArtistsSocket = named(new platform::SocketControl(this), "similarArtistsSocket");
    http::attachSocket(*serviceSocket, http::Slot::Service);
    http::attachSocket(*downloadSocket, http::Slot::Download);
    http::attachSocket(*playerPictureSocket, http::Slot::PlayerPicture);
    http::attachSocket(*genreArtistsSocket, http::Slot::GenreArtists);
    http::attachSocket(*similarArtistsSocket, http::Slot::SimilarArtists);

    m_chooser = new TrackChooser(this);

    connect(connectPanel->connectButton, &QPushButton::clicked, this, &MainWindow::connectToServer);
    connect(searchOptionsPanel->recommendationsButton, &QPushButton::clicked, this,
            &MainWindow::toggleRecommendations);
    connect(recommendationsPanel->backToSearchButton, &QPushButton::clicked, this, &MainWindow::backToSearch);
    connect(libraryPanel->libraryBackButton, &QPushButton::clicked, this, [this] { showLibrary(false); });
    for (std::size_t i = 0; i < recommendationsPanel->genrePictures.size(); ++i)
        connect(recommendationsPanel->genrePictures[i], &ClickableLabel::clicked, this,
                [this, group = recommendationsPanel->genreGroup(i)] { showGenreGroup(group); });
    for (std::size_t i = 0; i < shopPanel->storeButtons.size(); ++i)
        connect(shopPanel->storeButtons[i], &QPushButton::clicked, this,
                [this, country = int(i) + 1] { chooseShopCountry(country); });

    setupSearchHandlers();
    setupDownloadHandlers();
    setupLibraryHandlers();

    resetToStart();
}

MainWindow::~MainWindow() = default;

void MainWindow::setTabOrders()
{
    const SearchOptionsPanel &search = *searchOptionsPanel;
    QList<QWidget *> order{search.searchKindTabs,     search.searchField,
                           search.searchButton,       search.genreBox,
                           search.queryAddressField,  search.similarArtistsButton,
                           search.myMusicButton,      search.recommendationsButton,
                           resultsPanel->resultsGrid, currentDownloadPanel->cancelButton,
                           radioPanel->radioList,     similarArtistsPanel->similarArtistsTree};
    for (QPushButton *store : shopPanel->storeButtons)
        order << store;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::enableServerControls(bool enabled)
{
    const SearchOptionsPanel &search = *searchOptionsPanel;
    for (QWidget *control : std::initializer_list<QWidget *>{
             search.genreBox, search.recommendationsButton, search.similarArtistsButton, search.searchButton,
             search.searchKindTabs, resultsPanel->resultsGrid})
        control->setEnabled(enabled);
    for (QPushButton *store : shopPanel->storeButtons)
        store->setEnabled(enabled);
}

void MainWindow::showSearchPanels(bool shown)
{
    const auto place = [shown](QWidget *panel, int top) {
        panel->move(panel->x(), shown ? top : HIDDEN_TOP);
    };
    place(searchOptionsPanel, SHOWN_TOP);
    place(resultsPanel, RESULTS_TOP);
    place(currentDownloadPanel, DOWNLOAD_TOP);
    place(radioPanel, DOWNLOAD_TOP);
    similarArtistsPanel->showCaption(shown);
}

void MainWindow::showRecommendations(bool shown)
{
    recommendationsPanel->move(MARGIN, shown ? SHOWN_TOP : HIDDEN_TOP);
}

void MainWindow::showConnectPanel(bool shown)
{
    connectPanel->move(MARGIN, shown ? SHOWN_TOP : HIDDEN_TOP);
}

void MainWindow::showLibrary(bool shown)
{
    libraryPanel->move(MARGIN, shown ? SHOWN_TOP : HIDDEN_TOP);
}

void MainWindow::resetToStart()
{
    m_loaded = core::startUp();
    if (!m_loaded)
        return;

    setWindowTitle(QStringLiteral("Sonavex : Not connected to server"));
    resultsPanel->setTitle(QStringLiteral("Search Results : None so far"));
    enableServerControls(false);
    resultsPanel->clearResults();
    shopPanel->shopBrowser->navigate(QStringLiteral("about:blank"));

    showRecommendations(false);
    showSearchPanels(false);
    showLibrary(false);
    showConnectPanel(true);
    searchPanelShown = false;

    // The download pump runs for as long as the program does.
    currentDownloadPanel->queuePumpTimer->start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program; nothing is saved here (the queue file is always current).
    m_chooser->hide();
    event->accept();
    // Waiting handlers give up at once, so the program ends now, not when a transfer finishes.
    platform::requestShutdown();
    http::cancelAll();
    QCoreApplication::quit();
}

QCoro::Task<> MainWindow::connectToServer()
{
    // A second connect while one waits would share the busy slot.
    if (m_connecting)
        co_return;
    m_connecting = true;
    connectPanel->connectButton->setEnabled(false);
    const QPointer<MainWindow> window(this);
    const auto finish = [this] {
        m_connecting = false;
        connectPanel->connectButton->setEnabled(true);
    };

    const QString workFile = webservice::connectWorkFile();
    setWindowTitle(QStringLiteral("Sonavex : Connecting to server..."));
    const bool statistics = co_await fetchServiceFile(QStringLiteral("trelvoStats.php"), workFile,
                                                      QStringLiteral("connecting to the server"));
    if (!window)
        co_return;
    if (!statistics)
        co_return finish();
    webservice::parseStatistics(workFile, *searchOptionsPanel->genreBox, serverStatistics, genreNames);
    QFile::remove(workFile);
    const bool recommendations = co_await fetchServiceFile(QStringLiteral("recommendedArtists.csv"), workFile,
                                                           QStringLiteral("requesting recommendations"));
    if (!window)
        co_return;
    if (!recommendations)
        co_return finish();
    webservice::parseRecommendedArtists(workFile, recommendedArtists);
    QFile::remove(workFile);

    QComboBox *genreBox = searchOptionsPanel->genreBox;
    enableServerControls(true);
    genreBox->setCurrentIndex(genreBox->findText(QStringLiteral("Any")));

    setWindowTitle(QStringLiteral("Sonavex : searching ") + QString::number(serverStatistics.trackCount) +
                   QStringLiteral(" tracks from ") + QString::number(serverStatistics.artistCount) +
                   QStringLiteral(" artists"));

    showConnectPanel(false);
    showSearchPanels(true);
    searchPanelShown = true;
    // Tracks queued in an earlier run: the pump takes them up now that the server is there.
    downloads::restoreDownloadQueue(downloadQueue, *currentDownloadPanel->downloadQueueList);
    finish();
}

QCoro::Task<bool> MainWindow::fetchServiceFile(QString name, QString workFile, QString doing)
{
    const QPointer<MainWindow> window(this);
    const http::Outcome outcome =
        co_await http::fetchUrl(core::settings().serverBaseUrl + name, core::settings().productHomeUrl,
                                core::settings().userAgent, *serviceSocket, workFile, http::Slot::Service);
    // A request that took the slot over, or the window closing, ends this one without a word.
    if (!window || outcome.kind == http::Outcome::Kind::TakenOver ||
        outcome.kind == http::Outcome::Kind::Cancelled)
        co_return false;
    if (outcome.status == 0)
        platform::messageBox(QStringLiteral("A Socket error occurred while ") + doing);
    else if (outcome.status != http::HTTP_OK)
        platform::messageBox(
            http::httpErrorMessage(QStringLiteral("An error occurred while ") + doing, outcome.status));
    co_return outcome.ok();
}

void MainWindow::toggleRecommendations()
{
    if (!searchPanelShown) {
        showSearchPanels(true);
        showRecommendations(false);
        searchPanelShown = true;
    } else {
        showSearchPanels(false);
        showRecommendations(true);
        searchPanelShown = false;
    }
}

void MainWindow::backToSearch()
{
    showSearchPanels(true);
    showRecommendations(false);
    searchPanelShown = true;
}

QCoro::Task<> MainWindow::showGenreGroup(int group)
{
    // One fill at a time: a second fill would share the busy picture slot and the tree.
    if (m_fillingGenre)
        co_return;
    m_fillingGenre = true;
    const QPointer<MainWindow> window(this);
    platform::ImageList &pictures = *recommendationsPanel->recommendedArtistPictures;
    QTreeWidget &tree = *recommendationsPanel->recommendedArtistsTree;
    pictures.clear();
    pictures.setPictureSize(QSize(150, 142));
    tree.clear();
    co_await media::loadGenreArtists(recommendedArtists.namesInCategory(group), *genreArtistsSocket, tree,
                                     pictures, http::Slot::GenreArtists);
    if (window)
        m_fillingGenre = false;
}

void MainWindow::chooseShopCountry(int countryNumber)
{
    shopSuggestions.country = countryNumber;
    downloads::showShopSuggestions(shopSuggestions.lastTerm, shopSuggestions, *shopPanel->shopBrowser);
}

} // namespace ui
