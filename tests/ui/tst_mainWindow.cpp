// The main window offscreen: its state after loading, its layout, the panel switches and the connect
// sequence against a scripted loopback server.
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <tuple>

using S = ScriptedServer;

namespace {

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
    std::unique_ptr<ui::MainWindow> m_window;

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

private Q_SLOTS:
    void initTestCase()
    {
        m_server = new ScriptedServer(this);
        m_environment = std::make_unique<WindowTestEnvironment>("http://" + m_server->hostText() + "/");
    }

    void init()
    {
        m_server->setScript({S::send(okReply(statistics()))});
        m_server->addScript({S::send(okReply(recommended))});
        m_window = std::make_unique<ui::MainWindow>();
        QVERIFY(m_window->isLoaded());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void loadEventState()
    {
        QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
        QCOMPARE(appGlobals::searchPanelShown, false);
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
        m_server->setScript({S::send(okReply(statistics(latest)))});
        m_server->addScript({S::send(okReply(recommended))});
        MessageBoxCatcher boxes;
        const qsizetype before = m_server->requests().size();
        connectToScriptedServer();
        QCOMPARE(boxes.texts(), messages);
        QList<QByteArray> lines;
        for (const QByteArray &request : m_server->requests().mid(before))
            lines << requestLineOf(request);
        QCOMPARE(lines, (QList<QByteArray>{"GET /trelvoStats.php HTTP/1.1",
                                           "GET /recommendedArtists.csv HTTP/1.1"}));

        QCOMPARE(m_window->searchOptionsPanel->genreBox->count(), 3);
        QCOMPARE(m_window->searchOptionsPanel->genreBox->currentText(), "Any");
        QCOMPARE(appGlobals::recommendedArtistNames[2], "Cleo");
        expectServerControls(true);
        QCOMPARE(shownPanels(), searchView);
        QCOMPARE(appGlobals::searchPanelShown, true);
        QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
    }

    void connectFailures_data()
    {
        QTest::addColumn<S::Script>("first");
        QTest::addColumn<S::Script>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("genres"); // the genre list is filled once the statistics arrived
        const S::Script stats{S::send(okReply(statistics()))};
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
                              : S::Script{S::send(httpReply(code, reason, "<html>no</html>"))};
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
        QCOMPARE(appGlobals::searchPanelShown, false);
        // The user may try again.
        QVERIFY(m_window->connectPanel->connectButton->isEnabled());
        QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
    }

    void connectButtonDisabledWhileConnecting()
    {
        // The statistics reply is held back, so the click below lands while the first connect waits.
        m_server->setScript({S::pause(400), S::send(okReply(statistics()))});
        m_server->addScript({S::send(okReply(recommended))});
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
        QCOMPARE(appGlobals::searchPanelShown, shown == searchView);
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
        appLocalisation::lastShopTerm = QStringLiteral("Ann%20%26%20Bob");
        QStringList locales;
        for (QPushButton *store : m_window->shopPanel->storeButtons) {
            // A picture, no caption: the store is named for the screen reader and in the tool tip.
            QVERIFY(store->text().isEmpty() && !store->icon().isNull());
            QVERIFY(!store->accessibleName().isEmpty() && store->toolTip() == store->accessibleName());
            // A click reloads the last term for the new store.
            QTest::mouseClick(store, Qt::LeftButton);
            QCOMPARE(appLocalisation::shopLocale, locales.size() + 1);
            const QString address = m_window->shopPanel->shopBrowser->address();
            QVERIFY(address.startsWith(httpGlobals::serverBaseUrl +
                                       "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale="));
            locales << address.section("locale=", 1);
        }
        QCOMPARE(locales, (QStringList{"uk", "us", "ca", "fr", "de", "jp"}));
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
