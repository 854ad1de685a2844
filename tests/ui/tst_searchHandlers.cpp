// The search, similar-artist, tree and radio-list handlers of the real main window, offscreen,
// against a scripted loopback server.
#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/sourceSites.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "scriptedServer.h"
#include "ui/formQueryDb.h"
#include "ui/guiRepositioning.h"
#include "webservice/radio.h"

#include <QBuffer>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

using S = ScriptedServer;

namespace {

// The shop page must not reach the scripted server: its scripts are for the client's own requests.
class OfflineBrowser : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override { info.block(true); }
};

QByteArray reply(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + " " + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

S::Script ok(const QByteArray &body)
{
    return {S::send(reply(200, "OK", body))};
}

QByteArray jpeg()
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

const QByteArray statistics =
    "trackCount,10<br>\r\nartistCount,5<br>\r\n1,Rock<br>\r\n2,Pop<br>\r\n3,Jazz<br>\r\n";
const QByteArray recommended = "1,\"Some Band\",x,1\r\n";

} // namespace

// Records what the window hands to the desktop's default handler.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

class tst_searchHandlers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void shortTextIsRefused_data();
    void shortTextIsRefused();
    void searchStarts_data();
    void searchStarts();
    void genreTreeClickSwitchesToSearch();
    void similarTreeClickKeepsLayout();
    void findSimilarArtistsFillsTreeAndStations();
    void radioLineClickOpensItsAddress();

private:
    QList<QByteArray> newRequestLines() const;
    void clickNode(QTreeWidget &tree, QTreeWidgetItem *node);
    void clickLine(int line);
    bool recommendationsShown() const;

    QTemporaryDir m_home;
    ScriptedServer *m_server = nullptr;
    UrlRecorder m_urls;
    std::unique_ptr<formQueryDb> m_window;
    MessageBoxCatcher *m_boxes = nullptr;
    int m_requestsBefore = 0;
};

void tst_searchHandlers::initTestCase()
{
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(new OfflineBrowser(this));
    m_server = new ScriptedServer(this);
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
    qputenv("SONAVEX_CONFIG", m_home.filePath("none.ini").toLocal8Bit());
    qputenv("SONAVEX_SERVER_URL", QStringLiteral("http://%1/").arg(m_server->hostText()).toLocal8Bit());
    QVERIFY(QDir(m_home.path()).mkpath("tmp"));
    configuration::reload();
    sourceSites::reload();
    QDesktopServices::setUrlHandler("http", &m_urls, "open");
}

void tst_searchHandlers::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("http");
}

void tst_searchHandlers::init()
{
    m_server->setScript(ok(statistics));
    m_server->addScript(ok(recommended));
    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->findChild<QPushButton *>("Command3")->click();
    QVERIFY(m_window->findChild<QPushButton *>("Command5")->isEnabled());
    // Every case fetches its pictures afresh.
    QDir cache(httpGlobals::imageCacheFolder);
    for (const QString &file : cache.entryList(QDir::Files))
        cache.remove(file);
    m_boxes = new MessageBoxCatcher(m_window.get());
    m_urls.opened.clear();
    m_requestsBefore = int(m_server->requests().size());
}

void tst_searchHandlers::cleanup()
{
    m_window.reset();
}

QList<QByteArray> tst_searchHandlers::newRequestLines() const
{
    QList<QByteArray> lines;
    const QList<QByteArray> all = m_server->requests();
    for (qsizetype i = m_requestsBefore; i < all.size(); ++i)
        lines << all.at(i).left(all.at(i).indexOf("\r\n"));
    return lines;
}

void tst_searchHandlers::clickNode(QTreeWidget &tree, QTreeWidgetItem *node)
{
    QVERIFY(node);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
}

void tst_searchHandlers::clickLine(int line)
{
    auto *list = m_window->findChild<QListWidget *>("List3");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
}

bool tst_searchHandlers::recommendationsShown() const
{
    return guiRepositioning::topTwips(*m_window->findChild<QGroupBox *>("Frame6")) ==
               guiRepositioning::SHOWN_TOP &&
           guiRepositioning::topTwips(*m_window->findChild<QGroupBox *>("Frame1")) ==
               guiRepositioning::HIDDEN_TOP;
}

void tst_searchHandlers::shortTextIsRefused_data()
{
    QTest::addColumn<bool>("enter");
    QTest::newRow("button") << false;
    QTest::newRow("enter key") << true;
}

void tst_searchHandlers::shortTextIsRefused()
{
    QFETCH(bool, enter);
    auto *text1 = m_window->findChild<QLineEdit *>("Text1");
    text1->setText("ab");
    if (enter)
        QTest::keyClick(text1, Qt::Key_Return);
    else
        m_window->findChild<QPushButton *>("Command5")->click();
    QCOMPARE(m_boxes->texts(), QStringList{"Please search for at least 3 letters"});
    QCOMPARE(newRequestLines(), QList<QByteArray>{});
    QCOMPARE(m_window->findChild<QGroupBox *>("Frame2")->title(), "Search Results : None so far");
}

void tst_searchHandlers::searchStarts_data()
{
    QTest::addColumn<bool>("enter");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("genre");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::newRow("button, title, genre 3")
        << false << 2 << 3 << "rock and roll"
        << QList<QByteArray>{"GET /trelvoTracksByTitle.php?genre=3&artist=&track=rock%20and%20roll% HTTP/1.1",
                             "GET /artistImages/rock%20and%20roll.jpg HTTP/1.1"};
    QTest::newRow("three characters with a blank")
        << true << 0 << 1 << "a b"
        << QList<QByteArray>{"GET /trelvoTracksByKeyword.php?genre=1&keyword=a%20b&track= HTTP/1.1",
                             "GET /artistImages/a%20b.jpg HTTP/1.1"};
}

void tst_searchHandlers::searchStarts()
{
    QFETCH(bool, enter);
    QFETCH(int, tab);
    QFETCH(int, genre);
    QFETCH(QString, text);
    QFETCH(QList<QByteArray>, requests);
    m_window->findChild<QTabBar *>("TabStrip1")->setCurrentIndex(tab);
    m_window->findChild<QComboBox *>("Combo1")->setCurrentIndex(genre);
    auto *text1 = m_window->findChild<QLineEdit *>("Text1");
    text1->setText(text);
    m_server->setScript(ok("Ann,3,Blue,http://src/1<br>\r\n"));
    m_server->addScript(ok(jpeg()));
    if (enter)
        QTest::keyClick(text1, Qt::Key_Return);
    else
        m_window->findChild<QPushButton *>("Command5")->click();
    QCOMPARE(newRequestLines(), requests);
    QCOMPARE(m_boxes->count(), 0);
    QCOMPARE(m_window->findChild<QGroupBox *>("Frame2")->title(), "Search Results : 1 free track found");
    auto *grid = m_window->findChild<QTableWidget *>("MSFlexGrid1");
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->item(1, 2)->text(), "Jazz");
    QVERIFY(!m_window->findChild<QLabel *>("Picture2")->pixmap().isNull());
}

void tst_searchHandlers::genreTreeClickSwitchesToSearch()
{
    m_window->findChild<QPushButton *>("Command1")->click();
    QVERIFY(recommendationsShown());
    auto *tree = m_window->findChild<QTreeWidget *>("TreeView1");
    platform::addTreeNode(*tree, " Some Band ", " Some Band ", nullptr, {});
    m_server->setScript(ok("Some Band,1,Song,http://src/9\r\n"));
    m_server->addScript(ok(jpeg()));
    clickNode(*tree, tree->topLevelItem(0));
    QVERIFY(!recommendationsShown());
    QVERIFY(appGlobals::searchPanelShown);
    QCOMPARE(m_window->findChild<QLineEdit *>("Text1")->text(), "Some Band");
    QCOMPARE(newRequestLines(),
             (QList<QByteArray>{"GET /trelvoTracksByArtist.php?genre=0&artist=Some%20Band%&track= HTTP/1.1",
                                "GET /artistImages/Some%20Band.jpg HTTP/1.1"}));
    QVERIFY(!m_window->findChild<QLabel *>("Picture2")->pixmap().isNull());
    QCOMPARE(tree->topLevelItemCount(), 1);
}

void tst_searchHandlers::similarTreeClickKeepsLayout()
{
    m_window->findChild<QPushButton *>("Command1")->click();
    auto *tree = m_window->findChild<QTreeWidget *>("TreeView2");
    platform::addTreeNode(*tree, "Al", "Al", nullptr, {});
    m_server->setScript(ok("Al,1,Song,http://src/9\r\n"));
    m_server->addScript({S::send(reply(404, "Not Found", ""))});
    clickNode(*tree, tree->topLevelItem(0));
    // Two letters are searched all the same; a missing picture says nothing.
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(recommendationsShown());
    QVERIFY(!appGlobals::searchPanelShown);
    QCOMPARE(newRequestLines(),
             (QList<QByteArray>{"GET /trelvoTracksByArtist.php?genre=0&artist=Al%&track= HTTP/1.1",
                                "GET /artistImages/Al.jpg HTTP/1.1"}));
    QCOMPARE(m_window->findChild<QGroupBox *>("Frame2")->title(), "Search Results : 1 free track found");
}

void tst_searchHandlers::findSimilarArtistsFillsTreeAndStations()
{
    QByteArray list;
    for (int i = 0; i < 25; ++i)
        list += "1,Near " + QByteArray::number(i) + "\r\n";
    m_window->findChild<QLineEdit *>("Text1")->setText("Salt/Pepper & Co");
    m_server->setScript(ok("x\r\nSalt Pepper & Co\r\n"));
    m_server->addScript(ok(list));
    m_server->addScript(ok(jpeg()));
    m_server->addScript(ok("1,First,http://first.example/<br>\r\n2,Second,http://second.example/<br>\r\n"));
    m_window->findChild<QPushButton *>("Command4")->click();

    QCOMPARE(newRequestLines(),
             (QList<QByteArray>{"GET /trelvoSimilarArtists.php?artist=SaltPepper%20%26%20Co HTTP/1.1",
                                "GET /artistSimilar/Salt%20Pepper%20%26%20Co HTTP/1.1",
                                "GET /artistImages/Salt%20Pepper%20%26%20Co.jpg HTTP/1.1",
                                "GET /trelvoRadioByKeyword.php?search=%Salt%20Pepper%20%26%20Co% HTTP/1.1"}));
    QCOMPARE(m_boxes->count(), 0);
    QCOMPARE(m_window->findChild<QLabel *>("Label5")->text(), "Similar Artists : 25");
    auto *tree = m_window->findChild<QTreeWidget *>("TreeView2");
    QCOMPARE(tree->topLevelItemCount(), 25);
    const auto *icons = m_window->findChild<platform::ImageList *>("ImageList2");
    const auto shown = [&](int node) { return tree->topLevelItem(node)->icon(0).pixmap(15, 15).toImage(); };
    QCOMPARE(shown(9), icons->picture("level_9").toImage());
    QCOMPARE(shown(10), icons->picture("level_8").toImage());
    QCOMPARE(shown(24), icons->picture("level_7").toImage());
    QCOMPARE(tree->topLevelItem(2)->toolTip(0), "3 of 25");
    QVERIFY(!m_window->findChild<QLabel *>("Picture2")->pixmap().isNull());
    auto *stations = m_window->findChild<QListWidget *>("List3");
    QCOMPARE(stations->count(), 2);
    QCOMPARE(stations->item(1)->text(), "Second");
}

void tst_searchHandlers::radioLineClickOpensItsAddress()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("radio.html");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(
        "1,Alpha,http://a.example/1<br>\r\n2,Beta,http://b.example/2\r\n3,Alpha,http://c.example/x,y<br>\r\n"
        "4,Silent,<br>\r\n");
    out.close();
    auto *list = m_window->findChild<QListWidget *>("List3");
    webService::parseRadioRecommendations(file, *list);

    // Nothing selected: a click beside the lines opens nothing.
    list->setCurrentRow(-1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 3));
    QCOMPARE(m_urls.opened, QList<QUrl>{});

    // The third line opens the third address, though its text is the first line's.
    clickLine(2);
    QCOMPARE(m_urls.opened, QList<QUrl>{QUrl("http://c.example/x,y")});

    // A line whose address is empty opens nothing.
    clickLine(3);
    QCOMPARE(m_urls.opened.size(), 1);
    QCOMPARE(newRequestLines(), QList<QByteArray>{});
}

QTEST_MAIN(tst_searchHandlers)
#include "tst_searchHandlers.moc"
