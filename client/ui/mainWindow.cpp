#include "ui/mainWindow.h"

#include "core/settings.h"
#include "core/startup.h"
#include "downloads/outsideLinks.h"
#include "downloads/queueFile.h"
#include "http/httpAgent.h"
#include "media/artistPictures.h"
#include "platform/imageList.h"
#include "platform/mediaPlayerControl.h"
#include "platform/messageBox.h"
#include "platform/shutdown.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "ui/clickableLabel.h"
#include "ui/connectPanel.h"
#include "ui/currentDownloadPanel.h"
#include "ui/keyboard.h"
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

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(programIcon());

    auto *central = named(new QWidget(this), "centralWidget");
    setCentralWidget(central);
    // The left column shows one view at a time; the others are hidden, out of Tab's and screen
    // readers' way. The search view is three rows of panels.
    m_views = named(new QStackedWidget(central), "views");
    m_searchView = named(new QWidget(m_views), "searchView");
    connectPanel = named(new ConnectPanel(m_views), "connectPanel");
    searchOptionsPanel = named(new SearchOptionsPanel(m_searchView), "searchOptionsPanel");
    resultsPanel = named(new ResultsPanel(m_searchView), "resultsPanel");
    currentDownloadPanel = named(new CurrentDownloadPanel(m_searchView), "currentDownloadPanel");
    radioPanel = named(new RadioPanel(m_searchView), "radioPanel");
    similarArtistsPanel = named(new SimilarArtistsPanel(central), "similarArtistsPanel");
    recommendationsPanel = named(new RecommendationsPanel(m_views), "recommendationsPanel");
    libraryPanel = named(new LibraryPanel(m_views), "libraryPanel");
    shopPanel = named(new ShopPanel(central), "shopPanel");
    layOut();

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
    setupKeyboard();

    resetToStart();
}

MainWindow::~MainWindow() = default;

void MainWindow::layOut()
{
    auto *bottomRow = new QHBoxLayout;
    bottomRow->setSpacing(GAP);
    bottomRow->addWidget(currentDownloadPanel, DOWNLOAD_STRETCH);
    bottomRow->addWidget(radioPanel, RADIO_STRETCH);
    auto *search = new QVBoxLayout(m_searchView);
    search->setContentsMargins(0, 0, 0, 0);
    search->setSpacing(4);
    search->addWidget(searchOptionsPanel);
    search->addWidget(resultsPanel, 1);
    search->addLayout(bottomRow);
    for (QWidget *view :
         std::initializer_list<QWidget *>{connectPanel, m_searchView, recommendationsPanel, libraryPanel})
        m_views->addWidget(view);

    auto *right = new QVBoxLayout;
    right->setSpacing(GAP);
    right->addWidget(similarArtistsPanel, 290);
    right->addWidget(shopPanel, 366);
    auto *columns = new QHBoxLayout(centralWidget());
    columns->setContentsMargins(MARGIN, MARGIN, MARGIN, MARGIN);
    columns->setSpacing(12);
    columns->addWidget(m_views, LEFT_STRETCH);
    columns->addLayout(right, RIGHT_STRETCH);

    // The first size is the one the window always had, made smaller where the screen is.
    const QSize available = screen()->availableGeometry().size() * 0.9;
    resize(QSize(WINDOW_WIDTH, WINDOW_HEIGHT).boundedTo(available).expandedTo(minimumSizeHint()));
    const QByteArray geometry = windowSettings()->value(QStringLiteral("geometry")).toByteArray();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
}

void MainWindow::setupKeyboard()
{
    // Reading order: each view's controls, then the right column; Tab skips the hidden views.
    const SearchOptionsPanel &search = *searchOptionsPanel;
    const CurrentDownloadPanel &download = *currentDownloadPanel;
    const LibraryPanel &library = *libraryPanel;
    QList<QWidget *> order{connectPanel->connectButton,
                           search.searchKindTabs,
                           search.myMusicButton,
                           search.recommendationsButton,
                           search.searchField,
                           search.searchButton,
                           search.genreBox,
                           search.queryAddressField,
                           search.similarArtistsButton,
                           resultsPanel->resultsGrid,
                           download.currentDownloadField,
                           download.receivedField,
                           download.rateField,
                           download.cancelButton,
                           download.downloadQueueList,
                           radioPanel->radioList};
    for (ClickableLabel *picture : recommendationsPanel->genrePictures)
        order << picture;
    order << recommendationsPanel->recommendedArtistsTree << recommendationsPanel->backToSearchButton
          << library.libraryList;
    for (QPushButton *playerButton : library.player->findChildren<QPushButton *>())
        order << playerButton;
    order << library.positionSlider << library.libraryBackButton << similarArtistsPanel->similarArtistsTree;
    for (QPushButton *store : shopPanel->storeButtons)
        order << store;
    order << shopPanel->shopBrowser;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Return on a focused button presses it, as in a dialog.
    for (QPushButton *button : centralWidget()->findChildren<QPushButton *>())
        button->setAutoDefault(true);

    // Return does what a click does.
    connect(resultsPanel, &ResultsPanel::rowChosen, this, [this](int row) { chooseTrackAction(row, 0); });
    QTreeWidget *similar = similarArtistsPanel->similarArtistsTree;
    onReturnKey(*similar, [this, similar] { searchSimilarArtist(similar->currentItem()); });
    QTreeWidget *recommended = recommendationsPanel->recommendedArtistsTree;
    onReturnKey(*recommended, [this, recommended] { searchRecommendedArtist(recommended->currentItem()); });
    onReturnKey(*radioPanel->radioList, [this] { openRadioStation(); });
    // A library line plays once it is selected.
    QListWidget *tracks = libraryPanel->libraryList;
    onReturnKey(*tracks, [tracks] { tracks->currentItem()->setSelected(true); });

    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &MainWindow::focusSearchField);
    auto *quit = new QShortcut(this);
    // Some platform themes bind nothing to Quit; Ctrl+Q is what the desktops that do bind it use.
    const QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    quit->setKeys(quitKeys.isEmpty() ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Q)} : quitKeys);
    connect(quit, &QShortcut::activated, this, &MainWindow::close);
}

void MainWindow::focusSearchField()
{
    QLineEdit *field = searchOptionsPanel->searchField;
    if (!field->isEnabled())
        return;
    showLibrary(false);
    if (!searchPanelShown)
        backToSearch();
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
}

void MainWindow::enableServerControls(bool enabled)
{
    const SearchOptionsPanel &search = *searchOptionsPanel;
    for (QWidget *control : std::initializer_list<QWidget *>{
             search.genreBox, search.recommendationsButton, search.similarArtistsButton, search.searchButton,
             search.searchKindTabs, search.searchField, resultsPanel->resultsGrid,
             similarArtistsPanel->similarArtistsTree})
        control->setEnabled(enabled);
    for (QPushButton *store : shopPanel->storeButtons)
        store->setEnabled(enabled);
}

void MainWindow::showView(View view)
{
    m_view = view;
    searchPanelShown = view == View::Search;
    similarArtistsPanel->showCaption(searchPanelShown);
    showLibrary(false);
}

void MainWindow::showLibrary(bool shown)
{
    QWidget *const pages[] = {connectPanel, m_searchView, recommendationsPanel};
    m_views->setCurrentWidget(shown ? libraryPanel : pages[int(m_view)]);
    // Focus left in a view now hidden goes to the first control of the one shown.
    const QWidget *focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused) && focused->isVisible())
        return;
    QWidget *const homes[] = {connectPanel->connectButton, searchOptionsPanel->searchField,
                              recommendationsPanel->genrePictures[0]};
    (shown ? libraryPanel->libraryList : homes[int(m_view)])->setFocus(Qt::OtherFocusReason);
}

MainWindow::View MainWindow::view() const
{
    return m_view;
}

bool MainWindow::libraryShown() const
{
    return m_views->currentWidget() == libraryPanel;
}

std::unique_ptr<QSettings> MainWindow::windowSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("Sonavex"), QStringLiteral("window"));
}

void MainWindow::endUnansweredSearch()
{
    // Called only for the newest search once it has ended: a caption still in progress means it failed.
    const QString inProgress = QStringLiteral(" in progress.");
    const QString caption = resultsPanel->title();
    if (caption.endsWith(inProgress))
        resultsPanel->setTitle(caption.chopped(inProgress.size()) + QStringLiteral(" failed."));
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

    showView(View::Connect);

    // The download pump runs for as long as the program does.
    currentDownloadPanel->queuePumpTimer->start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program; only where the window was is kept (the queue file
    // is always current).
    windowSettings()->setValue(QStringLiteral("geometry"), saveGeometry());
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
    // However it ended, the user may connect again; a connect that did not reach the search view
    // says so and leaves the keyboard on Connect.
    const auto finish = [this] {
        m_connecting = false;
        connectPanel->connectButton->setEnabled(true);
        if (m_view != View::Connect)
            return;
        setWindowTitle(QStringLiteral("Sonavex : Not connected to server"));
        connectPanel->connectButton->setFocus(Qt::OtherFocusReason);
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

    showView(View::Search);
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
    if (!window || outcome.stopped())
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
    showView(searchPanelShown ? View::Recommendations : View::Search);
}

void MainWindow::backToSearch()
{
    showView(View::Search);
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
