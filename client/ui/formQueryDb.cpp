#include "ui/formQueryDb.h"

#include "core/settings.h"
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
#include "ui/clickableLabel.h"
#include "ui/designPictures.h"
#include "ui/formHandleDownload.h"
#include "ui/guiRepositioning.h"
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

formQueryDb::formQueryDb(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("formQueryDb"));
    setWindowIcon(designPictures::programIcon());
    QFont windowFont = font();
    // A fixed pixel size keeps every caption inside its fixed-size panel whatever the desktop's
    // font settings; scaled desktops scale the whole window, fonts included.
    windowFont.setPixelSize(13);
    setFont(windowFont);

    createControls();
    layoutControls();

    Winsock1 = named(new platform::SocketControl(this), "Winsock1");
    Winsock2 = named(new platform::SocketControl(this), "Winsock2");
    Winsock3 = named(new platform::SocketControl(this), "Winsock3");
    Winsock4 = named(new platform::SocketControl(this), "Winsock4");
    Winsock5 = named(new platform::SocketControl(this), "Winsock5");
    http::attachSocket(*Winsock1, http::Slot::Service);
    http::attachSocket(*Winsock2, http::Slot::Download);
    http::attachSocket(*Winsock3, http::Slot::PlayerPicture);
    http::attachSocket(*Winsock4, http::Slot::GenreArtists);
    http::attachSocket(*Winsock5, http::Slot::SimilarArtists);

    m_chooser = new formHandleDownload(this);

    guiRepositioning::setWindow(this);

    connect(Command3, &QPushButton::clicked, this, &formQueryDb::on_Command3_clicked);
    connect(Command1, &QPushButton::clicked, this, &formQueryDb::on_Command1_clicked);
    connect(Command6, &QPushButton::clicked, this, &formQueryDb::on_Command6_clicked);
    connect(Command8, &QPushButton::clicked, this, &formQueryDb::on_Command8_clicked);
    connect(Image1, &ClickableLabel::clicked, this, &formQueryDb::on_Image1_clicked);
    connect(Image2, &ClickableLabel::clicked, this, &formQueryDb::on_Image2_clicked);
    connect(Image3, &ClickableLabel::clicked, this, &formQueryDb::on_Image3_clicked);
    connect(Command9, &QPushButton::clicked, this, &formQueryDb::on_Command9_clicked);
    connect(Command14, &QPushButton::clicked, this, &formQueryDb::on_Command14_clicked);
    connect(Command10, &QPushButton::clicked, this, &formQueryDb::on_Command10_clicked);
    connect(Command11, &QPushButton::clicked, this, &formQueryDb::on_Command11_clicked);
    connect(Command12, &QPushButton::clicked, this, &formQueryDb::on_Command12_clicked);
    connect(Command13, &QPushButton::clicked, this, &formQueryDb::on_Command13_clicked);

    setupSearchHandlers();
    setupDownloadHandlers();
    setupLibraryHandlers();

    formLoad();
}

formQueryDb::~formQueryDb()
{
    if (guiRepositioning::window() == this)
        guiRepositioning::setWindow(nullptr);
}

void formQueryDb::createControls()
{
    auto *central = named(new QWidget(this), "centralWidget");
    setCentralWidget(central);

    // Connect frame.
    Frame7 = named(new QGroupBox(QStringLiteral("Please connect to the server"), central), "Frame7");
    Picture4 = named(new QLabel(Frame7), "Picture4");
    Picture3 = named(new QLabel(Frame7), "Picture3");
    Command3 = named(new QPushButton(QStringLiteral("Connect"), Frame7), "Command3");

    // Search options.
    Frame1 = named(new QGroupBox(QStringLiteral("Search Options"), central), "Frame1");
    Picture2 = named(new QLabel(Frame1), "Picture2");
    Command7 = named(new QPushButton(QStringLiteral("my music"), Frame1), "Command7");
    Command1 = named(new QPushButton(QStringLiteral("recommendations"), Frame1), "Command1");
    TabStrip1 = named(new QTabBar(Frame1), "TabStrip1");
    Frame3 = named(new QGroupBox(Frame1), "Frame3");
    Label1 = named(new QLabel(QStringLiteral("Search For"), Frame3), "Label1");
    Text1 = named(new QLineEdit(Frame3), "Text1");
    Command5 = named(new QPushButton(QStringLiteral("search for music"), Frame3), "Command5");
    Label4 = named(new QLabel(QStringLiteral("Genre"), Frame3), "Label4");
    Combo1 = named(new QComboBox(Frame3), "Combo1");
    Label2 = named(new QLabel(QStringLiteral("( URL )"), Frame3), "Label2");
    Text2 = named(new QLineEdit(Frame3), "Text2");
    Command4 = named(new QPushButton(QStringLiteral("find similar artists"), Frame3), "Command4");

    // Search results.
    Frame2 = named(new QGroupBox(central), "Frame2");
    MSFlexGrid1 = named(new QTableWidget(1, 3, Frame2), "MSFlexGrid1");

    // Current download.
    Frame4 = named(new QGroupBox(QStringLiteral("Current Download"), central), "Frame4");
    List2 = named(new QListWidget(Frame4), "List2");
    Text3 = readOnlyField(Frame4, "Text3");
    Text4 = readOnlyField(Frame4, "Text4");
    Text5 = readOnlyField(Frame4, "Text5");
    Command2 = named(new QPushButton(QStringLiteral("cancel"), Frame4), "Command2");
    ProgressBar1 = named(new QProgressBar(Frame4), "ProgressBar1");
    Label8 = named(new QLabel(QStringLiteral("KB"), Frame4), "Label8");
    Label16 = named(new QLabel(QStringLiteral("KB/s"), Frame4), "Label16");
    Timer1 = secondTimer(Frame4, "Timer1");
    Timer3 = secondTimer(Frame4, "Timer3");

    // Radio recommendations.
    Frame5 = named(new QGroupBox(QStringLiteral("Radio Recommendations"), central), "Frame5");
    List3 = named(new QListWidget(Frame5), "List3");

    // Similar artists.
    Label5 = named(new QLabel(QStringLiteral("Similar Artists : None so far"), central), "Label5");
    TreeView2 = named(new QTreeWidget(central), "TreeView2");
    ImageList2 = named(new platform::ImageList(this), "ImageList2");

    // Recommendations.
    Frame6 = named(new QGroupBox(QStringLiteral("What are you looking for?"), central), "Frame6");
    Command6 = named(new QPushButton(QStringLiteral("go back to search"), Frame6), "Command6");
    TreeView1 = named(new QTreeWidget(Frame6), "TreeView1");
    ImageList1 = named(new platform::ImageList(this), "ImageList1");
    Image1 = named(new ClickableLabel(Frame6), "Image1");
    Image2 = named(new ClickableLabel(Frame6), "Image2");
    Image3 = named(new ClickableLabel(Frame6), "Image3");
    Label3 = named(new QLabel(QStringLiteral("Electronic and Dance"), Frame6), "Label3");
    Label6 = named(new QLabel(QStringLiteral("Urban"), Frame6), "Label6");
    Label7 = named(new QLabel(QStringLiteral("Rock, Indie, Everything Else"), Frame6), "Label7");

    // Library and playback.
    Frame8 = named(new QGroupBox(QStringLiteral("Your music library"), central), "Frame8");
    List1 = named(new QListWidget(Frame8), "List1");
    Frame10 = named(new QGroupBox(QStringLiteral("Now Playing"), Frame8), "Frame10");
    Picture1 = named(new QLabel(Frame10), "Picture1");
    Label11 = named(new QLabel(Frame10), "Label11");
    Label12 = named(new QLabel(Frame10), "Label12");
    Frame9 = named(new QGroupBox(QStringLiteral("Playback Controls"), Frame8), "Frame9");
    Slider1 = named(new QSlider(Qt::Horizontal, Frame9), "Slider1");
    MMControl1Area = named(new QWidget(Frame9), "MMControl1Area");
    Label9 = named(new QLabel(QStringLiteral("0:00"), Frame9), "Label9");
    Label10 = named(new QLabel(QStringLiteral("0:00"), Frame9), "Label10");
    Command8 = named(new QPushButton(QStringLiteral("back to search"), Frame8), "Command8");
    Timer2 = secondTimer(Frame8, "Timer2");

    // Shop suggestions.
    Command9 = named(new QPushButton(central), "Command9");
    Command14 = named(new QPushButton(central), "Command14");
    Command10 = named(new QPushButton(central), "Command10");
    Command11 = named(new QPushButton(central), "Command11");
    Command12 = named(new QPushButton(central), "Command12");
    Command13 = named(new QPushButton(central), "Command13");
    WebBrowser1 = named(new platform::WebBrowserControl(central), "WebBrowser1");

    // Pictures stored with the window.
    ImageList2->setPictureSize(QSize(15, 15));
    for (int level = 0; level < designPictures::RELEVANCE_LEVELS; ++level)
        ImageList2->add(designPictures::relevanceKey(level), designPictures::relevanceIcon(level));
}

void formQueryDb::layoutControls()
{
    setFixedSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    const int columnHeight = WINDOW_HEIGHT - 2 * MARGIN;

    // Connect frame: the two pictures above the connect button, centred.
    Frame7->setGeometry(MARGIN, px(guiRepositioning::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    Picture4->setPixmap(designPictures::connectBadge(QSize(150, 150)));
    Picture4->setAccessibleName(QStringLiteral("Sonavex"));
    Picture3->setPixmap(designPictures::connectNetwork(QSize(360, 190)));
    Picture3->setAccessibleName(QStringLiteral("Client and server"));
    Command3->setAccessibleName(QStringLiteral("Connect"));
    Command3->setMinimumSize(180, 40);
    Command3->setDefault(true);
    {
        auto *layout = new QVBoxLayout(Frame7);
        layout->setSpacing(24);
        layout->addStretch(2);
        layout->addWidget(Picture4, 0, Qt::AlignHCenter);
        layout->addWidget(Picture3, 0, Qt::AlignHCenter);
        layout->addWidget(Command3, 0, Qt::AlignHCenter);
        layout->addStretch(3);
    }

    // Search options: picture | tabs over the search fields | library and recommendations.
    const int resultsTop = px(guiRepositioning::RESULTS_TOP);
    const int downloadTop = px(guiRepositioning::DOWNLOAD_TOP);
    Frame1->setGeometry(MARGIN, px(guiRepositioning::SHOWN_TOP), LEFT_WIDTH,
                        resultsTop - px(guiRepositioning::SHOWN_TOP) - 4);
    Picture2->setFixedSize(96, 96);
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setFrameShape(QFrame::StyledPanel);
    Picture2->setAccessibleName(QStringLiteral("Artist picture"));
    TabStrip1->addTab(QStringLiteral("Keyword"));
    TabStrip1->addTab(QStringLiteral("Artist"));
    TabStrip1->addTab(QStringLiteral("Title"));
    TabStrip1->setTabToolTip(0, QStringLiteral("Search by Keyword"));
    TabStrip1->setTabToolTip(1, QStringLiteral("Search By Artist"));
    TabStrip1->setTabToolTip(2, QStringLiteral("Search by Title"));
    TabStrip1->setDrawBase(false);
    TabStrip1->setExpanding(false);
    TabStrip1->setAccessibleName(QStringLiteral("Search by"));
    Frame3->setFlat(true);
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Label4->setBuddy(Combo1);
    Text1->setAccessibleName(QStringLiteral("Search For"));
    Text2->setAccessibleName(QStringLiteral("( URL )"));
    Text2->setReadOnly(true);
    Combo1->setAccessibleName(QStringLiteral("Genre"));
    Combo1->setMinimumContentsLength(12);
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    {
        auto *fields = new QGridLayout(Frame3);
        fields->setContentsMargins(0, 4, 0, 0);
        fields->setHorizontalSpacing(6);
        fields->setVerticalSpacing(6);
        fields->addWidget(Label1, 0, 0);
        fields->addWidget(Text1, 0, 1, 1, 3);
        fields->addWidget(Command5, 0, 4);
        fields->addWidget(Label4, 1, 0);
        fields->addWidget(Combo1, 1, 1);
        fields->addWidget(Label2, 1, 2);
        fields->addWidget(Text2, 1, 3);
        fields->addWidget(Command4, 1, 4);
        fields->setColumnStretch(3, 1);

        auto *middle = new QVBoxLayout;
        middle->setSpacing(2);
        auto *tabRow = new QHBoxLayout;
        tabRow->addWidget(TabStrip1);
        tabRow->addStretch();
        tabRow->addWidget(Command7);
        tabRow->addWidget(Command1);
        middle->addLayout(tabRow);
        middle->addWidget(Frame3);

        auto *layout = new QHBoxLayout(Frame1);
        layout->setContentsMargins(10, 4, 10, 6);
        layout->setSpacing(10);
        layout->addWidget(Picture2, 0, Qt::AlignTop);
        layout->addLayout(middle, 1);
    }

    // Search results.
    Frame2->setGeometry(MARGIN, resultsTop, LEFT_WIDTH, downloadTop - resultsTop - 4);
    MSFlexGrid1->horizontalHeader()->hide();
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setItemDelegate(new HeadingRowDelegate(MSFlexGrid1));
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setAlternatingRowColors(true);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(22);
    MSFlexGrid1->setAccessibleName(QStringLiteral("Search results"));
    {
        auto *layout = new QVBoxLayout(Frame2);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->addWidget(MSFlexGrid1);
    }

    // Current download: what runs, its progress and figures; the waiting queue beside it.
    const int bottomHeight = WINDOW_HEIGHT - MARGIN - downloadTop;
    const int downloadWidth = 384;
    Frame4->setGeometry(MARGIN, downloadTop, downloadWidth, bottomHeight);
    Text3->setAccessibleName(QStringLiteral("Current download"));
    Text3->setPlaceholderText(QStringLiteral("Nothing downloading"));
    Text4->setAccessibleName(QStringLiteral("KB/s"));
    Text5->setAccessibleName(QStringLiteral("KB"));
    Text4->setAlignment(Qt::AlignRight);
    Text5->setAlignment(Qt::AlignRight);
    Label8->setBuddy(Text5);
    Label16->setBuddy(Text4);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    List2->setAccessibleName(QStringLiteral("Download queue"));
    {
        auto *layout = new QGridLayout(Frame4);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->setHorizontalSpacing(6);
        layout->setVerticalSpacing(6);
        layout->addWidget(Text3, 0, 0, 1, 5);
        layout->addWidget(ProgressBar1, 1, 0, 1, 5);
        layout->addWidget(Text5, 2, 0);
        layout->addWidget(Label8, 2, 1);
        layout->addWidget(Text4, 2, 2);
        layout->addWidget(Label16, 2, 3);
        layout->addWidget(Command2, 2, 4);
        layout->addWidget(List2, 0, 5, 4, 1);
        layout->setRowStretch(3, 1);
        layout->setColumnStretch(0, 1);
        layout->setColumnStretch(2, 1);
        layout->setColumnStretch(5, 2);
    }

    // Radio recommendations share the download frame's top edge.
    Frame5->setGeometry(MARGIN + downloadWidth + GAP, downloadTop, LEFT_WIDTH - downloadWidth - GAP,
                        bottomHeight);
    List3->setAccessibleName(QStringLiteral("Radio Recommendations"));
    {
        auto *layout = new QVBoxLayout(Frame5);
        layout->setContentsMargins(8, 6, 8, 8);
        layout->addWidget(List3);
    }

    // Recommendations: the three genre pictures with their captions, the artists of the one chosen.
    Frame6->setGeometry(MARGIN, px(guiRepositioning::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    const QSize genreSize(176, 112);
    const std::array<std::pair<ClickableLabel *, QLabel *>, 3> genres{
        {{Image1, Label3}, {Image2, Label6}, {Image3, Label7}}};
    TreeView1->setHeaderHidden(true);
    TreeView1->setRootIsDecorated(false);
    TreeView1->setIconSize(QSize(150, 142));
    TreeView1->setAccessibleName(QStringLiteral("Recommended artists"));
    {
        auto *layout = new QGridLayout(Frame6);
        layout->setContentsMargins(12, 10, 12, 12);
        layout->setHorizontalSpacing(12);
        layout->setVerticalSpacing(6);
        for (int i = 0; i < 3; ++i) {
            auto [image, caption] = genres[std::size_t(i)];
            image->setPixmap(designPictures::genrePicture(i + 1, genreSize));
            image->setFixedSize(genreSize);
            image->setAccessibleName(caption->text());
            image->setToolTip(caption->text());
            caption->setAlignment(Qt::AlignHCenter);
            caption->setBuddy(image);
            layout->addWidget(image, 0, i, Qt::AlignHCenter);
            layout->addWidget(caption, 1, i, Qt::AlignHCenter | Qt::AlignTop);
        }
        layout->addWidget(TreeView1, 2, 0, 1, 3);
        layout->addWidget(Command6, 3, 2, Qt::AlignRight);
        layout->setRowStretch(2, 1);
    }

    // Library: the list above, what plays and its controls below.
    Frame8->setGeometry(MARGIN, px(guiRepositioning::SHOWN_TOP), LEFT_WIDTH, columnHeight);
    List1->setAccessibleName(QStringLiteral("Your music library"));
    Picture1->setFixedSize(120, 120);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setAccessibleName(QStringLiteral("Artist picture"));
    QFont artistFont = Label11->font();
    artistFont.setBold(true);
    artistFont.setPixelSize(15);
    Label11->setFont(artistFont);
    Label11->setWordWrap(true);
    Label12->setWordWrap(true);
    Label9->setAccessibleName(QStringLiteral("Position"));
    Label10->setAccessibleName(QStringLiteral("Length"));
    Slider1->setAccessibleName(QStringLiteral("Position"));
    MMControl1Area->setMinimumSize(240, 36);
    {
        auto *player = new QHBoxLayout(MMControl1Area);
        player->setContentsMargins(0, 0, 0, 0);
    }
    {
        auto *nowPlaying = new QGridLayout(Frame10);
        nowPlaying->setContentsMargins(8, 6, 8, 8);
        nowPlaying->addWidget(Picture1, 0, 0, 3, 1);
        nowPlaying->addWidget(Label11, 0, 1);
        nowPlaying->addWidget(Label12, 1, 1);
        nowPlaying->setRowStretch(2, 1);
        nowPlaying->setColumnStretch(1, 1);

        auto *controls = new QGridLayout(Frame9);
        controls->setContentsMargins(8, 6, 8, 8);
        controls->addWidget(MMControl1Area, 0, 0, 1, 3);
        controls->addWidget(Label9, 1, 0);
        controls->addWidget(Slider1, 1, 1);
        controls->addWidget(Label10, 1, 2);
        controls->setColumnStretch(1, 1);
        controls->setRowStretch(2, 1);

        auto *layout = new QGridLayout(Frame8);
        layout->setContentsMargins(12, 10, 12, 12);
        layout->setSpacing(10);
        layout->addWidget(List1, 0, 0, 1, 2);
        layout->addWidget(Frame10, 1, 0);
        layout->addWidget(Frame9, 1, 1);
        layout->addWidget(Command8, 2, 1, Qt::AlignRight);
        layout->setRowStretch(0, 1);
        layout->setColumnStretch(0, 1);
        layout->setColumnStretch(1, 1);
    }

    // Right column: the similar-artists tree, the stores and the shop browser never move.
    Label5->setGeometry(RIGHT_X, px(guiRepositioning::SIMILAR_LABEL_TOP), RIGHT_WIDTH, 22);
    QFont headingFont = Label5->font();
    headingFont.setBold(true);
    Label5->setFont(headingFont);
    Label5->setBuddy(TreeView2);
    const int treeTop = px(guiRepositioning::SIMILAR_LABEL_TOP) + 26;
    TreeView2->setGeometry(RIGHT_X, treeTop, RIGHT_WIDTH, 264);
    TreeView2->setHeaderHidden(true);
    TreeView2->setRootIsDecorated(false);
    TreeView2->setIconSize(QSize(15, 15));
    TreeView2->setAccessibleName(QStringLiteral("Similar artists"));

    const int storeTop = treeTop + 264 + GAP;
    const int storeHeight = 30;
    const std::array<std::tuple<QPushButton *, const char *, const char *>, 6> stores{{
        {Command9, "uk", "UK store"},
        {Command14, "us", "US store"},
        {Command10, "ca", "Canada store"},
        {Command11, "fr", "France store"},
        {Command12, "de", "Germany store"},
        {Command13, "jp", "Japan store"},
    }};
    const int storeWidth = (RIGHT_WIDTH - 5 * GAP) / 6;
    for (std::size_t i = 0; i < stores.size(); ++i) {
        auto [button, code, name] = stores[i];
        button->setGeometry(RIGHT_X + int(i) * (storeWidth + GAP), storeTop, storeWidth, storeHeight);
        button->setIcon(QIcon(designPictures::storeBadge(QLatin1String(code), QSize(30, 18))));
        button->setIconSize(QSize(30, 18));
        button->setAccessibleName(QLatin1String(name));
        button->setToolTip(QLatin1String(name));
    }
    const int browserTop = storeTop + storeHeight + GAP;
    WebBrowser1->setGeometry(RIGHT_X, browserTop, RIGHT_WIDTH, WINDOW_HEIGHT - MARGIN - browserTop);
    WebBrowser1->setAccessibleName(QStringLiteral("Shop suggestions"));

    // Panels are opaque: the library lies in front of the search panels and must hide them.
    for (QGroupBox *panel : {Frame7, Frame1, Frame2, Frame4, Frame5, Frame6, Frame8})
        panel->setAutoFillBackground(true);
    Frame8->raise();

    setTabOrder(TabStrip1, Text1);
    setTabOrder(Text1, Command5);
    setTabOrder(Command5, Combo1);
    setTabOrder(Combo1, Text2);
    setTabOrder(Text2, Command4);
    setTabOrder(Command4, Command7);
    setTabOrder(Command7, Command1);
    setTabOrder(Command1, MSFlexGrid1);
    setTabOrder(MSFlexGrid1, Command2);
    setTabOrder(Command2, List3);
    setTabOrder(List3, TreeView2);
    setTabOrder(TreeView2, Command9);
    setTabOrder(Command9, Command14);
    setTabOrder(Command14, Command10);
    setTabOrder(Command10, Command11);
    setTabOrder(Command11, Command12);
    setTabOrder(Command12, Command13);
}

void formQueryDb::formLoad()
{
    m_loaded = core::startUp();
    if (!m_loaded)
        return;

    setWindowTitle(QStringLiteral("Sonavex : Not connected to server"));
    Frame2->setTitle(QStringLiteral("Search Results : None so far"));

    for (QWidget *control :
         {static_cast<QWidget *>(Combo1), static_cast<QWidget *>(Command1), static_cast<QWidget *>(Command4),
          static_cast<QWidget *>(Command5), static_cast<QWidget *>(TabStrip1),
          static_cast<QWidget *>(Command9), static_cast<QWidget *>(Command10),
          static_cast<QWidget *>(Command11), static_cast<QWidget *>(Command12),
          static_cast<QWidget *>(Command14), static_cast<QWidget *>(Command13)})
        control->setEnabled(false);

    MSFlexGrid1->clear();
    MSFlexGrid1->setRowCount(1);
    MSFlexGrid1->setColumnWidth(0, px(3000));
    MSFlexGrid1->setColumnWidth(1, px(3500));
    MSFlexGrid1->setColumnWidth(2, px(2000));
    MSFlexGrid1->setEnabled(false);

    WebBrowser1->navigate(QStringLiteral("about:blank"));

    guiRepositioning::hideRecommendationsFrame();
    guiRepositioning::hideSearchPanels();
    guiRepositioning::hideLibraryFrame();
    guiRepositioning::showConnectFrame();
    searchPanelShown = false;

    // The download pump runs for as long as the program does.
    Timer3->start();
}

void formQueryDb::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program; nothing is saved.
    m_chooser->hide();
    event->accept();
    // Waiting handlers give up at once, so the program ends now, not when a transfer finishes.
    platform::requestShutdown();
    QCoreApplication::quit();
}

void formQueryDb::on_Command3_clicked()
{
    // A second connect while one waits would share the busy slot.
    if (m_connecting)
        return;
    m_connecting = true;
    Command3->setEnabled(false);
    const auto finish = [this] {
        m_connecting = false;
        Command3->setEnabled(true);
    };

    const QString workFile = webservice::connectWorkFile();
    const QString statisticsAddress = core::settings().serverBaseUrl + QStringLiteral("trelvoStats.php");
    setWindowTitle(QStringLiteral("Sonavex : Connecting to server..."));

    int status = http::getUrl(statisticsAddress, core::settings().productHomeUrl, core::settings().userAgent,
                              *Winsock1, workFile, http::Slot::Service);
    if (status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while connecting to the server"));
        return finish();
    }
    if (status != http::HTTP_OK) {
        platform::messageBox(http::httpErrorMessage(
            QStringLiteral("An error occurred while connecting to the server"), status));
        return finish();
    }
    webservice::parseStatistics(workFile, *Combo1, serverStatistics, genreNames);
    QFile::remove(workFile);

    const QString recommendationsAddress =
        core::settings().serverBaseUrl + QStringLiteral("recommendedArtists.csv");
    status = http::getUrl(recommendationsAddress, core::settings().productHomeUrl, core::settings().userAgent,
                          *Winsock1, workFile, http::Slot::Service);
    if (status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while requesting recommendations"));
        return finish();
    }
    if (status != http::HTTP_OK) {
        platform::messageBox(http::httpErrorMessage(
            QStringLiteral("An error occurred while requesting recommendations"), status));
        return finish();
    }
    webservice::parseRecommendedArtists(workFile, recommendedArtists);
    QFile::remove(workFile);

    Combo1->setEnabled(true);
    Combo1->setCurrentIndex(Combo1->findText(QStringLiteral("Any")));
    for (QWidget *control : {static_cast<QWidget *>(Command1), static_cast<QWidget *>(Command4),
                             static_cast<QWidget *>(Command5), static_cast<QWidget *>(TabStrip1),
                             static_cast<QWidget *>(MSFlexGrid1), static_cast<QWidget *>(Command9),
                             static_cast<QWidget *>(Command10), static_cast<QWidget *>(Command11),
                             static_cast<QWidget *>(Command12), static_cast<QWidget *>(Command14),
                             static_cast<QWidget *>(Command13)})
        control->setEnabled(true);

    setWindowTitle(QStringLiteral("Sonavex : searching ") + QString::number(serverStatistics.trackCount) +
                   QStringLiteral(" tracks from ") + QString::number(serverStatistics.artistCount) +
                   QStringLiteral(" artists"));

    guiRepositioning::hideConnectFrame();
    guiRepositioning::showSearchPanels();
    searchPanelShown = true;
    finish();
    platform::doEvents();
}

void formQueryDb::on_Command1_clicked()
{
    if (!searchPanelShown) {
        guiRepositioning::showSearchPanels();
        guiRepositioning::hideRecommendationsFrame();
        searchPanelShown = true;
    } else {
        guiRepositioning::hideSearchPanels();
        guiRepositioning::showRecommendationsFrame();
        searchPanelShown = false;
    }
}

void formQueryDb::on_Command6_clicked()
{
    guiRepositioning::showSearchPanels();
    guiRepositioning::hideRecommendationsFrame();
    searchPanelShown = true;
}

void formQueryDb::on_Command8_clicked()
{
    guiRepositioning::hideLibraryFrame();
}

void formQueryDb::on_Image1_clicked()
{
    showGenreGroup(2);
}

void formQueryDb::on_Image2_clicked()
{
    showGenreGroup(1);
}

void formQueryDb::on_Image3_clicked()
{
    showGenreGroup(3);
}

void formQueryDb::showGenreGroup(int group)
{
    // One fill at a time: a second fill would share the busy picture slot and the tree.
    if (m_fillingGenre)
        return;
    m_fillingGenre = true;
    ImageList1->clear();
    ImageList1->setPictureSize(QSize(150, 142));
    TreeView1->clear();
    media::loadGenreArtists(recommendedArtists.namesInCategory(group), *Winsock4, *TreeView1, *ImageList1,
                            http::Slot::GenreArtists);
    m_fillingGenre = false;
}

void formQueryDb::on_Command9_clicked()
{
    chooseShopCountry(1);
}

void formQueryDb::on_Command14_clicked()
{
    chooseShopCountry(2);
}

void formQueryDb::on_Command10_clicked()
{
    chooseShopCountry(3);
}

void formQueryDb::on_Command11_clicked()
{
    chooseShopCountry(4);
}

void formQueryDb::on_Command12_clicked()
{
    chooseShopCountry(5);
}

void formQueryDb::on_Command13_clicked()
{
    chooseShopCountry(6);
}

void formQueryDb::chooseShopCountry(int countryNumber)
{
    shopSuggestions.country = countryNumber;
    downloads::showShopSuggestions(shopSuggestions.lastTerm, shopSuggestions, *WebBrowser1);
}
