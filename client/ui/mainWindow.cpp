#include "ui/mainWindow.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "core/startup.h"
#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"
#include "media/artistPictures.h"
#include "platform/eventPump.h"
#include "platform/imageList.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "platform/twips.h"
#include "platform/webBrowserControl.h"
#include "ui/trackChooser.h"
#include "ui/clickableLabel.h"
#include "ui/panelPositions.h"
#include "ui/pictures.h"
#include "webservice/statistics.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

// Window geometry in pixels. The inner height stays below the hidden top edge (10500 twips), so a
// panel moved there is out of sight; the whole window fits a 1280 x 800 screen.
constexpr int WINDOW_WIDTH = 1064;
constexpr int WINDOW_HEIGHT = 688;
constexpr int MARGIN = 8;
constexpr int LEFT_WIDTH = 624;
constexpr int RIGHT_X = MARGIN + LEFT_WIDTH + 12;
constexpr int RIGHT_WIDTH = WINDOW_WIDTH - RIGHT_X - MARGIN;
constexpr int GAP = 8;

constexpr int px(int twips)
{
    return platform::twipsToPixels(twips);
}

// The stores in store order, as shopLocale numbers them from 1.
struct Store
{
    const char *code;
    const char *name;
};
constexpr std::array<Store, 6> stores{{{"uk", "UK store"},
                                       {"us", "US store"},
                                       {"ca", "Canada store"},
                                       {"fr", "France store"},
                                       {"de", "Germany store"},
                                       {"jp", "Japan store"}}};

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// Row 0 of the results grid is its heading row; draw it like a header.
class HeadingRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.row() == 0) {
            option->font.setBold(true);
            option->backgroundBrush = option->palette.button();
            option->state &= ~QStyle::State_Selected;
        }
    }
};

QLineEdit *readOnlyField(QWidget *parent, const char *name)
{
    auto *field = named(new QLineEdit(parent), name);
    field->setReadOnly(true);
    return field;
}

QTimer *secondTimer(QObject *parent, const char *name)
{
    auto *timer = named(new QTimer(parent), name);
    timer->setInterval(1000);
    return timer;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(ui::programIcon());
    QFont windowFont = font();
    // A fixed pixel size keeps every caption inside its fixed-size panel whatever the desktop's
    // font settings; scaled desktops scale the whole window, fonts included.
    windowFont.setPixelSize(13);
    setFont(windowFont);

    createControls();
    layoutControls();

    serviceSocket = named(new platform::SocketControl(this), "serviceSocket");
    downloadSocket = named(new platform::SocketControl(this), "downloadSocket");
    playerPictureSocket = named(new platform::SocketControl(this), "playerPictureSocket");
    genreArtistsSocket = named(new platform::SocketControl(this), "genreArtistsSocket");
    similarArtistsSocket = named(new platform::SocketControl(this), "similarArtistsSocket");
    httpAgent::attachSocket(*serviceSocket, httpGlobals::webServiceSlot);
    httpAgent::attachSocket(*downloadSocket, httpGlobals::downloadSlot);
    httpAgent::attachSocket(*playerPictureSocket, httpGlobals::playerImageSlot);
    httpAgent::attachSocket(*genreArtistsSocket, httpGlobals::similarImageSlot);
    httpAgent::attachSocket(*similarArtistsSocket, httpGlobals::similarArtistsSlot);

    m_chooser = new TrackChooser(this);

    ui::setWindow(this);

    connect(connectButton, &QPushButton::clicked, this, &MainWindow::connectToServer);
    connect(recommendationsButton, &QPushButton::clicked, this, &MainWindow::toggleRecommendations);
    connect(backToSearchButton, &QPushButton::clicked, this, &MainWindow::backToSearch);
    connect(libraryBackButton, &QPushButton::clicked, this, &MainWindow::closeLibrary);
    // The pictures show genre groups 2, 1 and 3, left to right.
    const std::array<int, 3> genreGroups{2, 1, 3};
    for (std::size_t i = 0; i < genrePictures.size(); ++i)
        connect(genrePictures[i], &ClickableLabel::clicked, this,
                [this, group = genreGroups[i]] { showGenreGroup(group); });
    // Stores are numbered from 1 in store order.
    for (std::size_t i = 0; i < storeButtons.size(); ++i)
        connect(storeButtons[i], &QPushButton::clicked, this,
                [this, country = int(i) + 1] { chooseShopCountry(country); });

    setupSearchHandlers();
    setupDownloadHandlers();
    setupLibraryHandlers();

    resetToStart();
}

MainWindow::~MainWindow()
{
    if (ui::window() == this)
        ui::setWindow(nullptr);
}

void MainWindow::createControls()
{
    auto *central = named(new QWidget(this), "centralWidget");
    setCentralWidget(central);

    // Connect frame.
    connectPanel =
        named(new QGroupBox(QStringLiteral("Please connect to the server"), central), "connectPanel");
    programBadge = named(new QLabel(connectPanel), "programBadge");
    networkPicture = named(new QLabel(connectPanel), "networkPicture");
    connectButton = named(new QPushButton(QStringLiteral("Connect"), connectPanel), "connectButton");

    // Search options.
    searchOptionsPanel =
        named(new QGroupBox(QStringLiteral("Search Options"), central), "searchOptionsPanel");
    searchArtistPicture = named(new QLabel(searchOptionsPanel), "searchArtistPicture");
    myMusicButton = named(new QPushButton(QStringLiteral("my music"), searchOptionsPanel), "myMusicButton");
    recommendationsButton = named(new QPushButton(QStringLiteral("recommendations"), searchOptionsPanel),
                                  "recommendationsButton");
    searchKindTabs = named(new QTabBar(searchOptionsPanel), "searchKindTabs");
    searchFieldsFrame = named(new QGroupBox(searchOptionsPanel), "searchFieldsFrame");
    searchFieldLabel = named(new QLabel(QStringLiteral("Search For"), searchFieldsFrame), "searchFieldLabel");
    searchField = named(new QLineEdit(searchFieldsFrame), "searchField");
    searchButton =
        named(new QPushButton(QStringLiteral("search for music"), searchFieldsFrame), "searchButton");
    genreLabel = named(new QLabel(QStringLiteral("Genre"), searchFieldsFrame), "genreLabel");
    genreBox = named(new QComboBox(searchFieldsFrame), "genreBox");
    queryAddressLabel = named(new QLabel(QStringLiteral("( URL )"), searchFieldsFrame), "queryAddressLabel");
    queryAddressField = named(new QLineEdit(searchFieldsFrame), "queryAddressField");
    similarArtistsButton = named(new QPushButton(QStringLiteral("find similar artists"), searchFieldsFrame),
                                 "similarArtistsButton");

    // Search results.
    resultsPanel = named(new QGroupBox(central), "resultsPanel");
    resultsGrid = named(new QTableWidget(1, 3, resultsPanel), "resultsGrid");

    // Current download.
    currentDownloadPanel =
        named(new QGroupBox(QStringLiteral("Current Download"), central), "currentDownloadPanel");
    downloadQueueList = named(new QListWidget(currentDownloadPanel), "downloadQueueList");
    currentDownloadField = readOnlyField(currentDownloadPanel, "currentDownloadField");
    rateField = readOnlyField(currentDownloadPanel, "rateField");
    receivedField = readOnlyField(currentDownloadPanel, "receivedField");
    cancelButton = named(new QPushButton(QStringLiteral("cancel"), currentDownloadPanel), "cancelButton");
    downloadProgress = named(new QProgressBar(currentDownloadPanel), "downloadProgress");
    receivedUnitLabel = named(new QLabel(QStringLiteral("KB"), currentDownloadPanel), "receivedUnitLabel");
    rateUnitLabel = named(new QLabel(QStringLiteral("KB/s"), currentDownloadPanel), "rateUnitLabel");
    progressTimer = secondTimer(currentDownloadPanel, "progressTimer");
    queuePumpTimer = secondTimer(currentDownloadPanel, "queuePumpTimer");

    // Radio recommendations.
    radioPanel = named(new QGroupBox(QStringLiteral("Radio Recommendations"), central), "radioPanel");
    radioList = named(new QListWidget(radioPanel), "radioList");

    // Similar artists.
    similarArtistsCaption =
        named(new QLabel(QStringLiteral("Similar Artists : None so far"), central), "similarArtistsCaption");
    similarArtistsTree = named(new QTreeWidget(central), "similarArtistsTree");
    relevanceIcons = named(new platform::ImageList(this), "relevanceIcons");

    // Recommendations.
    recommendationsPanel =
        named(new QGroupBox(QStringLiteral("What are you looking for?"), central), "recommendationsPanel");
    backToSearchButton = named(new QPushButton(QStringLiteral("go back to search"), recommendationsPanel),
                               "backToSearchButton");
    recommendedArtistsTree = named(new QTreeWidget(recommendationsPanel), "recommendedArtistsTree");
    recommendedArtistPictures = named(new platform::ImageList(this), "recommendedArtistPictures");
    const std::array<std::pair<const char *, const char *>, 3> genres{
        {{"electronic", "Electronic and Dance"},
         {"urban", "Urban"},
         {"rock", "Rock, Indie, Everything Else"}}};
    for (std::size_t i = 0; i < genres.size(); ++i) {
        const QString role = QLatin1String(genres[i].first);
        genrePictures[i] = new ClickableLabel(recommendationsPanel);
        genrePictures[i]->setObjectName(role + QStringLiteral("GenrePicture"));
        genreCaptions[i] = new QLabel(QLatin1String(genres[i].second), recommendationsPanel);
        genreCaptions[i]->setObjectName(role + QStringLiteral("GenreCaption"));
    }

    // Library and playback.
    libraryPanel = named(new QGroupBox(QStringLiteral("Your music library"), central), "libraryPanel");
    libraryList = named(new QListWidget(libraryPanel), "libraryList");
    nowPlayingFrame = named(new QGroupBox(QStringLiteral("Now Playing"), libraryPanel), "nowPlayingFrame");
    playerArtistPicture = named(new QLabel(nowPlayingFrame), "playerArtistPicture");
    nowPlayingArtist = named(new QLabel(nowPlayingFrame), "nowPlayingArtist");
    nowPlayingTrack = named(new QLabel(nowPlayingFrame), "nowPlayingTrack");
    playbackFrame = named(new QGroupBox(QStringLiteral("Playback Controls"), libraryPanel), "playbackFrame");
    positionSlider = named(new QSlider(Qt::Horizontal, playbackFrame), "positionSlider");
    playerArea = named(new QWidget(playbackFrame), "playerArea");
    positionLabel = named(new QLabel(QStringLiteral("0:00"), playbackFrame), "positionLabel");
    lengthLabel = named(new QLabel(QStringLiteral("0:00"), playbackFrame), "lengthLabel");
    libraryBackButton =
        named(new QPushButton(QStringLiteral("back to search"), libraryPanel), "libraryBackButton");
    playbackTimer = secondTimer(libraryPanel, "playbackTimer");

    // Shop suggestions.
    for (std::size_t i = 0; i < stores.size(); ++i) {
        storeButtons[i] = new QPushButton(central);
        storeButtons[i]->setObjectName(QLatin1String(stores[i].code) + QStringLiteral("StoreButton"));
    }
    shopBrowser = named(new platform::WebBrowserControl(central), "shopBrowser");

    // Pictures stored with the window.
    relevanceIcons->setPictureSize(QSize(15, 15));
    for (int level = 0; level < ui::RELEVANCE_LEVELS; ++level)
        relevanceIcons->add(ui::relevanceKey(level), ui::relevanceIcon(level));
}

void MainWindow::layoutControls()
{
    setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    const int columnHeight = WINDOW_HEIGHT - 2 * MARGIN;

    // Connect frame: the two pictures above the connect button, centred.
    connectPanel->setGeometry(MARGIN, px(ui::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    programBadge->setPixmap(ui::connectBadge(QSize(150, 150)));
    programBadge->setAccessibleName(QStringLiteral("Sonavex"));
    networkPicture->setPixmap(ui::connectNetwork(QSize(360, 190)));
    networkPicture->setAccessibleName(QStringLiteral("Client and server"));
    connectButton->setAccessibleName(QStringLiteral("Connect"));
    connectButton->setMinimumSize(180, 40);
    connectButton->setDefault(true);
    {
        auto *layout = new QVBoxLayout(connectPanel);
        layout->setSpacing(24);
        layout->addStretch(2);
        layout->addWidget(programBadge, 0, Qt::AlignHCenter);
        layout->addWidget(networkPicture, 0, Qt::AlignHCenter);
        layout->addWidget(connectButton, 0, Qt::AlignHCenter);
        layout->addStretch(3);
    }

    // Search options: picture | tabs over the search fields | library and recommendations.
    const int resultsTop = px(ui::RESULTS_TOP);
    const int downloadTop = px(ui::DOWNLOAD_TOP);
    searchOptionsPanel->setGeometry(MARGIN, px(ui::SHOWN_TOP), LEFT_WIDTH,
                                    resultsTop - px(ui::SHOWN_TOP) - 4);
    searchArtistPicture->setFixedSize(96, 96);
    searchArtistPicture->setAlignment(Qt::AlignCenter);
    searchArtistPicture->setFrameShape(QFrame::StyledPanel);
    searchArtistPicture->setAccessibleName(QStringLiteral("Artist picture"));
    searchKindTabs->addTab(QStringLiteral("Keyword"));
    searchKindTabs->addTab(QStringLiteral("Artist"));
    searchKindTabs->addTab(QStringLiteral("Title"));
    searchKindTabs->setTabToolTip(0, QStringLiteral("Search by Keyword"));
    searchKindTabs->setTabToolTip(1, QStringLiteral("Search By Artist"));
    searchKindTabs->setTabToolTip(2, QStringLiteral("Search by Title"));
    searchKindTabs->setDrawBase(false);
    searchKindTabs->setExpanding(false);
    searchKindTabs->setAccessibleName(QStringLiteral("Search by"));
    searchFieldsFrame->setFlat(true);
    searchFieldLabel->setBuddy(searchField);
    queryAddressLabel->setBuddy(queryAddressField);
    genreLabel->setBuddy(genreBox);
    searchField->setAccessibleName(QStringLiteral("Search For"));
    queryAddressField->setAccessibleName(QStringLiteral("( URL )"));
    queryAddressField->setReadOnly(true);
    genreBox->setAccessibleName(QStringLiteral("Genre"));
    genreBox->setMinimumContentsLength(12);
    genreBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    {
        auto *fields = new QGridLayout(searchFieldsFrame);
        fields->setContentsMargins(0, 4, 0, 0);
        fields->setHorizontalSpacing(6);
        fields->setVerticalSpacing(6);
        fields->addWidget(searchFieldLabel, 0, 0);
        fields->addWidget(searchField, 0, 1, 1, 3);
        fields->addWidget(searchButton, 0, 4);
        fields->addWidget(genreLabel, 1, 0);
        fields->addWidget(genreBox, 1, 1);
        fields->addWidget(queryAddressLabel, 1, 2);
        fields->addWidget(queryAddressField, 1, 3);
        fields->addWidget(similarArtistsButton, 1, 4);
        fields->setColumnStretch(3, 1);

        auto *middle = new QVBoxLayout;
        middle->setSpacing(2);
        auto *tabRow = new QHBoxLayout;
        tabRow->addWidget(searchKindTabs);
        tabRow->addStretch();
        tabRow->addWidget(myMusicButton);
        tabRow->addWidget(recommendationsButton);
        middle->addLayout(tabRow);
        middle->addWidget(searchFieldsFrame);

        auto *layout = new QHBoxLayout(searchOptionsPanel);
        layout->setContentsMargins(10, 4, 10, 6);
        layout->setSpacing(10);
        layout->addWidget(searchArtistPicture, 0, Qt::AlignTop);
        layout->addLayout(middle, 1);
    }

    // Search results.
    resultsPanel->setGeometry(MARGIN, resultsTop, LEFT_WIDTH, downloadTop - resultsTop - 4);
    resultsGrid->horizontalHeader()->hide();
    resultsGrid->verticalHeader()->hide();
    resultsGrid->setItemDelegate(new HeadingRowDelegate(resultsGrid));
    resultsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsGrid->setAlternatingRowColors(true);
    resultsGrid->verticalHeader()->setDefaultSectionSize(22);
    resultsGrid->setAccessibleName(QStringLiteral("Search results"));
    {
        auto *layout = new QVBoxLayout(resultsPanel);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->addWidget(resultsGrid);
    }

    // Current download: what runs, its progress and figures; the waiting queue beside it.
    const int bottomHeight = WINDOW_HEIGHT - MARGIN - downloadTop;
    const int downloadWidth = 384;
    currentDownloadPanel->setGeometry(MARGIN, downloadTop, downloadWidth, bottomHeight);
    currentDownloadField->setAccessibleName(QStringLiteral("Current download"));
    currentDownloadField->setPlaceholderText(QStringLiteral("Nothing downloading"));
    rateField->setAccessibleName(QStringLiteral("KB/s"));
    receivedField->setAccessibleName(QStringLiteral("KB"));
    rateField->setAlignment(Qt::AlignRight);
    receivedField->setAlignment(Qt::AlignRight);
    receivedUnitLabel->setBuddy(receivedField);
    rateUnitLabel->setBuddy(rateField);
    downloadProgress->setTextVisible(false);
    downloadProgress->setValue(0);
    downloadQueueList->setAccessibleName(QStringLiteral("Download queue"));
    {
        auto *layout = new QGridLayout(currentDownloadPanel);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->setHorizontalSpacing(6);
        layout->setVerticalSpacing(6);
        layout->addWidget(currentDownloadField, 0, 0, 1, 5);
        layout->addWidget(downloadProgress, 1, 0, 1, 5);
        layout->addWidget(receivedField, 2, 0);
        layout->addWidget(receivedUnitLabel, 2, 1);
        layout->addWidget(rateField, 2, 2);
        layout->addWidget(rateUnitLabel, 2, 3);
        layout->addWidget(cancelButton, 2, 4);
        layout->addWidget(downloadQueueList, 0, 5, 4, 1);
        layout->setRowStretch(3, 1);
        layout->setColumnStretch(0, 1);
        layout->setColumnStretch(2, 1);
        layout->setColumnStretch(5, 2);
    }

    // Radio recommendations share the download frame's top edge.
    radioPanel->setGeometry(MARGIN + downloadWidth + GAP, downloadTop, LEFT_WIDTH - downloadWidth - GAP,
                            bottomHeight);
    radioList->setAccessibleName(QStringLiteral("Radio Recommendations"));
    {
        auto *layout = new QVBoxLayout(radioPanel);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->addWidget(radioList);
    }

    // Recommendations: the three genre pictures with their captions, the artists of the one chosen.
    recommendationsPanel->setGeometry(MARGIN, px(ui::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    const QSize genreSize(176, 112);
    recommendedArtistsTree->setHeaderHidden(true);
    recommendedArtistsTree->setRootIsDecorated(false);
    recommendedArtistsTree->setIconSize(QSize(150, 142));
    recommendedArtistsTree->setAccessibleName(QStringLiteral("Recommended artists"));
    {
        auto *layout = new QGridLayout(recommendationsPanel);
        layout->setContentsMargins(12, 10, 12, 12);
        layout->setHorizontalSpacing(12);
        layout->setVerticalSpacing(6);
        for (int i = 0; i < 3; ++i) {
            ClickableLabel *image = genrePictures[std::size_t(i)];
            QLabel *caption = genreCaptions[std::size_t(i)];
            image->setPixmap(ui::genrePicture(i + 1, genreSize));
            image->setFixedSize(genreSize);
            image->setAccessibleName(caption->text());
            image->setToolTip(caption->text());
            caption->setAlignment(Qt::AlignHCenter);
            caption->setBuddy(image);
            layout->addWidget(image, 0, i, Qt::AlignHCenter);
            layout->addWidget(caption, 1, i, Qt::AlignHCenter | Qt::AlignTop);
        }
        layout->addWidget(recommendedArtistsTree, 2, 0, 1, 3);
        layout->addWidget(backToSearchButton, 3, 2, Qt::AlignRight);
        layout->setRowStretch(2, 1);
    }

    // Library: the list above, what plays and its controls below.
    libraryPanel->setGeometry(MARGIN, px(ui::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    libraryList->setAccessibleName(QStringLiteral("Your music library"));
    playerArtistPicture->setFixedSize(120, 120);
    playerArtistPicture->setAlignment(Qt::AlignCenter);
    playerArtistPicture->setFrameShape(QFrame::StyledPanel);
    playerArtistPicture->setAccessibleName(QStringLiteral("Artist picture"));
    QFont artistFont = nowPlayingArtist->font();
    artistFont.setBold(true);
    artistFont.setPixelSize(15);
    nowPlayingArtist->setFont(artistFont);
    nowPlayingArtist->setWordWrap(true);
    nowPlayingTrack->setWordWrap(true);
    positionLabel->setAccessibleName(QStringLiteral("Position"));
    lengthLabel->setAccessibleName(QStringLiteral("Length"));
    positionSlider->setAccessibleName(QStringLiteral("Position"));
    playerArea->setMinimumSize(240, 36);
    {
        auto *playerLayout = new QHBoxLayout(playerArea);
        playerLayout->setContentsMargins(0, 0, 0, 0);
    }
    {
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

        auto *layout = new QGridLayout(libraryPanel);
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

    // Right column: the similar-artists tree, the stores and the shop browser never move.
    similarArtistsCaption->setGeometry(RIGHT_X, px(ui::SIMILAR_LABEL_TOP), RIGHT_WIDTH, 22);
    QFont headingFont = similarArtistsCaption->font();
    headingFont.setBold(true);
    similarArtistsCaption->setFont(headingFont);
    similarArtistsCaption->setBuddy(similarArtistsTree);
    const int treeTop = px(ui::SIMILAR_LABEL_TOP) + 26;
    similarArtistsTree->setGeometry(RIGHT_X, treeTop, RIGHT_WIDTH, 264);
    similarArtistsTree->setHeaderHidden(true);
    similarArtistsTree->setRootIsDecorated(false);
    similarArtistsTree->setIconSize(QSize(15, 15));
    similarArtistsTree->setAccessibleName(QStringLiteral("Similar artists"));

    const int storeTop = treeTop + 264 + GAP;
    const int storeHeight = 30;
    const int storeWidth = (RIGHT_WIDTH - 5 * GAP) / 6;
    for (std::size_t i = 0; i < stores.size(); ++i) {
        QPushButton *button = storeButtons[i];
        const auto [code, name] = stores[i];
        button->setGeometry(RIGHT_X + int(i) * (storeWidth + GAP), storeTop, storeWidth, storeHeight);
        button->setIcon(QIcon(ui::storeBadge(QLatin1String(code), QSize(30, 18))));
        button->setIconSize(QSize(30, 18));
        button->setAccessibleName(QLatin1String(name));
        button->setToolTip(QLatin1String(name));
    }
    const int browserTop = storeTop + storeHeight + GAP;
    shopBrowser->setGeometry(RIGHT_X, browserTop, RIGHT_WIDTH, WINDOW_HEIGHT - MARGIN - browserTop);
    shopBrowser->setAccessibleName(QStringLiteral("Shop suggestions"));

    // Panels are opaque: the library lies in front of the search panels and must hide them.
    for (QGroupBox *panel : {connectPanel, searchOptionsPanel, resultsPanel, currentDownloadPanel, radioPanel,
                             recommendationsPanel, libraryPanel})
        panel->setAutoFillBackground(true);
    libraryPanel->raise();

    setTabOrder(searchKindTabs, searchField);
    setTabOrder(searchField, searchButton);
    setTabOrder(searchButton, genreBox);
    setTabOrder(genreBox, queryAddressField);
    setTabOrder(queryAddressField, similarArtistsButton);
    setTabOrder(similarArtistsButton, myMusicButton);
    setTabOrder(myMusicButton, recommendationsButton);
    setTabOrder(recommendationsButton, resultsGrid);
    setTabOrder(resultsGrid, cancelButton);
    setTabOrder(cancelButton, radioList);
    setTabOrder(radioList, similarArtistsTree);
    setTabOrder(similarArtistsTree, storeButtons[0]);
    setTabOrder(storeButtons[0], storeButtons[1]);
    setTabOrder(storeButtons[1], storeButtons[2]);
    setTabOrder(storeButtons[2], storeButtons[3]);
    setTabOrder(storeButtons[3], storeButtons[4]);
    setTabOrder(storeButtons[4], storeButtons[5]);
}

void MainWindow::resetToStart()
{
    m_loaded = startup::runStartupSequence(qintptr(winId()));
    if (!m_loaded)
        return;

    setWindowTitle(QStringLiteral("Sonavex : Not connected to server"));
    resultsPanel->setTitle(QStringLiteral("Search Results : None so far"));

    for (QWidget *control :
         {static_cast<QWidget *>(genreBox), static_cast<QWidget *>(recommendationsButton),
          static_cast<QWidget *>(similarArtistsButton), static_cast<QWidget *>(searchButton),
          static_cast<QWidget *>(searchKindTabs), static_cast<QWidget *>(storeButtons[0]),
          static_cast<QWidget *>(storeButtons[2]), static_cast<QWidget *>(storeButtons[3]),
          static_cast<QWidget *>(storeButtons[4]), static_cast<QWidget *>(storeButtons[1]),
          static_cast<QWidget *>(storeButtons[5])})
        control->setEnabled(false);

    resultsGrid->clear();
    resultsGrid->setRowCount(1);
    resultsGrid->setColumnWidth(0, px(3000));
    resultsGrid->setColumnWidth(1, px(3500));
    resultsGrid->setColumnWidth(2, px(2000));
    resultsGrid->setEnabled(false);

    shopBrowser->navigate(QStringLiteral("about:blank"));

    ui::hideRecommendationsFrame();
    ui::hideSearchPanels();
    ui::hideLibraryFrame();
    ui::showConnectFrame();
    appGlobals::searchPanelShown = false;

    // The download pump runs for as long as the program does.
    queuePumpTimer->start();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program; nothing is saved.
    m_chooser->hide();
    event->accept();
    // Waiting handlers give up at once, so the program ends now, not when a transfer finishes.
    platform::requestShutdown();
    QCoreApplication::quit();
}

void MainWindow::connectToServer()
{
    // A second connect while one waits would share the busy slot.
    if (m_connecting)
        return;
    m_connecting = true;
    connectButton->setEnabled(false);
    const auto finish = [this] {
        m_connecting = false;
        connectButton->setEnabled(true);
    };

    const QString workFile = webService::connectWorkFile();
    const QString statisticsAddress = httpGlobals::serverBaseUrl + QStringLiteral("trelvoStats.php");
    setWindowTitle(QStringLiteral("Sonavex : Connecting to server..."));

    int status = httpAgent::sendGetRequest(httpAgent::hostFromUrl(statisticsAddress), QStringLiteral("80"),
                                           httpAgent::pathFromUrl(statisticsAddress),
                                           httpGlobals::productHomeUrl, httpGlobals::userAgent,
                                           *serviceSocket, workFile, httpGlobals::webServiceSlot);
    if (status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while connecting to the server"));
        return finish();
    }
    if (status != httpGlobals::HTTP_OK) {
        platform::messageBox(httpAgent::httpErrorMessage(
            QStringLiteral("An error occurred while connecting to the server"), status));
        return finish();
    }
    webService::parseStatistics(workFile, *genreBox);
    QFile::remove(workFile);

    const QString recommendationsAddress =
        httpGlobals::serverBaseUrl + QStringLiteral("recommendedArtists.csv");
    status = httpAgent::sendGetRequest(httpAgent::hostFromUrl(recommendationsAddress), QStringLiteral("80"),
                                       httpAgent::pathFromUrl(recommendationsAddress),
                                       httpGlobals::productHomeUrl, httpGlobals::userAgent, *serviceSocket,
                                       workFile, httpGlobals::webServiceSlot);
    if (status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while requesting recommendations"));
        return finish();
    }
    if (status != httpGlobals::HTTP_OK) {
        platform::messageBox(httpAgent::httpErrorMessage(
            QStringLiteral("An error occurred while requesting recommendations"), status));
        return finish();
    }
    webService::parseRecommendedArtists(workFile);
    QFile::remove(workFile);

    genreBox->setEnabled(true);
    genreBox->setCurrentIndex(genreBox->findText(QStringLiteral("Any")));
    for (QWidget *control :
         {static_cast<QWidget *>(recommendationsButton), static_cast<QWidget *>(similarArtistsButton),
          static_cast<QWidget *>(searchButton), static_cast<QWidget *>(searchKindTabs),
          static_cast<QWidget *>(resultsGrid), static_cast<QWidget *>(storeButtons[0]),
          static_cast<QWidget *>(storeButtons[2]), static_cast<QWidget *>(storeButtons[3]),
          static_cast<QWidget *>(storeButtons[4]), static_cast<QWidget *>(storeButtons[1]),
          static_cast<QWidget *>(storeButtons[5])})
        control->setEnabled(true);

    setWindowTitle(QStringLiteral("Sonavex : searching ") + QString::number(appGlobals::serverTrackCount) +
                   QStringLiteral(" tracks from ") + QString::number(appGlobals::serverArtistCount) +
                   QStringLiteral(" artists"));

    ui::hideConnectFrame();
    ui::showSearchPanels();
    appGlobals::searchPanelShown = true;
    finish();
    platform::doEvents();
}

void MainWindow::toggleRecommendations()
{
    if (!appGlobals::searchPanelShown) {
        ui::showSearchPanels();
        ui::hideRecommendationsFrame();
        appGlobals::searchPanelShown = true;
    } else {
        ui::hideSearchPanels();
        ui::showRecommendationsFrame();
        appGlobals::searchPanelShown = false;
    }
}

void MainWindow::backToSearch()
{
    ui::showSearchPanels();
    ui::hideRecommendationsFrame();
    appGlobals::searchPanelShown = true;
}

void MainWindow::closeLibrary()
{
    ui::hideLibraryFrame();
}

void MainWindow::showGenreGroup(int group)
{
    // One fill at a time: a second fill would share the busy picture slot and the tree.
    if (m_fillingGenre)
        return;
    m_fillingGenre = true;
    guiRepositioning::selectGenreArtists(group);
    recommendedArtistPictures->clear();
    recommendedArtistPictures->setPictureSize(QSize(150, 142));
    recommendedArtistsTree->clear();
    guiRepositioning::loadGenreArtists(*genreArtistsSocket, *recommendedArtistsTree,
                                       *recommendedArtistPictures, httpGlobals::similarImageSlot);
    m_fillingGenre = false;
}

void MainWindow::chooseShopCountry(int countryNumber)
{
    appLocalisation::shopLocale = countryNumber;
    webService::showShopSuggestions(appLocalisation::lastShopTerm, appLocalisation::shopLocale, *shopBrowser);
}

} // namespace ui
