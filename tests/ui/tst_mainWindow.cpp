// The main window against a scripted loopback server: layout, connect, panels, search, trees, radio.
#include "windowTestEnvironment.h"

#include "core/settings.h"
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
#include <QSignalSpy>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>

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
    return {S::send(okResponse(body))};
}

const S::Script notFound{S::send(httpResponse(404, "Not Found", ""))};
const S::Script closed{S::close()};

S::Script statistics(int latest = 4)
{
    return ok("engineVersion,3<br>\r\nlatestClientVersion," + QByteArray::number(latest) +
              "<br>\r\ntrackCount,150000<br>\r\nartistCount,40000<br>\r\ngenreCount,2<br>\r\n1,Rock<br>\r\n7,"
              "Jazz<br>\r\n");
}

const S::Script recommended = ok("1,\"Ann Arbor\",x,2\r\n2,\"Bob Dylan Tribute\",y,2\r\n3,\"Cleo\",z,1\r\n");

const QStringList searchView{"searchOptionsPanel", "resultsPanel", "currentDownloadPanel", "radioPanel",
                             "similarArtistsCaption"};
const QStringList connectView{"connectPanel"};

// The controls only a connected window enables.
const QStringList serverControls{"genreBox",      "recommendationsButton", "similarArtistsButton",
                                 "searchButton",  "searchKindTabs",        "resultsGrid",
                                 "ukStoreButton", "usStoreButton",         "caStoreButton",
                                 "frStoreButton", "deStoreButton",         "jpStoreButton"};

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    UrlRecorder m_urls;
    std::unique_ptr<ui::MainWindow> m_window;
    ui::SearchOptionsPanel *m_search = nullptr;
    MessageBoxCatcher *m_boxes = nullptr;
    qsizetype m_requestsBefore = 0;

    QWidget *control(const QString &name) const { return m_window->findChild<QWidget *>(name); }
    QRect placeOf(QWidget *widget) const
    {
        return {widget->mapTo(m_window->centralWidget(), QPoint()), widget->size()};
    }

    // The moving panels inside the window: none meets the right column, nor, but for the library in
    // front, another.
    QStringList shownPanels() const
    {
        QStringList shown;
        QList<QRect> places{placeOf(m_window->similarArtistsPanel->similarArtistsTree),
                            placeOf(m_window->shopPanel)};
        for (const QString &name :
             connectView + searchView + QStringList{"recommendationsPanel", "libraryPanel"}) {
            const QRect place = placeOf(control(name));
            if (!m_window->centralWidget()->rect().intersects(place))
                continue;
            for (qsizetype i = 0; i < places.size(); ++i)
                if (places[i].intersects(place) && (i < 2 || name != "libraryPanel"))
                    return {"overlap at " + name};
            shown << name;
            places << place;
        }
        return shown;
    }

    void expectServerControls(bool enabled)
    {
        for (const QString &name : serverControls)
            QVERIFY2(control(name)->isEnabled() == enabled, qPrintable(name));
    }

    void connectToScriptedServer()
    {
        m_window->connectPanel->connectButton->click();
        QTRY_COMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
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

    void enter(const QString &text)
    {
        m_search->searchField->setText(text);
        QTest::keyClick(m_search->searchField, Qt::Key_Return);
    }

    // The search's picture is fetched after the grid is filled; the next request waits for it.
    static void awaitSearchPicture()
    {
        using State = http::SlotRecord::State;
        const auto busy = [] {
            const State state = http::slotRecord(http::Slot::ChooserPicture).state;
            return state == State::Connecting || state == State::Connected || state == State::RequestSent ||
                   state == State::Receiving;
        };
        QTRY_VERIFY(!busy());
    }

    // Connected, for the search cases; each fetches pictures of its own names.
    void connectForSearch()
    {
        connectToScriptedServer();
        m_boxes = new MessageBoxCatcher(m_window.get());
        m_requestsBefore = m_server->requests().size();
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
        m_server->setScripts({statistics(), recommended});
        m_window = std::make_unique<ui::MainWindow>();
        m_search = m_window->searchOptionsPanel;
        QVERIFY(m_window->isLoaded());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_urls.opened.clear();
    }

    void cleanup() { m_window.reset(); }

    void loadedWindowFitsAndNothingIsClipped()
    {
        QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
        expectServerControls(false);
        QCOMPARE(shownPanels(), connectView);
        QVERIFY(m_window->width() <= 1280 && m_window->height() <= 800 - 40);
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        // In every view, each control lies inside its parent and is not squeezed below what it needs.
        m_window->showSearchPanels(true);
        m_window->showRecommendations(true);
        m_window->showLibrary(true);
        for (QWidget *child : m_window->centralWidget()->findChildren<QWidget *>()) {
            if (!child->isVisibleTo(m_window.get()) || child->objectName().isEmpty() ||
                child->objectName().startsWith("qt_"))
                continue;
            const QSize needed = child->minimumSizeHint();
            QVERIFY2(child->parentWidget()->rect().contains(child->geometry()) &&
                         child->width() >= needed.width() && child->height() >= needed.height(),
                     qPrintable(child->parentWidget()->objectName() + '/' + child->objectName()));
        }
        // The library lies in front of the search panels: nothing of them shows through.
        const QRect searchArea = m_search->geometry().united(m_window->resultsPanel->geometry());
        const QImage covered = m_window->centralWidget()->grab(searchArea).toImage();
        m_window->showSearchPanels(false);
        QCOMPARE(m_window->centralWidget()->grab(searchArea).toImage(), covered);
    }

    void connectOutcome_data()
    {
        QTest::addColumn<S::Script>("first");
        QTest::addColumn<S::Script>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("repliesRead"); // the genre list is filled once the statistics arrived
        const QString visit =
            " ) of this software is available.\r\nVisit http://" + m_server->hostText() + "/ to get updates";
        const QString failed = QStringLiteral("An error occurred while %1\r\nHTTP Response: %2");
        QTest::newRow("same version") << statistics(4) << recommended << "" << 2;
        QTest::newRow("two digits") << statistics(10) << recommended << "A newer version ( 1.10" + visit << 2;
        QTest::newRow("statistics: closed")
            << closed << closed << "A Socket error occurred while connecting to the server" << 0;
        QTest::newRow("statistics: 404")
            << notFound << closed << failed.arg(u"connecting to the server", u"404 = HTTP_NOT_FOUND") << 0;
        QTest::newRow("recommendations: closed")
            << statistics() << closed << "A Socket error occurred while requesting recommendations" << 1;
        QTest::newRow("recommendations: 500")
            << statistics()
            << S::Script{S::send(httpResponse(500, "Internal Server Error", "<html>no</html>"))}
            << failed.arg(u"requesting recommendations", u"500 = HTTP_INTERNAL_SERVER_ERROR") << 1;
    }

    void connectOutcome()
    {
        QFETCH(S::Script, first);
        QFETCH(S::Script, second);
        QFETCH(QString, message);
        QFETCH(int, repliesRead);
        const bool connects = repliesRead == 2;
        m_server->setScripts({first, second});
        MessageBoxCatcher boxes;
        m_requestsBefore = m_server->requests().size();
        const int connections = m_server->connectionCount();
        // A second click while the connect waits is refused, even one the disabled button lets through.
        QPushButton *button = m_window->connectPanel->connectButton;
        bool enabledWhileWaiting = true;
        QTimer::singleShot(0, m_window.get(), [&] {
            enabledWhileWaiting = button->isEnabled();
            button->click();
            Q_EMIT button->clicked();
        });
        button->click();
        QTRY_VERIFY(button->isEnabled());
        QVERIFY(!enabledWhileWaiting);
        QCOMPARE(m_server->connectionCount() - connections, repliesRead > 0 ? 2 : 1);

        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_window->windowTitle(),
                 QLatin1String(connects ? "Sonavex : searching 150000 tracks from 40000 artists"
                                        : "Sonavex : Connecting to server..."));
        QCOMPARE(m_search->genreBox->count(), repliesRead > 0 ? 3 : 0);
        expectServerControls(connects);
        QCOMPARE(shownPanels(), connects ? searchView : connectView);
        QCOMPARE(m_window->searchPanelShown, connects);
        QVERIFY(button->isEnabled()); // the user may try again
        QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
        if (!connects)
            return;
        QCOMPARE(m_server->requestLines(m_requestsBefore),
                 (Lines{"GET /trelvoStats.php HTTP/1.1", "GET /recommendedArtists.csv HTTP/1.1"}));
        QCOMPARE(m_search->genreBox->currentText(), "Any");
        QCOMPARE(m_window->recommendedArtists.at(2).name, "Cleo");
    }

    void panelSwitches_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("shown");
        const QStringList recommendations{"recommendationsPanel"};
        QTest::newRow("recommendations") << QStringList{"recommendationsButton"} << recommendations;
        QTest::newRow("recommendations twice")
            << QStringList{"recommendationsButton", "recommendationsButton"} << searchView;
        QTest::newRow("go back to search")
            << QStringList{"recommendationsButton", "backToSearchButton"} << searchView;
        QTest::newRow("go back while searching") << QStringList{"backToSearchButton"} << searchView;
        QTest::newRow("back to search without library") << QStringList{"libraryBackButton"} << searchView;
        QTest::newRow("back to search over recommendations")
            << QStringList{"recommendationsButton", "libraryBackButton", "libraryBackButton"}
            << recommendations;
        QTest::newRow("my music") << QStringList{"myMusicButton"} << searchView + QStringList{"libraryPanel"};
        QTest::newRow("my music, back") << QStringList{"myMusicButton", "libraryBackButton"} << searchView;
    }

    void panelSwitches()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, shown);
        connectToScriptedServer();
        for (const QString &name : clicks)
            QTest::mouseClick(qobject_cast<QPushButton *>(control(name)), Qt::LeftButton);
        QCOMPARE(shownPanels(), shown);
        QCOMPARE(m_window->searchPanelShown, shown.contains("searchOptionsPanel"));
    }

    void storeButtonsReloadTheLastTermInTheirLocale()
    {
        connectToScriptedServer();
        m_window->shopSuggestions.lastTerm = QStringLiteral("Ann%20%26%20Bob");
        // Each store asks for its own locale: "ukStoreButton" for "uk" and so on.
        for (QPushButton *store : m_window->shopPanel->storeButtons) {
            QTest::mouseClick(store, Qt::LeftButton);
            QCOMPARE(m_window->shopPanel->shopBrowser->address(),
                     core::settings().serverBaseUrl +
                         "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=" +
                         store->objectName().chopped(11));
        }
    }

    void search_data()
    {
        QTest::addColumn<QString>("via"); // the search button, Enter, or a node of the named tree
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("genre");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Lines>("requests"); // the search, then the picture
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<S::Script>("reply");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<QStringList>>("rows"); // artist, track, genre, source
        QTest::addColumn<QString>("message");
        const auto lines = [](const QByteArray &search, const QByteArray &picture) {
            return Lines{"GET /" + search + " HTTP/1.1", "GET /artistImages/" + picture + ".jpg HTTP/1.1"};
        };
        const QString byArtist = "Search Results : Search (by Artist) in progress.";
        QTest::newRow("button, title, genre 2")
            << "button" << 2 << 2 << "rock and roll"
            << lines("trelvoTracksByTitle.php?genre=2&artist=&track=rock%20and%20roll%", "rock%20and%20roll")
            << searchView << ok("Ann,7,Blue,http://src/1<br>\r\n") << "Search Results : 1 free track found"
            << QList<QStringList>{{"Ann", "Blue", "Jazz", "http://src/1"}} << "";
        // Lines of 3 or 5 fields and empty artists are skipped, a bad genre id stays empty, only "<br>" goes.
        QTest::newRow("enter, artist, any genre")
            << "enter" << 1 << 0 << "salt & pepper"
            << lines("trelvoTracksByArtist.php?genre=0&artist=salt%20%26%20pepper%&track=",
                     "salt%20%26%20pepper")
            << searchView
            << ok("<p>\r\nAnn,7,Blue,u1<br>\r\nx,1,three\r\nA,1,B,C,five\r\n,1,No "
                  "artist,u9\r\nBob,x,Red,u2<BR>\r\n")
            << "Search Results : 2 free tracks found"
            << QList<QStringList>{{"Ann", "Blue", "Jazz", "u1"}, {"Bob", "Red", "", "u2<BR>"}} << "";
        QTest::newRow("keyword, no percent")
            << "enter" << 0 << 1 << "a b"
            << lines("trelvoTracksByKeyword.php?genre=1&keyword=a%20b&track=", "a%20b") << searchView
            << ok("") << "Search Results : 0 free tracks found" << QList<QStringList>{} << "";
        QTest::newRow("two letters refused, the grid stays")
            << "enter" << 0 << 0 << "ab" << Lines{} << searchView << ok("")
            << "Search Results : 2 free tracks found"
            << QList<QStringList>{{"Old", "Gone", "Rock", "u"}, {"Old", "Gone", "Rock", "u"}}
            << "Please search for at least 3 letters";
        // A tree searches its node's artist whatever the tab.
        QTest::newRow("genre artists switch to the search panels")
            << "recommendedArtistsTree" << 2 << 0 << " Some Band "
            << lines("trelvoTracksByArtist.php?genre=0&artist=Some%20Band%&track=", "Some%20Band")
            << searchView << closed << byArtist << QList<QStringList>{}
            << "A Socket error occurred while searching";
        QTest::newRow("similar artists keep the layout, two letters searched")
            << "similarArtistsTree" << 2 << 0 << "Al"
            << lines("trelvoTracksByArtist.php?genre=0&artist=Al%&track=", "Al")
            << QStringList{"recommendationsPanel"} << notFound << byArtist << QList<QStringList>{}
            << "An error occurred while searching\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
    }

    void search()
    {
        QFETCH(QString, via);
        QFETCH(int, tab);
        QFETCH(int, genre);
        QFETCH(QString, text);
        QFETCH(Lines, requests);
        QFETCH(QStringList, shown);
        QFETCH(S::Script, reply);
        QFETCH(QString, caption);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, message);
        connectForSearch();
        // The grid of an earlier search never survives the next one; missing pictures say nothing.
        m_server->setScripts({ok("Old,1,Gone,u\r\nOld,1,Gone,u\r\n"), notFound});
        QSignalSpy finished(m_window.get(), &ui::MainWindow::searchFinished);
        enter("first");
        QVERIFY(finished.wait());
        awaitSearchPicture();
        finished.clear();
        m_requestsBefore = m_server->requests().size();
        m_search->searchKindTabs->setCurrentIndex(tab);
        m_search->genreBox->setCurrentIndex(genre);
        m_server->setScripts({reply, ok(jpegBytes())});
        qsizetype requestsWhenShopLoaded = -1;
        QObject listening;
        connect(m_window->shopPanel->shopBrowser, &platform::WebBrowserControl::navigated, &listening,
                [&] { requestsWhenShopLoaded = m_server->requests().size(); });
        if (via == "button") {
            m_search->searchField->setText(text);
            m_search->searchButton->click();
        } else if (via == "enter") {
            enter(text);
        } else {
            m_search->recommendationsButton->click();
            clickNode(*m_window->findChild<QTreeWidget *>(via), text);
        }
        // A refused search starts nothing, so it never finishes.
        if (!requests.isEmpty())
            QTRY_COMPARE(finished.count(), 1);
        awaitSearchPicture();
        QCOMPARE(m_server->requestLines(m_requestsBefore), requests);
        QCOMPARE(shownPanels(), shown);
        QCOMPARE(m_window->searchPanelShown, shown == searchView);
        QCOMPARE(m_search->searchField->text(), text.trimmed());
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_window->resultsPanel->title(), caption);
        QCOMPARE(m_window->resultsPanel->resultsGrid->rowCount(), int(rows.size()) + 2);
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(gridRow(i + 1), rows.at(i).first(3));
            QCOMPARE(m_window->searchResults.at(i).source, rows.at(i).at(3));
        }
        QCOMPARE(gridRow(int(rows.size()) + 1), (QStringList{"", "", ""}));
        QCOMPARE(m_window->searchResults.count(), int(rows.size()));
        if (requests.isEmpty())
            return;
        // The shop suggestions load before the request; the echo and the referer tell the server's address.
        QCOMPARE(requestsWhenShopLoaded, m_requestsBefore);
        const QByteArray &line = requests.first();
        QCOMPARE(m_search->queryAddressField->text(), core::settings().serverBaseUrl.chopped(1) +
                                                          QString::fromLatin1(line.mid(4, line.size() - 13)));
        QVERIFY(m_server->requests()
                    .at(m_requestsBefore)
                    .contains("\r\nReferer: " + core::settings().serverBaseUrl.toLatin1() + "\r\n"));
        QTRY_VERIFY(!m_search->searchArtistPicture->pixmap().isNull());
    }

    void treeClickDuringASearchTakesOver()
    {
        connectForSearch();
        // The first reply is held back; a tree click searches another artist while it waits.
        m_server->setScripts({{S::pause(400), S::send(okResponse("Old,1,Slow,u1\r\n"))},
                              ok("New,7,Fast,u2\r\nNew,7,Faster,u3\r\n"),
                              notFound});
        onceWhen(
            m_server, &ScriptedServer::requestReceived, [] { return true; },
            [this] { clickNode(*m_window->similarArtistsPanel->similarArtistsTree, "New"); });
        QSignalSpy finished(m_window.get(), &ui::MainWindow::searchFinished);
        enter("Old");
        // Only the newer search finishes.
        QVERIFY(finished.wait());
        awaitSearchPicture();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_boxes->texts(), QStringList{});
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 2 free tracks found");
        QCOMPARE(gridRow(1), (QStringList{"New", "Fast", "Jazz"}));
        QCOMPARE(m_window->searchResults.count(), 2);
        QVERIFY(m_search->queryAddressField->text().endsWith("artist=New%&track="));
    }

    void radioLineClickOpensItsAddress()
    {
        connectForSearch();
        QFile reply(core::settings().tempFolder + "radio.html");
        QVERIFY(reply.open(QIODevice::WriteOnly));
        reply.write("1,Alpha,http://a.example/1<br>\r\n2,Beta,http://b.example/2\r\n"
                    "3,Alpha,http://c.example/x,y<br>\r\n4,Silent,<br>\r\n");
        reply.close();
        QListWidget *list = m_window->radioPanel->radioList;
        webservice::parseRadioRecommendations(reply.fileName(), m_window->radioStations, *list);
        // The third line opens the third address though its text is the first's; the fourth opens nothing.
        for (int line : {2, 3})
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(line)).center());
        QCOMPARE(m_urls.opened, QList<QUrl>{QUrl("http://c.example/x,y")});
        QCOMPARE(m_server->requestLines(m_requestsBefore), Lines{});
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
