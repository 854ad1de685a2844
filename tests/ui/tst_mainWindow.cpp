// The main window against a scripted loopback server: layout, keyboard, connect, views, search, radio.
#include "windowTestEnvironment.h"

#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/webBrowserControl.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"
#include "ui/trackChooser.h"
#include "webservice/radio.h"

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <algorithm>
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

const S::Script notFound = S::status(404, "Not Found"), closed{S::close()};
const S::Script statistics = connectReplies().first(), recommended = connectReplies().last();

// Object names, blank-separated.
const auto names = [](const char *list) { return QString::fromLatin1(list).split(' '); };

const QStringList searchView = names("searchOptionsPanel resultsPanel currentDownloadPanel radioPanel "
                                     "similarArtistsCaption");
const QStringList connectView{"connectPanel"};
const QStringList recommendationsView{"recommendationsPanel"};
const QStringList libraryView{"similarArtistsCaption", "libraryPanel"};
const QStringList stores =
    names("ukStoreButton usStoreButton caStoreButton frStoreButton deStoreButton jpStoreButton");

// The controls only a connected window enables.
const QStringList serverControls =
    names("genreBox recommendationsButton similarArtistsButton searchButton searchKindTabs resultsGrid") +
    stores;

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

    // The panels of the views that are showing; the others are hidden.
    QStringList shownPanels() const
    {
        QStringList shown;
        for (const QString &name : connectView + searchView + recommendationsView + libraryView)
            if (control(name)->isVisible() && !shown.contains(name))
                shown << name;
        return shown;
    }

    // The controls Tab visits from the focused one until it is back there.
    static QStringList tabCycle()
    {
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
             QApplication::focusWidget()->objectName() != visited.first() && visited.size() < 40;
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            visited << QApplication::focusWidget()->objectName();
        return visited;
    }

    void expectServerControls(bool enabled)
    {
        for (const QString &name : serverControls)
            QVERIFY2(control(name)->isEnabled() == enabled, qPrintable(name));
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

    // A click on the node, or Return on it.
    void pickNode(QTreeWidget &tree, const QString &name, bool byKey)
    {
        QTreeWidgetItem *node = platform::addTreeNode(tree, name, name, nullptr, {});
        tree.setCurrentItem(node);
        byKey ? QTest::keyClick(&tree, Qt::Key_Return)
              : QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }

    void enter(const QString &text)
    {
        m_search->searchField->setText(text);
        QTest::keyClick(m_search->searchField, Qt::Key_Return);
    }

    // The search's picture is fetched after the grid is filled; the next request waits for it.
    static void awaitSearchPicture(http::Slot slot = http::Slot::ChooserPicture)
    {
        using State = http::SlotRecord::State;
        const auto busy = {State::Connecting, State::Connected, State::RequestSent, State::Receiving};
        QTRY_VERIFY(std::find(busy.begin(), busy.end(), http::slotRecord(slot).state) == busy.end());
    }

    // Connected, for the search cases; each fetches pictures of its own names.
    void connectForSearch()
    {
        m_window->connectPanel->connectButton->click();
        QTRY_COMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
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
        m_server->setScripts(connectReplies());
        m_window = std::make_unique<ui::MainWindow>();
        m_search = m_window->searchOptionsPanel;
        QVERIFY(m_window->isLoaded());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        m_urls.opened.clear();
    }

    void cleanup() { m_window.reset(); }

    void loadedWindowFitsAndNothingIsClipped()
    {
        QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
        expectServerControls(false);
        // The window's first size at most; a larger window gives the lists and the shop the room.
        const QSize least = m_window->minimumSize();
        QVERIFY2(least.width() <= 1064 && least.height() <= 688, qPrintable(QString::number(least.width())));
        const QStringList growing =
            names("resultsGrid similarArtistsTree shopBrowser libraryList recommendedArtistsTree");
        QMap<QString, QSize> sizes[2]; // at the least size and larger
        for (int state = 0; state < 8; ++state) {
            const bool bigger = state >= 4;
            m_window->resize(bigger ? QSize(1600, 1000) : least);
            m_window->showView(ui::MainWindow::View(state % 4 % 3)); // connect, search, recommendations
            m_window->showLibrary(state % 4 == 3);
            QApplication::processEvents(); // lays out what was just shown
            // Each visible control lies inside its parent and is not squeezed below what it needs.
            for (QWidget *child : m_window->centralWidget()->findChildren<QWidget *>()) {
                if (!child->isVisible() || child->objectName().isEmpty() ||
                    child->objectName().startsWith("qt_"))
                    continue;
                sizes[bigger].insert(child->objectName(), child->size());
                const QSize needed = child->minimumSizeHint();
                QVERIFY2(child->parentWidget()->rect().contains(child->geometry()) &&
                             child->width() >= needed.width() && child->height() >= needed.height(),
                         qPrintable(child->parentWidget()->objectName() + '/' + child->objectName()));
            }
        }
        for (const QString &name : growing) // wider and taller
            QVERIFY2((sizes[1][name] - sizes[0][name]).boundedTo(QSize(1, 1)) == QSize(1, 1),
                     qPrintable(name));
        // A screen reader hears the playback times themselves, and what they are.
        for (QLabel *time : {m_window->libraryPanel->positionLabel, m_window->libraryPanel->lengthLabel})
            QCOMPARE(QAccessible::queryAccessibleInterface(time)->text(QAccessible::Name), "0:00");
        QCOMPARE(QAccessible::queryAccessibleInterface(m_window->libraryPanel->lengthLabel)
                     ->text(QAccessible::Description),
                 "Length");
    }

    void viewsAndTheirTabOrder_data()
    {
        QTest::addColumn<QStringList>("presses"); // buttons pressed from the keyboard, Connect first
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("cycle"); // what Tab visits, in reading order
        // The right column comes after the left one in every view once connected.
        const QStringList right = QStringList{"similarArtistsTree"} + stores;
        const QStringList search =
            names("searchField searchButton genreBox queryAddressField similarArtistsButton resultsGrid "
                  "currentDownloadField receivedField rateField cancelButton downloadQueueList radioList") +
            right + names("searchKindTabs myMusicButton recommendationsButton");
        const QStringList recommendations =
            names("electronicGenrePicture urbanGenrePicture rockGenrePicture recommendedArtistsTree "
                  "backToSearchButton") +
            right;
        const QStringList library =
            names("libraryList playButton pauseButton stopButton positionSlider libraryBackButton") + right;
        QTest::newRow("connect") << QStringList{} << connectView << names("connectButton");
        QTest::newRow("search") << names("connectButton") << searchView << search;
        QTest::newRow("recommendations")
            << names("connectButton recommendationsButton") << recommendationsView << recommendations;
        QTest::newRow("go back to search")
            << names("connectButton recommendationsButton backToSearchButton") << searchView << search;
        QTest::newRow("my music") << names("connectButton myMusicButton") << libraryView << library;
        QTest::newRow("my music, Ctrl+F")
            << names("connectButton myMusicButton Ctrl+F") << searchView << search;
        QTest::newRow("my music, back")
            << names("connectButton myMusicButton libraryBackButton") << searchView << search;
    }

    void viewsAndTheirTabOrder()
    {
        QFETCH(QStringList, presses);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, cycle);
        // Tab reaches Connect and Return on it connects.
        for (const QString &name : presses) {
            const bool find = name == "Ctrl+F"; // wherever the focus is
            QWidget *target = find ? QApplication::focusWidget() : control(name);
            QVERIFY2(target->isVisible(), qPrintable(name));
            target->setFocus();
            QTest::keyClick(target, find ? Qt::Key_F : Qt::Key_Return,
                            find ? Qt::ControlModifier : Qt::NoModifier);
            if (name == "connectButton")
                QTRY_COMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
        }
        QCOMPARE(shownPanels(), shown);
        // A view shown again starts where the user left it; the order is the same.
        QStringList visited = tabCycle();
        std::rotate(visited.begin(), std::find(visited.begin(), visited.end(), cycle.first()), visited.end());
        QCOMPARE(visited, cycle);
        // Each store asks for the last term in its own locale: "ukStoreButton" for "uk" and so on.
        const QString shop =
            core::settings().serverBaseUrl + "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=";
        m_window->shopSuggestions.lastTerm = QStringLiteral("Ann%20%26%20Bob");
        for (QPushButton *store : m_window->shopPanel->storeButtons) {
            QTest::keyClick(store, Qt::Key_Return);
            QCOMPARE(m_window->shopPanel->shopBrowser->address() == shop + store->objectName().chopped(11),
                     !presses.isEmpty());
        }
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
        QTest::newRow("same version") << statistics << recommended << "" << 2;
        QTest::newRow("two digits") << connectReplies(10).first() << recommended
                                    << "A newer version ( 1.10" + visit << 2;
        QTest::newRow("statistics: closed")
            << closed << closed << "A Socket error occurred while connecting to the server" << 0;
        QTest::newRow("statistics: 404")
            << notFound << closed << failed.arg(u"connecting to the server", u"404 = HTTP_NOT_FOUND") << 0;
        QTest::newRow("recommendations: closed")
            << statistics << closed << "A Socket error occurred while requesting recommendations" << 1;
        // Meanwhile no search can start; a request that takes the slot over ends the connect quietly.
        QTest::newRow("taken over") << S::Script{S::silence()} << notFound << "" << 0;
        QTest::newRow("recommendations: 500")
            << statistics << S::Script{S::send(httpResponse(500, "Internal Server Error", "<html>no</html>"))}
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
        const bool takenOver = qstrcmp(QTest::currentDataTag(), "taken over") == 0;
        if (takenOver)
            once(m_server, &ScriptedServer::requestReceived, [this] {
                QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
                QTest::keyClicks(m_search->searchField, "abc\r");
                (void)http::fetchUrl("http://" + m_server->hostText() + "/other", "", "",
                                     *m_window->serviceSocket, core::settings().tempFolder + "other",
                                     http::Slot::Service);
            });
        bool enabledWhileWaiting = true;
        QTimer::singleShot(0, m_window.get(), [&] {
            enabledWhileWaiting = button->isEnabled();
            button->click();
            Q_EMIT button->clicked();
        });
        button->click();
        QTRY_VERIFY(button->isEnabled());
        QVERIFY(!enabledWhileWaiting);
        QTRY_COMPARE(m_server->connectionCount() - connections, repliesRead > 0 || takenOver ? 2 : 1);
        QCOMPARE(m_search->searchField->text(), "");

        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_window->windowTitle(),
                 QLatin1String(connects ? "Sonavex : searching 150000 tracks from 40000 artists"
                                        : "Sonavex : Not connected to server"));
        // The keyboard is where the user goes on: the search field, or Connect to try again.
        QCOMPARE(m_window->focusWidget()->objectName(),
                 QLatin1String(connects ? "searchField" : "connectButton"));
        QCOMPARE(m_search->genreBox->count(), repliesRead > 0 ? 3 : 0);
        expectServerControls(connects);
        QCOMPARE(shownPanels(), connects ? searchView : connectView);
        QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
        if (!connects)
            return;
        QCOMPARE(m_server->requestLines(m_requestsBefore),
                 (Lines{"GET /trelvoStats.php HTTP/1.1", "GET /recommendedArtists.csv HTTP/1.1"}));
        QCOMPARE(m_search->genreBox->currentText(), "Any");
        QCOMPARE(m_window->recommendedArtists.at(2).name, "Cleo");
    }

    void search_data()
    {
        // The search button, Enter, or a node of the named tree (clicked, or by Return).
        QTest::addColumn<QString>("via");
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
        const QString byArtist = "Search Results : Search (by Artist) failed.";
        QTest::newRow("button, title, genre 2")
            << "button" << 2 << 2 << "rock and roll"
            << lines("trelvoTracksByTitle.php?genre=2&artist=&track=rock%20and%20roll%", "rock%20and%20roll")
            << searchView << S::ok("Ann,7,Blue,http://src/1<br>\r\n") << "Search Results : 1 free track found"
            << QList<QStringList>{{"Ann", "Blue", "Jazz", "http://src/1"}} << "";
        // Lines of 3 or 5 fields and empty artists are skipped, a bad genre id stays empty, only "<br>" goes.
        QTest::newRow("enter, artist, any genre")
            << "enter" << 1 << 0 << "salt & pepper"
            << lines("trelvoTracksByArtist.php?genre=0&artist=salt%20%26%20pepper%&track=",
                     "salt%20%26%20pepper")
            << searchView
            << S::ok("<p>\r\nAnn,7,Blue,u1<br>\r\nx,1,three\r\nA,1,B,C,five\r\n,1,No "
                     "artist,u9\r\nRen\351e Vald\351s,x,Blue & Green,u2<BR>\r\n")
            << "Search Results : 2 free tracks found"
            << QList<QStringList>{{"Ann", "Blue", "Jazz", "u1"},
                                  {"Ren\u00E9e Vald\u00E9s", "Blue & Green", "", "u2<BR>"}}
            << "";
        QTest::newRow("keyword, no percent")
            << "enter" << 0 << 1 << "a b"
            << lines("trelvoTracksByKeyword.php?genre=1&keyword=a%20b&track=", "a%20b") << searchView
            << S::ok("") << "Search Results : 0 free tracks found" << QList<QStringList>{} << "";
        QTest::newRow("two letters refused, the grid stays")
            << "enter" << 0 << 0 << "ab" << Lines{} << searchView << S::ok("")
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
            << "similarArtistsTree+Return" << 2 << 0 << "Al"
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
        m_server->setScripts({S::ok("Old,1,Gone,u\r\nOld,1,Gone,u\r\n"), notFound});
        QSignalSpy finished(m_window.get(), &ui::MainWindow::searchFinished);
        enter("first");
        QVERIFY(finished.wait());
        awaitSearchPicture();
        finished.clear();
        m_requestsBefore = m_server->requests().size();
        m_search->searchKindTabs->setCurrentIndex(tab);
        m_search->genreBox->setCurrentIndex(genre);
        m_server->setScripts({reply, S::ok(jpegBytes())});
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
            pickNode(*m_window->findChild<QTreeWidget *>(via.section('+', 0, 0)), text,
                     via.endsWith("Return"));
        }
        // A refused search starts nothing, so it never finishes.
        if (!requests.isEmpty())
            QTRY_COMPARE(finished.count(), 1);
        awaitSearchPicture();
        QCOMPARE(m_server->requestLines(m_requestsBefore), requests);
        QCOMPARE(shownPanels(), shown);
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
        QCOMPARE(m_search->queryAddressField->text(), echoOf(requests.first()));
        QVERIFY(m_server->requests()
                    .at(m_requestsBefore)
                    .contains("\r\nReferer: " + core::settings().serverBaseUrl.toLatin1() + "\r\n"));
        QTRY_VERIFY(!m_search->searchArtistPicture->pixmap().isNull());
        if (rows.isEmpty())
            return;
        // Return or Space on the last row opens its chooser, '&' no mnemonic; Escape forgets it.
        QTableWidget *grid = m_window->resultsPanel->resultsGrid;
        grid->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < rows.size(); ++i)
            QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, rows.size() > 1 ? Qt::Key_Space : Qt::Key_Return);
        ui::TrackChooser *chooser = m_window->chooser();
        QCOMPARE(QAccessible::queryAccessibleInterface(chooser->downloadOption)->text(QAccessible::Name),
                 "Download " + rows.last()[1]);
        QCOMPARE(QAccessible::queryAccessibleInterface(chooser->webSearchOption)->text(QAccessible::Name),
                 "Google for " + rows.last()[0]);
        awaitSearchPicture(http::Slot::PlayerPicture); // the next test's requests come after it
        QTest::keyClick(chooser, Qt::Key_Escape);
        QVERIFY(chooser->chosenAction == "forget" && m_window->downloadQueue.isEmpty());
    }

    void treeClickDuringASearchTakesOver()
    {
        connectForSearch();
        // The first reply is held back; a tree click searches another artist while it waits.
        m_server->setScripts({{S::pause(400), S::send(okResponse("Old,1,Slow,u1\r\n"))},
                              S::ok("New,7,Fast,u2\r\nNew,7,Faster,u3\r\n"),
                              notFound});
        once(m_server, &ScriptedServer::requestReceived,
             [this] { pickNode(*m_window->similarArtistsPanel->similarArtistsTree, "New", false); });
        QSignalSpy finished(m_window.get(), &ui::MainWindow::searchFinished);
        enter("Old");
        // Only the newer search finishes.
        QVERIFY(finished.wait());
        awaitSearchPicture();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_boxes->texts(), QStringList{});
        QCOMPARE(m_window->resultsPanel->title(), "Search Results : 2 free tracks found");
        QCOMPARE(gridRow(1), (QStringList{"New", "Fast", "Jazz"}));
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
        // Return on a line does what a click does.
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(m_urls.opened, (QList<QUrl>{QUrl("http://c.example/x,y"), QUrl("http://a.example/1")}));
        QCOMPARE(m_server->requestLines(m_requestsBefore), Lines{});
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
