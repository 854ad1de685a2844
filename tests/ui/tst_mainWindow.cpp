// The main window offscreen: its state after loading, its layout, the panel switches and the connect
// sequence against a scripted loopback server.
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "ui/clickableLabel.h"
#include "ui/layout.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

// Which panel is where, as (object name, top edge in the window).
using Tops = QList<QPair<QString, int>>;
const Tops searchView{{"searchOptionsPanel", 8}, {"resultsPanel", 144},         {"currentDownloadPanel", 528},
                      {"radioPanel", 528},       {"similarArtistsCaption", 16}, {"recommendationsPanel", 700},
                      {"connectPanel", 700},     {"libraryPanel", 700}};
const Tops recommendationsView{{"searchOptionsPanel", 700},    {"resultsPanel", 700},
                               {"currentDownloadPanel", 700},  {"radioPanel", 700},
                               {"similarArtistsCaption", 700}, {"recommendationsPanel", 8},
                               {"connectPanel", 700},          {"libraryPanel", 700}};

const Tops loadedView{{"connectPanel", 8},           {"searchOptionsPanel", 700},
                      {"resultsPanel", 700},         {"currentDownloadPanel", 700},
                      {"radioPanel", 700},           {"similarArtistsCaption", 700},
                      {"recommendationsPanel", 700}, {"libraryPanel", 700}};

// The controls a connect enables.
const QStringList connectedControls{"genreBox",      "recommendationsButton", "similarArtistsButton",
                                    "searchButton",  "searchKindTabs",        "resultsGrid",
                                    "ukStoreButton", "caStoreButton",         "frStoreButton",
                                    "deStoreButton", "jpStoreButton",         "usStoreButton"};

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadEventState();
    void windowFitsAndNothingIsClipped();
    void connectSucceeds_data();
    void connectSucceeds();
    void connectFailures_data();
    void connectFailures();
    void connectButtonDisabledWhileConnecting();
    void panelSwitches_data();
    void panelSwitches();
    void libraryFrameLiesInFront();
    void countryButtons_data();
    void countryButtons();

private:
    void connectToScriptedServer();
    void compareTops(const Tops &tops) const;
    int topOf(QWidget *widget) const { return widget->mapTo(m_window->centralWidget(), QPoint()).y(); }
    QWidget *control(const QString &name) const { return m_window->findChild<QWidget *>(name); }

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    std::unique_ptr<ui::MainWindow> m_window;
};

void tst_mainWindow::initTestCase()
{
    m_server = new ScriptedServer(this);
    m_environment =
        std::make_unique<WindowTestEnvironment>(QStringLiteral("http://%1/").arg(m_server->hostText()));
}

void tst_mainWindow::init()
{
    m_server->setScript({S::send(okReply(statistics()))});
    m_server->addScript({S::send(okReply(recommended))});
    m_window = std::make_unique<ui::MainWindow>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_mainWindow::cleanup()
{
    m_window.reset();
}

void tst_mainWindow::connectToScriptedServer()
{
    m_window->connectPanel->connectButton->click();
    QCOMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
}

void tst_mainWindow::compareTops(const Tops &tops) const
{
    for (const auto &[name, top] : tops)
        QVERIFY2(topOf(control(name)) == top, qPrintable(name));
}

void tst_mainWindow::loadEventState()
{
    QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
    QCOMPARE(appGlobals::searchPanelShown, false);
    for (const QString &name : connectedControls)
        QVERIFY2(!control(name)->isEnabled(), qPrintable(name));
    QVERIFY(m_window->connectPanel->connectButton->isEnabled());
    compareTops(loadedView);

    // Captions, then the names pictures are announced by, as "object:text".
    const QStringList captions =
        QStringLiteral(
            "libraryPanel:Your music library|nowPlayingFrame:Now Playing|playbackFrame:Playback "
            "Controls|positionLabel:0:00|"
            "lengthLabel:0:00|nowPlayingArtist:|nowPlayingTrack:|libraryBackButton:back to search|"
            "connectPanel:Please connect to the server|recommendationsPanel:What are you looking for?|"
            "backToSearchButton:go back to search|rockGenreCaption:Rock, Indie, Everything "
            "Else|urbanGenreCaption:Urban|"
            "electronicGenreCaption:Electronic and Dance|radioPanel:Radio "
            "Recommendations|currentDownloadPanel:Current Download|"
            "cancelButton:cancel|receivedUnitLabel:KB|rateUnitLabel:KB/s|searchOptionsPanel:Search "
            "Options|myMusicButton:my music|"
            "recommendationsButton:recommendations|searchButton:search for music|similarArtistsButton:find "
            "similar artists|"
            "searchFieldLabel:Search For|queryAddressLabel:( URL "
            ")|genreLabel:Genre|similarArtistsCaption:Similar Artists : None so far|"
            "connectButton:Connect|resultsPanel:Search Results : None so far")
            .split('|');
    for (const QString &entry : captions) {
        const QObject *widget = control(entry.section(':', 0, 0));
        const QVariant title = widget->property("title");
        QCOMPARE((title.isValid() ? title : widget->property("text")).toString(), entry.section(':', 1));
    }
    const QStringList announced =
        QStringLiteral("electronicGenrePicture:Electronic and "
                       "Dance|urbanGenrePicture:Urban|rockGenrePicture:Rock, Indie, Everything Else|"
                       "searchArtistPicture:Artist picture|playerArtistPicture:Artist picture")
            .split('|');
    for (const QString &entry : announced)
        QCOMPARE(control(entry.section(':', 0, 0))->accessibleName(), entry.section(':', 1));
    // Each field is announced by its label.
    QCOMPARE(m_window->searchOptionsPanel->searchFieldLabel->buddy(),
             m_window->searchOptionsPanel->searchField);
    QCOMPARE(m_window->searchOptionsPanel->queryAddressLabel->buddy(),
             m_window->searchOptionsPanel->queryAddressField);
    QCOMPARE(m_window->searchOptionsPanel->genreLabel->buddy(), m_window->searchOptionsPanel->genreBox);

    // Relevance icons: eleven solid squares, red = 25 * n.
    QCOMPARE(m_window->similarArtistsPanel->relevanceIcons->count(), 11);
    for (int n = 0; n <= 10; ++n) {
        const QImage icon =
            m_window->similarArtistsPanel->relevanceIcons->picture(QStringLiteral("level_%1").arg(n))
                .toImage();
        QCOMPARE(icon.size(), QSize(15, 15));
        QCOMPARE(icon.pixelColor(14, 14), QColor(25 * n, 0, 0));
    }
}

void tst_mainWindow::windowFitsAndNothingIsClipped()
{
    QVERIFY(m_window->width() <= 1280);
    QVERIFY(m_window->height() <= 800 - 40);
    // A panel moved to the hidden top edge must be out of sight.
    QVERIFY(m_window->centralWidget()->height() < 700);
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());

    // In every view, each control lies inside its parent and is not squeezed below what it needs.
    const QList<QGroupBox *> panels{m_window->connectPanel, m_window->searchOptionsPanel,
                                    m_window->resultsPanel, m_window->currentDownloadPanel,
                                    m_window->radioPanel,   m_window->recommendationsPanel,
                                    m_window->libraryPanel};
    m_window->showSearchPanels(true);
    m_window->showRecommendations(true);
    m_window->showLibrary(true);
    for (QGroupBox *panel : panels) {
        QVERIFY2(m_window->centralWidget()->rect().contains(panel->geometry()),
                 qPrintable(panel->objectName()));
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
    for (QWidget *fixed : std::initializer_list<QWidget *>{
             m_window->similarArtistsPanel->similarArtistsTree, m_window->shopPanel->storeButtons[0],
             m_window->shopPanel->storeButtons[5], m_window->shopPanel->shopBrowser,
             m_window->similarArtistsPanel->similarArtistsCaption}) {
        const QRect area(fixed->mapTo(m_window->centralWidget(), QPoint()), fixed->size());
        for (QGroupBox *panel : panels)
            QVERIFY2(!panel->geometry().intersects(area), qPrintable(fixed->objectName()));
        QVERIFY(m_window->centralWidget()->rect().contains(area));
    }
}

void tst_mainWindow::connectSucceeds_data()
{
    QTest::addColumn<int>("latest");
    QTest::addColumn<QStringList>("messages");
    const QString visit =
        " ) of this software is available.\r\nVisit http://" + m_server->hostText() + "/ to get updates";
    QTest::newRow("same version") << 4 << QStringList{};
    QTest::newRow("one newer") << 5 << QStringList{"A newer version ( 1.5" + visit};
    QTest::newRow("two digits") << 10 << QStringList{"A newer version ( 1.10" + visit};
}

void tst_mainWindow::connectSucceeds()
{
    QFETCH(int, latest);
    QFETCH(QStringList, messages);
    m_server->setScript({S::send(okReply(statistics(latest)))});
    m_server->addScript({S::send(okReply(recommended))});
    MessageBoxCatcher boxes;
    const int before = int(m_server->requests().size());
    connectToScriptedServer();
    QCOMPARE(boxes.texts(), messages);

    // Both requests, to the byte.
    const QList<QByteArray> requests = m_server->requests().mid(before);
    QCOMPARE(requests.size(), 2);
    const QByteArray host = m_server->hostText().toLatin1();
    const QByteArray tail = "Host: " + host +
                            "\r\nUser-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.0; en-GB; rv:1.7.12) "
                            "Gecko/20050919 Firefox/1.0.7\r\n"
                            "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
                            "text/plain;q=0.8,image/png,*/*;q=0.5\r\n"
                            "Accept-Language: en-gb,en;q=0.5\r\n"
                            "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
                            "Keep-Alive: 300\r\n"
                            "Connection: Keep-Alive\r\n"
                            "Referer: http://" +
                            host + "/\r\n\r\n";
    QCOMPARE(requests[0], "GET /trelvoStats.php HTTP/1.1\r\n" + tail);
    QCOMPARE(requests[1], "GET /recommendedArtists.csv HTTP/1.1\r\n" + tail);

    QCOMPARE(m_window->searchOptionsPanel->genreBox->count(), 3);
    QCOMPARE(m_window->searchOptionsPanel->genreBox->itemText(0), "Any");
    QCOMPARE(m_window->searchOptionsPanel->genreBox->currentIndex(), 0);
    QCOMPARE(appGlobals::recommendedArtistNames[2], "Cleo");
    for (const QString &name : connectedControls + QStringList{"connectButton"})
        QVERIFY2(control(name)->isEnabled(), qPrintable(name));
    compareTops(searchView);
    QCOMPARE(appGlobals::searchPanelShown, true);
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
}

void tst_mainWindow::connectFailures_data()
{
    QTest::addColumn<S::Script>("first");
    QTest::addColumn<S::Script>("second");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("genres"); // the genre list is filled once the statistics arrived
    const S::Script stats{S::send(okReply(statistics()))};
    for (const auto &[what, text] : QList<QPair<QString, QString>>{
             {"statistics", "connecting to the server"}, {"recommendations", "requesting recommendations"}}) {
        const QList<std::tuple<int, QByteArray, QString>> failures{
            {0, "", "A Socket error occurred while " + text},
            {404, "Not Found", "An error occurred while " + text + "\r\nHTTP Response: 404 = HTTP_NOT_FOUND"},
            {500, "Internal Server Error",
             "An error occurred while " + text + "\r\nHTTP Response: 500 = HTTP_INTERNAL_SERVER_ERROR"}};
        for (const auto &[code, reason, message] : failures) {
            const S::Script failing = code == 0
                                          ? S::Script{S::close()}
                                          : S::Script{S::send(httpReply(code, reason, "<html>no</html>"))};
            const bool first = what == "statistics";
            QTest::addRow("%s: %d", qPrintable(what), code)
                << (first ? failing : stats) << (first ? S::Script{S::close()} : failing) << message
                << (first ? 0 : 3);
        }
    }
}

void tst_mainWindow::connectFailures()
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
    for (const QString &name : connectedControls)
        QVERIFY2(!control(name)->isEnabled(), qPrintable(name));
    compareTops({{"connectPanel", 8}, {"searchOptionsPanel", 700}});
    QCOMPARE(appGlobals::searchPanelShown, false);
    // The user may try again.
    QVERIFY(m_window->connectPanel->connectButton->isEnabled());
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
}

void tst_mainWindow::connectButtonDisabledWhileConnecting()
{
    // The statistics reply is held back, so the click below lands while the first connect waits.
    m_server->setScript({S::pause(400), S::send(okReply(statistics()))});
    m_server->addScript({S::send(okReply(recommended))});
    const int before = m_server->connectionCount();
    bool enabledWhileWaiting = true;
    QTimer::singleShot(0, m_window.get(), [&] {
        enabledWhileWaiting = m_window->connectPanel->connectButton->isEnabled();
        m_window->connectPanel->connectButton->click();
        Q_EMIT m_window->connectPanel->connectButton->clicked();
    });
    connectToScriptedServer();
    QVERIFY(!enabledWhileWaiting);
    QCOMPARE(m_server->connectionCount() - before, 2);
}

void tst_mainWindow::panelSwitches_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<Tops>("tops");
    QTest::addColumn<bool>("searchShown");
    QTest::newRow("recommendations") << QStringList{"recommendationsButton"} << recommendationsView << false;
    QTest::newRow("recommendations twice")
        << QStringList{"recommendationsButton", "recommendationsButton"} << searchView << true;
    QTest::newRow("go back to search")
        << QStringList{"recommendationsButton", "backToSearchButton"} << searchView << true;
    QTest::newRow("go back while searching") << QStringList{"backToSearchButton"} << searchView << true;
    QTest::newRow("back to search without library") << QStringList{"libraryBackButton"} << searchView << true;
    QTest::newRow("back to search over recommendations")
        << QStringList{"recommendationsButton", "libraryBackButton", "libraryBackButton"}
        << recommendationsView << false;
}

void tst_mainWindow::panelSwitches()
{
    QFETCH(QStringList, clicks);
    QFETCH(Tops, tops);
    QFETCH(bool, searchShown);
    connectToScriptedServer();
    for (const QString &name : clicks)
        QTest::mouseClick(qobject_cast<QPushButton *>(control(name)), Qt::LeftButton);
    compareTops(tops);
    QCOMPARE(appGlobals::searchPanelShown, searchShown);
}

void tst_mainWindow::libraryFrameLiesInFront()
{
    connectToScriptedServer();
    const QPoint insideSearch = m_window->searchOptionsPanel->geometry().center();
    const auto panelInFront = [&] {
        QWidget *top = m_window->centralWidget()->childAt(insideSearch);
        while (top && top->parentWidget() != m_window->centralWidget())
            top = top->parentWidget();
        return top;
    };
    // The search panels stay where they are; the library covers them, and nothing of them shows through.
    m_window->showLibrary(true);
    QCOMPARE(topOf(m_window->searchOptionsPanel), 8);
    QCOMPARE(panelInFront(), m_window->libraryPanel);
    const QRect searchArea =
        m_window->searchOptionsPanel->geometry().united(m_window->resultsPanel->geometry());
    const QImage covered = m_window->centralWidget()->grab(searchArea).toImage();
    m_window->showSearchPanels(false);
    QCOMPARE(m_window->centralWidget()->grab(searchArea).toImage(), covered);
    m_window->showSearchPanels(true);

    QTest::mouseClick(m_window->libraryPanel->libraryBackButton, Qt::LeftButton);
    QCOMPARE(topOf(m_window->libraryPanel), 700);
    QCOMPARE(panelInFront(), m_window->searchOptionsPanel);
}

void tst_mainWindow::countryButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("store");
    QTest::addColumn<int>("country");
    QTest::addColumn<QString>("code");
    const QList<std::tuple<QString, QString, QString>> buttons{
        {"ukStoreButton", "UK store", "uk"},      {"usStoreButton", "US store", "us"},
        {"caStoreButton", "Canada store", "ca"},  {"frStoreButton", "France store", "fr"},
        {"deStoreButton", "Germany store", "de"}, {"jpStoreButton", "Japan store", "jp"}};
    for (int country = 1; country <= 6; ++country) {
        const auto &[button, store, code] = buttons[country - 1];
        QTest::newRow(qPrintable(code)) << button << store << country << code;
    }
}

void tst_mainWindow::countryButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, store);
    QFETCH(int, country);
    QFETCH(QString, code);
    auto *shop = qobject_cast<QPushButton *>(control(button));
    // A picture, no caption; the store named for the screen reader and in the tool tip.
    QVERIFY(shop->text().isEmpty() && !shop->icon().isNull());
    QCOMPARE(shop->accessibleName(), store);
    QCOMPARE(shop->toolTip(), store);
    // A click reloads the last term for the new store.
    connectToScriptedServer();
    appLocalisation::lastShopTerm = QStringLiteral("Ann%20%26%20Bob");
    QTest::mouseClick(shop, Qt::LeftButton);
    QCOMPARE(appLocalisation::shopLocale, country);
    QCOMPARE(m_window->shopPanel->shopBrowser->address(),
             httpGlobals::serverBaseUrl + "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=" + code);
}

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
