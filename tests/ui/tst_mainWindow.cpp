// The main window offscreen against a scripted loopback server: its state after loading, its layout,
// the panel switches and the connect sequence; then the search, tree and radio-list handlers: the
// requests sent, the grid and its caption, the panels, the stations opened.
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
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <memory>
#include <tuple>

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

QByteArray statistics(int latest = 4)
{
    return "engineVersion,3<br>\r\nlatestClientVersion," + QByteArray::number(latest) +
           "<br>\r\ntrackCount,150000<br>\r\nartistCount,40000<br>\r\ngenreCount,2<br>\r\n1,Rock<br>\r\n7,"
           "Jazz<br>\r\n";
}

const QByteArray recommended = "1,\"Ann Arbor\",x,2\r\n2,\"Bob Dylan Tribute\",y,2\r\n3,\"Cleo\",z,1\r\n";

const QStringList searchView{"searchOptionsPanel", "resultsPanel", "currentDownloadPanel", "radioPanel",
                             "similarArtistsCaption"};

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

    // The moving panels that lie inside the window. Apart from the library, which lies in front of
    // them, panels shown together never overlap.
    QStringList shownPanels() const
    {
        QStringList shown;
        QList<QRect> places;
        for (const QString &name :
             QStringList{"connectPanel", "searchOptionsPanel", "resultsPanel", "currentDownloadPanel",
                         "radioPanel", "similarArtistsCaption", "recommendationsPanel", "libraryPanel"}) {
            const QRect place = placeOf(control(name));
            if (!m_window->centralWidget()->rect().intersects(place))
                continue;
            for (const QRect &other : places)
                if (other.intersects(place))
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
        QCOMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
    }

    Lines newRequestLines() const { return m_server->requestLines(m_requestsBefore); }

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

    void search(const QString &text)
    {
        m_search->searchField->setText(text);
        QTest::keyClick(m_search->searchField, Qt::Key_Return);
    }

    // Connected to a server with genres 1..3 and fresh pictures, for the search cases.
    void connectForSearch()
    {
        m_server->setScript(
            ok("trackCount,10<br>\r\nartistCount,5<br>\r\n1,Rock<br>\r\n2,Pop<br>\r\n3,Jazz<br>\r\n"));
        m_server->addScript(ok("1,\"Some Band\",x,1\r\n"));
        m_window->connectPanel->connectButton->click();
        QVERIFY(m_search->searchButton->isEnabled());
        QDir cache(core::settings().imageCacheFolder);
        for (const QString &file : cache.entryList(QDir::Files))
            cache.remove(file);
        m_boxes = new MessageBoxCatcher(m_window.get());
        m_urls.opened.clear();
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
        m_server->setScript({S::send(okResponse(statistics()))});
        m_server->addScript({S::send(okResponse(recommended))});
        m_window = std::make_unique<ui::MainWindow>();
        m_search = m_window->searchOptionsPanel;
        QVERIFY(m_window->isLoaded());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void loadEventState()
    {
        QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
        QCOMPARE(m_window->searchPanelShown, false);
        expectServerControls(false);
        QVERIFY(m_window->connectPanel->connectButton->isEnabled());
        QCOMPARE(shownPanels(), QStringList{"connectPanel"});
    }

    void windowFitsAndNothingIsClipped()
    {
        QVERIFY(m_window->width() <= 1280 && m_window->height() <= 800 - 40);
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        // In every view, each control lies inside its parent and is not squeezed below what it needs.
        m_window->showSearchPanels(true);
        m_window->showRecommendations(true);
        m_window->showLibrary(true);
        QWidget *central = m_window->centralWidget();
        const QList<QWidget *> panels = central->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *panel : panels) {
            QVERIFY2(central->rect().contains(panel->geometry()), qPrintable(panel->objectName()));
            for (QWidget *child : panel->findChildren<QWidget *>()) {
                if (!child->isVisibleTo(m_window.get()) || child->objectName().isEmpty() ||
                    child->objectName().startsWith("qt_"))
                    continue;
                const QSize needed = child->minimumSizeHint();
                QVERIFY2(child->parentWidget()->rect().contains(child->geometry()) &&
                             child->width() >= needed.width() && child->height() >= needed.height(),
                         qPrintable(panel->objectName() + '/' + child->objectName()));
            }
        }
        // The right column never meets the moving panels.
        for (QWidget *fixed : {static_cast<QWidget *>(m_window->similarArtistsPanel->similarArtistsTree),
                               static_cast<QWidget *>(m_window->shopPanel)})
            for (QWidget *panel : panels)
                QVERIFY2(panel == fixed->parentWidget() || panel == fixed ||
                             !placeOf(panel).intersects(placeOf(fixed)),
                         qPrintable(panel->objectName()));
    }

    void connectSucceeds_data()
    {
        QTest::addColumn<int>("latest");
        QTest::addColumn<QStringList>("messages");
        const QString visit =
            " ) of this software is available.\r\nVisit http://" + m_server->hostText() + "/ to get updates";
        QTest::newRow("same version") << 4 << QStringList{};
        QTest::newRow("one newer") << 5 << QStringList{"A newer version ( 1.5" + visit};
        QTest::newRow("two digits") << 10 << QStringList{"A newer version ( 1.10" + visit};
    }

    void connectSucceeds()
    {
        QFETCH(int, latest);
        QFETCH(QStringList, messages);
        m_server->setScript({S::send(okResponse(statistics(latest)))});
        m_server->addScript({S::send(okResponse(recommended))});
        MessageBoxCatcher boxes;
        m_requestsBefore = m_server->requests().size();
        connectToScriptedServer();
        QCOMPARE(boxes.texts(), messages);
        QCOMPARE(newRequestLines(),
                 (Lines{"GET /trelvoStats.php HTTP/1.1", "GET /recommendedArtists.csv HTTP/1.1"}));

        QCOMPARE(m_window->searchOptionsPanel->genreBox->count(), 3);
        QCOMPARE(m_window->searchOptionsPanel->genreBox->currentText(), "Any");
        QCOMPARE(m_window->recommendedArtists.at(2).name, "Cleo");
        expectServerControls(true);
        QCOMPARE(shownPanels(), searchView);
        QCOMPARE(m_window->searchPanelShown, true);
        QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
    }

    void connectFailures_data()
    {
        QTest::addColumn<S::Script>("first");
        QTest::addColumn<S::Script>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("genres"); // the genre list is filled once the statistics arrived
        const S::Script stats{S::send(okResponse(statistics()))};
        for (const auto &[what, text] :
             QList<QPair<QString, QString>>{{"statistics", "connecting to the server"},
                                            {"recommendations", "requesting recommendations"}}) {
            const QList<std::tuple<int, QByteArray, QString>> failures{
                {0, "", "A Socket error occurred while " + text},
                {404, "Not Found",
                 "An error occurred while " + text + "\r\nHTTP Response: 404 = HTTP_NOT_FOUND"},
                {500, "Internal Server Error",
                 "An error occurred while " + text + "\r\nHTTP Response: 500 = HTTP_INTERNAL_SERVER_ERROR"}};
            for (const auto &[code, reason, message] : failures) {
                const S::Script failing =
                    code == 0 ? S::Script{S::close()}
                              : S::Script{S::send(httpResponse(code, reason, "<html>no</html>"))};
                const bool first = what == "statistics";
                QTest::addRow("%s: %d", qPrintable(what), code)
                    << (first ? failing : stats) << (first ? S::Script{S::close()} : failing) << message
                    << (first ? 0 : 3);
            }
        }
    }

    void connectFailures()
    {
        QFETCH(S::Script, first);
        QFETCH(S::Script, second);
        QFETCH(QString, message);
        QFETCH(int, genres);
        m_server->setScript(first);
        m_server->addScript(second);
        MessageBoxCatcher boxes;
        m_window->connectPanel->connectButton->click();

        QCOMPARE(boxes.texts(), QStringList{message});
        QCOMPARE(m_window->windowTitle(), "Sonavex : Connecting to server...");
        QCOMPARE(m_window->searchOptionsPanel->genreBox->count(), genres);
        expectServerControls(false);
        QCOMPARE(shownPanels(), QStringList{"connectPanel"});
        QCOMPARE(m_window->searchPanelShown, false);
        // The user may try again.
        QVERIFY(m_window->connectPanel->connectButton->isEnabled());
        QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
    }

    void connectButtonDisabledWhileConnecting()
    {
        // The statistics reply is held back, so the click below lands while the first connect waits.
        m_server->setScript({S::pause(400), S::send(okResponse(statistics()))});
        m_server->addScript({S::send(okResponse(recommended))});
        const int before = m_server->connectionCount();
        QPushButton *button = m_window->connectPanel->connectButton;
        bool enabledWhileWaiting = true;
        QTimer::singleShot(0, m_window.get(), [&] {
            enabledWhileWaiting = button->isEnabled();
            button->click();
            Q_EMIT button->clicked();
        });
        connectToScriptedServer();
        QVERIFY(!enabledWhileWaiting);
        QCOMPARE(m_server->connectionCount() - before, 2);
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
    }

    void panelSwitches()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, shown);
        connectToScriptedServer();
        for (const QString &name : clicks)
            QTest::mouseClick(qobject_cast<QPushButton *>(control(name)), Qt::LeftButton);
        QCOMPARE(shownPanels(), shown);
        QCOMPARE(m_window->searchPanelShown, shown == searchView);
    }

    void libraryPanelLiesInFront()
    {
        connectToScriptedServer();
        QWidget *central = m_window->centralWidget();
        const QPoint insideSearch = m_window->searchOptionsPanel->geometry().center();
        const auto panelInFront = [&] {
            QWidget *top = central->childAt(insideSearch);
            while (top && top->parentWidget() != central)
                top = top->parentWidget();
            return top;
        };
        // The search panels stay where they are; the library covers them, and nothing of them shows through.
        m_window->showLibrary(true);
        QCOMPARE(panelInFront(), m_window->libraryPanel);
        const QRect searchArea =
            m_window->searchOptionsPanel->geometry().united(m_window->resultsPanel->geometry());
        const QImage covered = central->grab(searchArea).toImage();
        m_window->showSearchPanels(false);
        QCOMPARE(central->grab(searchArea).toImage(), covered);
        m_window->showSearchPanels(true);

        QTest::mouseClick(m_window->libraryPanel->libraryBackButton, Qt::LeftButton);
        QCOMPARE(panelInFront(), m_window->searchOptionsPanel);
    }

    void storeButtonsInStoreOrder()
    {
        connectToScriptedServer();
        m_window->shopSuggestions.lastTerm = QStringLiteral("Ann%20%26%20Bob");
        QStringList locales;
        for (QPushButton *store : m_window->shopPanel->storeButtons) {
            // A picture, no caption: the store is named for the screen reader and in the tool tip.
            QVERIFY(store->text().isEmpty() && !store->icon().isNull());
            QVERIFY(!store->accessibleName().isEmpty() && store->toolTip() == store->accessibleName());
            // A click reloads the last term for the new store.
            QTest::mouseClick(store, Qt::LeftButton);
            QCOMPARE(m_window->shopSuggestions.country, locales.size() + 1);
            const QString address = m_window->shopPanel->shopBrowser->address();
            QVERIFY(address.startsWith(core::settings().serverBaseUrl +
                                       "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale="));
            locales << address.section("locale=", 1);
        }
        QCOMPARE(locales, (QStringList{"uk", "us", "ca", "fr", "de", "jp"}));
    }
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
        connectForSearch();
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
        QCOMPARE(m_search->queryAddressField->text(), core::settings().serverBaseUrl.chopped(1) +
                                                          QString::fromLatin1(line.mid(4, line.size() - 13)));
        QVERIFY(m_server->requests()
                    .at(m_requestsBefore)
                    .contains("\r\nReferer: " + core::settings().serverBaseUrl.toLatin1() + "\r\n"));
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
        connectForSearch();
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
            QCOMPARE(m_window->searchResults.at(i).source, rows.at(i).at(3));
        }
        QCOMPARE(gridRow(int(rows.size()) + 1), (QStringList{"", "", ""}));
        QCOMPARE(m_window->searchResults.count(), int(rows.size()));
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
        connectForSearch();
        QFETCH(QString, tree);
        QFETCH(QString, node);
        QFETCH(bool, switches);
        QFETCH(Lines, requests);
        m_search->recommendationsButton->click();
        QCOMPARE(shownPanels(), QStringList{"recommendationsPanel"});
        m_server->setScript(ok("Some Band,1,Song,http://src/9\r\n"));
        m_server->addScript(ok(jpegBytes()));
        clickNode(*m_window->findChild<QTreeWidget *>(tree), node);
        QCOMPARE(m_boxes->count(), 0);
        QCOMPARE(shownPanels(), switches ? searchView : QStringList{"recommendationsPanel"});
        QCOMPARE(m_window->searchPanelShown, switches);
        QCOMPARE(m_search->searchField->text(), node.trimmed());
        QCOMPARE(newRequestLines(), requests);
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 1 free track found");
        QVERIFY(!m_search->searchArtistPicture->pixmap().isNull());
    }

    void treeClickDuringASearchTakesOver()
    {
        connectForSearch();
        // The first reply is held back; a tree click searches another artist while it waits.
        m_server->setScript({S::pause(400), S::send(okResponse("Old,1,Slow,u1\r\n"))});
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
        QCOMPARE(m_window->searchResults.count(), 2);
        QVERIFY(m_search->queryAddressField->text().endsWith("artist=New%&track="));
    }

    void radioLineClickOpensItsAddress()
    {
        connectForSearch();
        QTemporaryDir dir;
        QFile reply(dir.filePath("radio.html"));
        QVERIFY(reply.open(QIODevice::WriteOnly));
        reply.write("1,Alpha,http://a.example/1<br>\r\n2,Beta,http://b.example/2\r\n"
                    "3,Alpha,http://c.example/x,y<br>\r\n4,Silent,<br>\r\n");
        reply.close();
        QListWidget *list = m_window->radioPanel->radioList;
        webservice::parseRadioRecommendations(reply.fileName(), m_window->radioStations, *list);
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

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
