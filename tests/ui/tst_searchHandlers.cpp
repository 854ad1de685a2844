// The search, tree and radio-list handlers of the real main window, offscreen, against a scripted
// loopback server: the requests sent, the grid and its caption, the panels, the stations opened.
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"
#include "webservice/radio.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

using S = ScriptedServer;
using Lines = QList<QByteArray>;

namespace {

// The shop page must not reach the scripted server: its scripts are for the client's own requests.
class OfflineBrowser : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override { info.block(true); }
};

S::Script ok(const QByteArray &body)
{
    return {S::send(okReply(body))};
}

const S::Script notFound{S::send(httpReply(404, "Not Found", ""))};

} // namespace

class tst_searchHandlers : public QObject
{
    Q_OBJECT

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    UrlRecorder m_urls;
    std::unique_ptr<ui::MainWindow> m_window;
    ui::SearchOptionsPanel *m_search = nullptr;
    MessageBoxCatcher *m_boxes = nullptr;
    qsizetype m_requestsBefore = 0;

    Lines newRequestLines() const
    {
        Lines lines;
        for (const QByteArray &request : m_server->requests().mid(m_requestsBefore))
            lines << requestLineOf(request);
        return lines;
    }

    QStringList gridRow(int row) const
    {
        QStringList cells;
        for (int column = 0; column < 3; ++column) {
            const QTableWidgetItem *cell = m_window->resultsPanel->resultsGrid->item(row, column);
            cells << (cell ? cell->text() : QString());
        }
        return cells;
    }

    void clickNode(QTreeWidget &tree, const QString &name)
    {
        QTreeWidgetItem *node = platform::addTreeNode(tree, name, name, nullptr, {});
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }

    bool recommendationsShown() const
    {
        return m_window->recommendationsPanel->y() < m_window->height() &&
               m_window->searchOptionsPanel->y() > m_window->height();
    }

    void search(const QString &text)
    {
        m_search->searchField->setText(text);
        QTest::keyClick(m_search->searchField, Qt::Key_Return);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(new OfflineBrowser(this));
        m_server = new ScriptedServer(this);
        m_environment = std::make_unique<WindowTestEnvironment>("http://" + m_server->hostText() + "/");
        QDesktopServices::setUrlHandler("http", &m_urls, "open");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("http"); }

    void init()
    {
        m_server->setScript(
            ok("trackCount,10<br>\r\nartistCount,5<br>\r\n1,Rock<br>\r\n2,Pop<br>\r\n3,Jazz<br>\r\n"));
        m_server->addScript(ok("1,\"Some Band\",x,1\r\n"));
        m_window = std::make_unique<ui::MainWindow>();
        m_search = m_window->searchOptionsPanel;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->connectPanel->connectButton->click();
        QVERIFY(m_search->searchButton->isEnabled());
        // Every case fetches its pictures afresh.
        QDir cache(httpGlobals::imageCacheFolder);
        for (const QString &file : cache.entryList(QDir::Files))
            cache.remove(file);
        m_boxes = new MessageBoxCatcher(m_window.get());
        m_urls.opened.clear();
        m_requestsBefore = m_server->requests().size();
    }

    void cleanup() { m_window.reset(); }

    void searchRequests_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("genre");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Lines>("requests"); // the search, then the picture
        QTest::newRow("button, title, genre 3")
            << false << 2 << 3 << "rock and roll"
            << Lines{"GET /trelvoTracksByTitle.php?genre=3&artist=&track=rock%20and%20roll% HTTP/1.1",
                     "GET /artistImages/rock%20and%20roll.jpg HTTP/1.1"};
        QTest::newRow("enter, artist, any genre")
            << true << 1 << 0 << "salt & pepper"
            << Lines{"GET /trelvoTracksByArtist.php?genre=0&artist=salt%20%26%20pepper%&track= HTTP/1.1",
                     "GET /artistImages/salt%20%26%20pepper.jpg HTTP/1.1"};
        QTest::newRow("keyword, no percent")
            << true << 0 << 1 << "a b"
            << Lines{"GET /trelvoTracksByKeyword.php?genre=1&keyword=a%20b&track= HTTP/1.1",
                     "GET /artistImages/a%20b.jpg HTTP/1.1"};
        QTest::newRow("two letters refused") << true << 0 << 0 << "ab" << Lines{};
    }

    void searchRequests()
    {
        QFETCH(bool, enter);
        QFETCH(int, tab);
        QFETCH(int, genre);
        QFETCH(QString, text);
        QFETCH(Lines, requests);
        m_search->searchKindTabs->setCurrentIndex(tab);
        m_search->genreBox->setCurrentIndex(genre);
        m_search->searchField->setText(text);
        m_server->setScript(ok("Ann,3,Blue,http://src/1<br>\r\n"));
        m_server->addScript(ok(jpegBytes()));
        qsizetype requestsWhenShopLoaded = -1;
        QObject listening;
        connect(m_window->shopPanel->shopBrowser, &platform::WebBrowserControl::navigated, &listening,
                [&] { requestsWhenShopLoaded = m_server->requests().size(); });
        if (enter)
            QTest::keyClick(m_search->searchField, Qt::Key_Return);
        else
            m_search->searchButton->click();
        QCOMPARE(newRequestLines(), requests);
        if (requests.isEmpty()) {
            QCOMPARE(m_boxes->texts(), QStringList{"Please search for at least 3 letters"});
            QCOMPARE(m_window->resultsPanel->title(), "Search Results : None so far");
            return;
        }
        QCOMPARE(m_boxes->count(), 0);
        // The shop suggestions load before the request; the echo and the referer tell the server's address.
        QCOMPARE(requestsWhenShopLoaded, m_requestsBefore);
        const QByteArray &line = requests.first();
        QCOMPARE(m_search->queryAddressField->text(),
                 httpGlobals::serverBaseUrl.chopped(1) + QString::fromLatin1(line.mid(4, line.size() - 13)));
        QVERIFY(m_server->requests()
                    .at(m_requestsBefore)
                    .contains("\r\nReferer: " + httpGlobals::serverBaseUrl.toLatin1() + "\r\n"));
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 1 free track found");
        QCOMPARE(gridRow(1), (QStringList{"Ann", "Blue", "Jazz"}));
        QVERIFY(!m_search->searchArtistPicture->pixmap().isNull());
    }

    void searchOutcome_data()
    {
        QTest::addColumn<S::Script>("script");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<QStringList>>("rows"); // artist, track, genre, source
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << ok("") << "Search Results : 0 free tracks found" << QList<QStringList>{}
                              << "";
        QTest::newRow("one") << ok("Ann,3,Blue,http://src/1<br>\r\n") << "Search Results : 1 free track found"
                             << QList<QStringList>{{"Ann", "Blue", "Jazz", "http://src/1"}} << "";
        // Lines of three and five fields and an empty artist are skipped; a bad genre id never takes the
        // genre of the row above; "<br>" goes only in lower case.
        QTest::newRow("two") << ok("<p>\r\nAnn,3,Blue,u1<br>\r\nx,1,three\r\nA,1,B,C,five\r\n,1,No "
                                   "artist,u9\r\nBob,x,Red,u2<BR>\r\n")
                             << "Search Results : 2 free tracks found"
                             << QList<QStringList>{{"Ann", "Blue", "Jazz", "u1"},
                                                   {"Bob", "Red", "", "u2<BR>"}}
                             << "";
        const QString inProgress = "Search Results : Search (by Keyword) in progress.";
        QTest::newRow("closed before any reply")
            << S::Script{S::close()} << inProgress << QList<QStringList>{}
            << "A Socket error occurred while searching";
        QTest::newRow("not found")
            << notFound << inProgress << QList<QStringList>{}
            << "An error occurred while searching\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
    }

    void searchOutcome()
    {
        QFETCH(S::Script, script);
        QFETCH(QString, caption);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, message);
        // The grid of an earlier search never survives the next one; missing pictures say nothing.
        m_server->setScript(ok("Old,1,Gone,u\r\nOld,1,Gone,u\r\n"));
        m_server->addScript(notFound);
        search("first");
        m_server->setScript(script);
        m_server->addScript(notFound);
        search("second");
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_window->resultsPanel->title(), caption);
        QCOMPARE(m_window->resultsPanel->resultsGrid->rowCount(), int(rows.size()) + 2);
        QCOMPARE(gridRow(0), (QStringList{"Artist", "Track", "Genre"}));
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(gridRow(i + 1), rows.at(i).first(3));
            QCOMPARE(appGlobals::searchResults[i + 1][appGlobals::RESULT_SOURCE], rows.at(i).at(3));
        }
        QCOMPARE(gridRow(int(rows.size()) + 1), (QStringList{"", "", ""}));
        QCOMPARE(appGlobals::searchResultCount, int(rows.size()));
    }

    void treeClicks_data()
    {
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("node");
        QTest::addColumn<bool>("switches");
        QTest::addColumn<Lines>("requests");
        QTest::newRow("genre artists switch to the search panels")
            << "recommendedArtistsTree"
            << " Some Band " << true
            << Lines{"GET /trelvoTracksByArtist.php?genre=0&artist=Some%20Band%&track= HTTP/1.1",
                     "GET /artistImages/Some%20Band.jpg HTTP/1.1"};
        QTest::newRow("similar artists keep the layout, two letters searched")
            << "similarArtistsTree"
            << "Al" << false
            << Lines{"GET /trelvoTracksByArtist.php?genre=0&artist=Al%&track= HTTP/1.1",
                     "GET /artistImages/Al.jpg HTTP/1.1"};
    }

    void treeClicks()
    {
        QFETCH(QString, tree);
        QFETCH(QString, node);
        QFETCH(bool, switches);
        QFETCH(Lines, requests);
        m_search->recommendationsButton->click();
        QVERIFY(recommendationsShown());
        m_server->setScript(ok("Some Band,1,Song,http://src/9\r\n"));
        m_server->addScript(ok(jpegBytes()));
        clickNode(*m_window->findChild<QTreeWidget *>(tree), node);
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(recommendationsShown(), !switches);
        QCOMPARE(appGlobals::searchPanelShown, switches);
        QCOMPARE(m_search->searchField->text(), node.trimmed());
        QCOMPARE(newRequestLines(), requests);
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 1 free track found");
        QVERIFY(!m_search->searchArtistPicture->pixmap().isNull());
    }

    void treeClickDuringASearchTakesOver()
    {
        // The first reply is held back; a tree click searches another artist while it waits.
        m_server->setScript({S::pause(400), S::send(okReply("Old,1,Slow,u1\r\n"))});
        m_server->addScript(ok("New,3,Fast,u2\r\nNew,3,Faster,u3\r\n"));
        m_server->addScript(notFound);
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (m_server->requests().size() == m_requestsBefore)
                return;
            poll.stop();
            clickNode(*m_window->similarArtistsPanel->similarArtistsTree, "New");
        });
        poll.start(5);
        search("Old");
        QCOMPARE(m_boxes->texts(), QStringList{});
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 2 free tracks found");
        QCOMPARE(gridRow(1), (QStringList{"New", "Fast", "Jazz"}));
        QCOMPARE(appGlobals::searchResultCount, 2);
        QVERIFY(m_search->queryAddressField->text().endsWith("artist=New%&track="));
    }

    void radioLineClickOpensItsAddress()
    {
        QTemporaryDir dir;
        QFile reply(dir.filePath("radio.html"));
        QVERIFY(reply.open(QIODevice::WriteOnly));
        reply.write("1,Alpha,http://a.example/1<br>\r\n2,Beta,http://b.example/2\r\n"
                    "3,Alpha,http://c.example/x,y<br>\r\n4,Silent,<br>\r\n");
        reply.close();
        QListWidget *list = m_window->radioPanel->radioList;
        webService::parseRadioRecommendations(reply.fileName(), *list);
        const auto clickAt = [list](const QPoint &point) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        };
        // Nothing selected: a click beside the lines opens nothing.
        list->setCurrentRow(-1);
        clickAt(QPoint(5, list->viewport()->height() - 3));
        QCOMPARE(m_urls.opened, QList<QUrl>{});
        // The third line opens the third address, though its text is the first line's.
        clickAt(list->visualItemRect(list->item(2)).center());
        QCOMPARE(m_urls.opened, QList<QUrl>{QUrl("http://c.example/x,y")});
        // A line whose address is empty opens nothing.
        clickAt(list->visualItemRect(list->item(3)).center());
        QCOMPARE(m_urls.opened.size(), 1);
        QCOMPARE(newRequestLines(), Lines{});
    }
};

QTEST_MAIN(tst_searchHandlers)
#include "tst_searchHandlers.moc"
