// The main window offscreen: its state after loading, its layout, the panel switches and the connect
// sequence against a scripted loopback server.
#include "windowTestEnvironment.h"

#include "core/settings.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "ui/clickableLabel.h"
#include "ui/formQueryDb.h"
#include "ui/guiRepositioning.h"

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

// Which panel is where, as (object name, top edge in twips).
using Tops = QList<QPair<QString, int>>;
const Tops searchView{{"Frame1", 120}, {"Frame2", 2160},  {"Frame4", 7920},  {"Frame5", 7920},
                      {"Label5", 240}, {"Frame6", 10500}, {"Frame7", 10500}, {"Frame8", 10500}};
const Tops recommendationsView{{"Frame1", 10500}, {"Frame2", 10500}, {"Frame4", 10500}, {"Frame5", 10500},
                               {"Label5", 10500}, {"Frame6", 120},   {"Frame7", 10500}, {"Frame8", 10500}};

const Tops loadedView{{"Frame7", 120},   {"Frame1", 10500}, {"Frame2", 10500}, {"Frame4", 10500},
                      {"Frame5", 10500}, {"Label5", 10500}, {"Frame6", 10500}, {"Frame8", 10500}};

// The controls a connect enables.
const QStringList connectedControls{"Combo1",    "Command1",    "Command4",  "Command5",
                                    "TabStrip1", "MSFlexGrid1", "Command9",  "Command10",
                                    "Command11", "Command12",   "Command13", "Command14"};

} // namespace

class tst_formQueryDb : public QObject
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
    QWidget *control(const QString &name) const { return m_window->findChild<QWidget *>(name); }

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    std::unique_ptr<formQueryDb> m_window;
};

void tst_formQueryDb::initTestCase()
{
    m_server = new ScriptedServer(this);
    m_environment =
        std::make_unique<WindowTestEnvironment>(QStringLiteral("http://%1/").arg(m_server->hostText()));
}

void tst_formQueryDb::init()
{
    m_server->setScript({S::send(okReply(statistics()))});
    m_server->addScript({S::send(okReply(recommended))});
    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_formQueryDb::cleanup()
{
    m_window.reset();
}

void tst_formQueryDb::connectToScriptedServer()
{
    m_window->Command3->click();
    QCOMPARE(m_window->windowTitle(), "Sonavex : searching 150000 tracks from 40000 artists");
}

void tst_formQueryDb::compareTops(const Tops &tops) const
{
    for (const auto &[name, twips] : tops)
        QVERIFY2(guiRepositioning::topTwips(*control(name)) == twips, qPrintable(name));
}

void tst_formQueryDb::loadEventState()
{
    QCOMPARE(m_window->windowTitle(), "Sonavex : Not connected to server");
    QCOMPARE(m_window->searchPanelShown, false);
    for (const QString &name : connectedControls)
        QVERIFY2(!control(name)->isEnabled(), qPrintable(name));
    QVERIFY(m_window->Command3->isEnabled());
    compareTops(loadedView);

    // Captions, then the names pictures are announced by, as "object:text".
    const QStringList captions =
        QStringLiteral("Frame8:Your music library|Frame10:Now Playing|Frame9:Playback Controls|Label9:0:00|"
                       "Label10:0:00|Label11:|Label12:|Command8:back to search|"
                       "Frame7:Please connect to the server|Frame6:What are you looking for?|"
                       "Command6:go back to search|Label7:Rock, Indie, Everything Else|Label6:Urban|"
                       "Label3:Electronic and Dance|Frame5:Radio Recommendations|Frame4:Current Download|"
                       "Command2:cancel|Label8:KB|Label16:KB/s|Frame1:Search Options|Command7:my music|"
                       "Command1:recommendations|Command5:search for music|Command4:find similar artists|"
                       "Label1:Search For|Label2:( URL )|Label4:Genre|Label5:Similar Artists : None so far|"
                       "Command3:Connect|Frame2:Search Results : None so far")
            .split('|');
    for (const QString &entry : captions) {
        const QObject *widget = control(entry.section(':', 0, 0));
        const QVariant title = widget->property("title");
        QCOMPARE((title.isValid() ? title : widget->property("text")).toString(), entry.section(':', 1));
    }
    const QStringList announced =
        QStringLiteral("Image1:Electronic and Dance|Image2:Urban|Image3:Rock, Indie, Everything Else|"
                       "Picture2:Artist picture|Picture1:Artist picture")
            .split('|');
    for (const QString &entry : announced)
        QCOMPARE(control(entry.section(':', 0, 0))->accessibleName(), entry.section(':', 1));
    // Each field is announced by its label.
    QCOMPARE(m_window->Label1->buddy(), m_window->Text1);
    QCOMPARE(m_window->Label2->buddy(), m_window->Text2);
    QCOMPARE(m_window->Label4->buddy(), m_window->Combo1);

    // Relevance icons: eleven solid squares, red = 25 * n.
    QCOMPARE(m_window->ImageList2->count(), 11);
    for (int n = 0; n <= 10; ++n) {
        const QImage icon = m_window->ImageList2->picture(QStringLiteral("level_%1").arg(n)).toImage();
        QCOMPARE(icon.size(), QSize(15, 15));
        QCOMPARE(icon.pixelColor(14, 14), QColor(25 * n, 0, 0));
    }
}

void tst_formQueryDb::windowFitsAndNothingIsClipped()
{
    QVERIFY(m_window->width() <= 1280);
    QVERIFY(m_window->height() <= 800 - 40);
    // A panel moved to the hidden top edge must be out of sight.
    QVERIFY(m_window->centralWidget()->height() < 10500 / 15);
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());

    // In every view, each control lies inside its parent and is not squeezed below what it needs.
    const QList<QGroupBox *> panels{m_window->Frame7, m_window->Frame1, m_window->Frame2, m_window->Frame4,
                                    m_window->Frame5, m_window->Frame6, m_window->Frame8};
    guiRepositioning::showSearchPanels();
    guiRepositioning::showRecommendationsFrame();
    guiRepositioning::showLibraryFrame();
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
    for (QWidget *fixed :
         std::initializer_list<QWidget *>{m_window->TreeView2, m_window->Command9, m_window->Command13,
                                          m_window->WebBrowser1, m_window->Label5}) {
        for (QGroupBox *panel : panels)
            QVERIFY2(!panel->geometry().intersects(fixed->geometry()), qPrintable(fixed->objectName()));
        QVERIFY(m_window->centralWidget()->rect().contains(fixed->geometry()));
    }
}

void tst_formQueryDb::connectSucceeds_data()
{
    QTest::addColumn<int>("latest");
    QTest::addColumn<QStringList>("messages");
    const QString visit =
        " ) of this software is available.\r\nVisit http://" + m_server->hostText() + "/ to get updates";
    QTest::newRow("same version") << 4 << QStringList{};
    QTest::newRow("one newer") << 5 << QStringList{"A newer version ( 1.5" + visit};
    QTest::newRow("two digits") << 10 << QStringList{"A newer version ( 1.10" + visit};
}

void tst_formQueryDb::connectSucceeds()
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

    QCOMPARE(m_window->Combo1->count(), 3);
    QCOMPARE(m_window->Combo1->itemText(0), "Any");
    QCOMPARE(m_window->Combo1->currentIndex(), 0);
    QCOMPARE(m_window->recommendedArtists.at(2).name, "Cleo");
    for (const QString &name : connectedControls + QStringList{"Command3"})
        QVERIFY2(control(name)->isEnabled(), qPrintable(name));
    compareTops(searchView);
    QCOMPARE(m_window->searchPanelShown, true);
    QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
}

void tst_formQueryDb::connectFailures_data()
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

void tst_formQueryDb::connectFailures()
{
    QFETCH(S::Script, first);
    QFETCH(S::Script, second);
    QFETCH(QString, message);
    QFETCH(int, genres);
    m_server->setScript(first);
    m_server->addScript(second);
    MessageBoxCatcher boxes;
    m_window->Command3->click();

    QCOMPARE(boxes.texts(), QStringList{message});
    QCOMPARE(m_window->windowTitle(), "Sonavex : Connecting to server...");
    QCOMPARE(m_window->Combo1->count(), genres);
    for (const QString &name : connectedControls)
        QVERIFY2(!control(name)->isEnabled(), qPrintable(name));
    compareTops({{"Frame7", 120}, {"Frame1", 10500}});
    QCOMPARE(m_window->searchPanelShown, false);
    // The user may try again.
    QVERIFY(m_window->Command3->isEnabled());
    QVERIFY(!QFile::exists(core::settings().tempFolder + "webService_tmp.html"));
}

void tst_formQueryDb::connectButtonDisabledWhileConnecting()
{
    // The statistics reply is held back, so the click below lands while the first connect waits.
    m_server->setScript({S::pause(400), S::send(okReply(statistics()))});
    m_server->addScript({S::send(okReply(recommended))});
    const int before = m_server->connectionCount();
    bool enabledWhileWaiting = true;
    QTimer::singleShot(0, m_window.get(), [&] {
        enabledWhileWaiting = m_window->Command3->isEnabled();
        m_window->Command3->click();
        Q_EMIT m_window->Command3->clicked();
    });
    connectToScriptedServer();
    QVERIFY(!enabledWhileWaiting);
    QCOMPARE(m_server->connectionCount() - before, 2);
}

void tst_formQueryDb::panelSwitches_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<Tops>("tops");
    QTest::addColumn<bool>("searchShown");
    QTest::newRow("recommendations") << QStringList{"Command1"} << recommendationsView << false;
    QTest::newRow("recommendations twice") << QStringList{"Command1", "Command1"} << searchView << true;
    QTest::newRow("go back to search") << QStringList{"Command1", "Command6"} << searchView << true;
    QTest::newRow("go back while searching") << QStringList{"Command6"} << searchView << true;
    QTest::newRow("back to search without library") << QStringList{"Command8"} << searchView << true;
    QTest::newRow("back to search over recommendations")
        << QStringList{"Command1", "Command8", "Command8"} << recommendationsView << false;
}

void tst_formQueryDb::panelSwitches()
{
    QFETCH(QStringList, clicks);
    QFETCH(Tops, tops);
    QFETCH(bool, searchShown);
    connectToScriptedServer();
    for (const QString &name : clicks)
        QTest::mouseClick(qobject_cast<QPushButton *>(control(name)), Qt::LeftButton);
    compareTops(tops);
    QCOMPARE(m_window->searchPanelShown, searchShown);
}

void tst_formQueryDb::libraryFrameLiesInFront()
{
    connectToScriptedServer();
    const QPoint insideSearch = m_window->Frame1->geometry().center();
    const auto panelInFront = [&] {
        QWidget *top = m_window->centralWidget()->childAt(insideSearch);
        while (top && top->parentWidget() != m_window->centralWidget())
            top = top->parentWidget();
        return top;
    };
    // The search panels stay where they are; the library covers them, and nothing of them shows through.
    guiRepositioning::showLibraryFrame();
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame1), 120);
    QCOMPARE(panelInFront(), m_window->Frame8);
    const QRect searchArea = m_window->Frame1->geometry().united(m_window->Frame2->geometry());
    const QImage covered = m_window->centralWidget()->grab(searchArea).toImage();
    guiRepositioning::hideSearchPanels();
    QCOMPARE(m_window->centralWidget()->grab(searchArea).toImage(), covered);
    guiRepositioning::showSearchPanels();

    QTest::mouseClick(m_window->Command8, Qt::LeftButton);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame8), 10500);
    QCOMPARE(panelInFront(), m_window->Frame1);
}

void tst_formQueryDb::countryButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("store");
    QTest::addColumn<int>("country");
    QTest::addColumn<QString>("code");
    const QList<std::tuple<QString, QString, QString>> buttons{
        {"Command9", "UK store", "uk"},       {"Command14", "US store", "us"},
        {"Command10", "Canada store", "ca"},  {"Command11", "France store", "fr"},
        {"Command12", "Germany store", "de"}, {"Command13", "Japan store", "jp"}};
    for (int country = 1; country <= 6; ++country) {
        const auto &[button, store, code] = buttons[country - 1];
        QTest::newRow(qPrintable(code)) << button << store << country << code;
    }
}

void tst_formQueryDb::countryButtons()
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
    m_window->shopSuggestions.lastTerm = QStringLiteral("Ann%20%26%20Bob");
    QTest::mouseClick(shop, Qt::LeftButton);
    QCOMPARE(m_window->shopSuggestions.country, country);
    QCOMPARE(m_window->WebBrowser1->address(),
             core::settings().serverBaseUrl +
                 "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=" + code);
}

QTEST_MAIN(tst_formQueryDb)
#include "tst_formQueryDb.moc"
