// The main window offscreen: its first appearance, its layout, the panel switches and the connect
// sequence against a scripted loopback server.
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "ui/clickableLabel.h"
#include "ui/formHandleDownload.h"
#include "ui/formQueryDb.h"
#include "ui/guiRepositioning.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

const QByteArray statistics = "engineVersion,3<br>\r\n"
                              "latestClientVersion,4<br>\r\n"
                              "trackCount,150000<br>\r\n"
                              "artistCount,40000<br>\r\n"
                              "genreCount,2<br>\r\n"
                              "1,Rock<br>\r\n"
                              "7,Jazz<br>\r\n";
const QByteArray recommended = "1,\"Ann Arbor\",x,2\r\n"
                               "2,\"Bob Dylan Tribute\",y,2\r\n"
                               "3,\"Cleo\",z,1\r\n";

QByteArray statisticsWithLatest(int latest)
{
    QByteArray body = statistics;
    body.replace("latestClientVersion,4", "latestClientVersion," + QByteArray::number(latest));
    return body;
}

// Which panel is where, as (object name, top edge in twips).
using Tops = QList<QPair<QString, int>>;

Tops searchView()
{
    return {{"Frame1", 120}, {"Frame2", 2160},  {"Frame4", 7920}, {"Frame5", 7920},
            {"Label5", 240}, {"Frame6", 10500}, {"Frame7", 10500}};
}

Tops recommendationsView()
{
    return {{"Frame1", 10500}, {"Frame2", 10500}, {"Frame4", 10500}, {"Frame5", 10500},
            {"Label5", 10500}, {"Frame6", 120},   {"Frame7", 10500}};
}

} // namespace

class tst_formQueryDb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadEventState();
    void designCaptions_data();
    void designCaptions();
    void panelTopsAfterLoad_data();
    void panelTopsAfterLoad();
    void windowFitsAndNothingIsClipped();
    void accessibleNames_data();
    void accessibleNames();
    void chooserControls();

    void connectSucceeds();
    void connectRequestBytes();
    void connectFailures_data();
    void connectFailures();
    void updateNotice_data();
    void updateNotice();
    void connectButtonDisabledWhileConnecting();

    void panelSwitches_data();
    void panelSwitches();
    void libraryFrameLiesInFront();
    void countryButtonReloadsLastTerm_data();
    void countryButtonReloadsLastTerm();
    void genrePictureFillsTree();

private:
    void connectToScriptedServer();
    QWidget *control(const QString &name) const;
    QWidget *control(const char *name) const { return control(QString::fromLatin1(name)); }

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    std::unique_ptr<formQueryDb> m_window;
};

void tst_formQueryDb::initTestCase()
{
    m_server = new ScriptedServer(this);
    QVERIFY(m_server->port() != 0);
    m_environment =
        std::make_unique<WindowTestEnvironment>(QStringLiteral("http://%1/").arg(m_server->hostText()));
}

void tst_formQueryDb::init()
{
    m_server->setScript({ScriptedServer::send(okReply(statistics))});
    m_server->addScript({ScriptedServer::send(okReply(recommended))});
    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_formQueryDb::cleanup()
{
    m_window.reset();
}

QWidget *tst_formQueryDb::control(const QString &name) const
{
    return m_window->findChild<QWidget *>(name);
}

void tst_formQueryDb::connectToScriptedServer()
{
    m_window->Command3->click();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : searching 150000 tracks from 40000 artists"));
}

void tst_formQueryDb::loadEventState()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Not connected to server"));
    QCOMPARE(m_window->Frame2->title(), QStringLiteral("Search Results : None so far"));
    QCOMPARE(appGlobals::searchPanelShown, false);

    for (const char *name :
         {"Combo1", "Command1", "Command4", "Command5", "TabStrip1", "Command9", "Command10", "Command11",
          "Command12", "Command13", "Command14", "MSFlexGrid1"}) {
        QVERIFY2(control(name), name);
        QVERIFY2(!control(name)->isEnabled(), name);
    }
    QVERIFY(m_window->Command3->isEnabled());

    QCOMPARE(m_window->MSFlexGrid1->rowCount(), 1);
    QCOMPARE(m_window->MSFlexGrid1->columnCount(), 3);
    QCOMPARE(m_window->MSFlexGrid1->columnWidth(0), 200);
    QCOMPARE(m_window->MSFlexGrid1->columnWidth(1), 233);
    QCOMPARE(m_window->MSFlexGrid1->columnWidth(2), 133);
    QCOMPARE(m_window->WebBrowser1->address(), QStringLiteral("about:blank"));

    QVERIFY(m_window->Timer3->isActive());
    QVERIFY(!m_window->Timer1->isActive());
    QVERIFY(!m_window->Timer2->isActive());
    QCOMPARE(m_window->Timer3->interval(), 1000);

    // The tab strip offers the three search kinds with their tool tips.
    QCOMPARE(m_window->TabStrip1->count(), 3);
    const QStringList tabs{"Keyword", "Artist", "Title"};
    const QStringList tips{"Search by Keyword", "Search By Artist", "Search by Title"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_window->TabStrip1->tabText(i), tabs[i]);
        QCOMPARE(m_window->TabStrip1->tabToolTip(i), tips[i]);
    }

    // Relevance icons: eleven solid squares, red = 25 * n.
    QCOMPARE(m_window->ImageList2->count(), 11);
    for (int n = 0; n <= 10; ++n) {
        const QImage icon = m_window->ImageList2->picture(QStringLiteral("level_%1").arg(n)).toImage();
        QCOMPARE(icon.size(), QSize(15, 15));
        QCOMPARE(icon.pixelColor(0, 0), QColor(25 * n, 0, 0));
        QCOMPARE(icon.pixelColor(14, 14), QColor(25 * n, 0, 0));
    }

    // Every socket control of both windows is there.
    for (const char *name : {"Winsock1", "Winsock2", "Winsock3", "Winsock4", "Winsock5"})
        QVERIFY2(m_window->findChild<QObject *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly), name);
    QVERIFY(m_window->chooser()->findChild<QObject *>("Winsock1"));
    QVERIFY(!m_window->chooser()->isVisible());
}

void tst_formQueryDb::designCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QList<QPair<const char *, const char *>> captions{
        {"Frame8", "Your music library"},
        {"Frame10", "Now Playing"},
        {"Frame9", "Playback Controls"},
        {"Label9", "0:00"},
        {"Label10", "0:00"},
        {"Label11", ""},
        {"Label12", ""},
        {"Command8", "back to search"},
        {"Frame7", "Please connect to the server"},
        {"Frame6", "What are you looking for?"},
        {"Command6", "go back to search"},
        {"Label7", "Rock, Indie, Everything Else"},
        {"Label6", "Urban"},
        {"Label3", "Electronic and Dance"},
        {"Frame5", "Radio Recommendations"},
        {"Frame4", "Current Download"},
        {"Command2", "cancel"},
        {"Label8", "KB"},
        {"Label16", "KB/s"},
        {"Frame1", "Search Options"},
        {"Command7", "my music"},
        {"Command1", "recommendations"},
        {"Command5", "search for music"},
        {"Command4", "find similar artists"},
        {"Label1", "Search For"},
        {"Label2", "( URL )"},
        {"Label4", "Genre"},
        {"Label5", "Similar Artists : None so far"},
        {"Command3", "Connect"},
    };
    for (const auto &[name, caption] : captions)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
}

void tst_formQueryDb::designCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QWidget *widget = control(name);
    QVERIFY2(widget, qPrintable(name));
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), caption);
    else
        QFAIL("unexpected control type");
}

void tst_formQueryDb::panelTopsAfterLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("twips");
    for (const auto &[name, twips] : Tops{{"Frame7", 120},
                                          {"Frame1", 10500},
                                          {"Frame2", 10500},
                                          {"Frame4", 10500},
                                          {"Frame5", 10500},
                                          {"Label5", 10500},
                                          {"Frame6", 10500},
                                          {"Frame8", 10500}})
        QTest::newRow(qPrintable(name)) << name << twips;
}

void tst_formQueryDb::panelTopsAfterLoad()
{
    QFETCH(QString, name);
    QFETCH(int, twips);
    QCOMPARE(guiRepositioning::topTwips(*control(name)), twips);
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
            const QString what = QStringLiteral("%1/%2 is %3x%4 at %5,%6 in %7x%8, needs %9x%10")
                                     .arg(panel->objectName(), child->objectName())
                                     .arg(child->width())
                                     .arg(child->height())
                                     .arg(child->x())
                                     .arg(child->y())
                                     .arg(child->parentWidget()->width())
                                     .arg(child->parentWidget()->height())
                                     .arg(child->minimumSizeHint().width())
                                     .arg(child->minimumSizeHint().height());
            QVERIFY2(child->parentWidget()->rect().contains(child->geometry()), qPrintable(what));
            const QSize needed = child->minimumSizeHint();
            QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                     qPrintable(what));
        }
    }
    // The right column never meets the moving panels.
    for (QWidget *fixed :
         {static_cast<QWidget *>(m_window->TreeView2), static_cast<QWidget *>(m_window->Command9),
          static_cast<QWidget *>(m_window->Command13), static_cast<QWidget *>(m_window->WebBrowser1),
          static_cast<QWidget *>(m_window->Label5)}) {
        for (QGroupBox *panel : panels)
            QVERIFY2(!panel->geometry().intersects(fixed->geometry()), qPrintable(fixed->objectName()));
        QVERIFY(m_window->centralWidget()->rect().contains(fixed->geometry()));
    }
}

void tst_formQueryDb::accessibleNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessible");
    QTest::addColumn<bool>("tooltip");
    QTest::newRow("connect") << "Command3"
                             << "Connect" << false;
    QTest::newRow("uk") << "Command9"
                        << "UK store" << true;
    QTest::newRow("us") << "Command14"
                        << "US store" << true;
    QTest::newRow("ca") << "Command10"
                        << "Canada store" << true;
    QTest::newRow("fr") << "Command11"
                        << "France store" << true;
    QTest::newRow("de") << "Command12"
                        << "Germany store" << true;
    QTest::newRow("jp") << "Command13"
                        << "Japan store" << true;
    QTest::newRow("genre 1") << "Image1"
                             << "Electronic and Dance" << true;
    QTest::newRow("genre 2") << "Image2"
                             << "Urban" << true;
    QTest::newRow("genre 3") << "Image3"
                             << "Rock, Indie, Everything Else" << true;
    QTest::newRow("search picture") << "Picture2"
                                    << "Artist picture" << false;
    QTest::newRow("playing picture") << "Picture1"
                                     << "Artist picture" << false;
}

void tst_formQueryDb::accessibleNames()
{
    QFETCH(QString, name);
    QFETCH(QString, accessible);
    QFETCH(bool, tooltip);
    QWidget *widget = control(name);
    QVERIFY(widget);
    QCOMPARE(widget->accessibleName(), accessible);
    if (tooltip)
        QCOMPARE(widget->toolTip(), accessible);
    if (auto *button = qobject_cast<QPushButton *>(widget); button && name != "Command3")
        QVERIFY2(button->text().isEmpty() && !button->icon().isNull(),
                 "shop buttons show a picture, no caption");

    // Each field is announced by its label.
    QCOMPARE(m_window->Label1->buddy(), m_window->Text1);
    QCOMPARE(m_window->Label2->buddy(), m_window->Text2);
    QCOMPARE(m_window->Label4->buddy(), m_window->Combo1);
}

void tst_formQueryDb::chooserControls()
{
    formHandleDownload *chooser = m_window->chooser();
    QCOMPARE(chooser->windowTitle(), QStringLiteral("What to do?"));
    QCOMPARE(chooser->Frame1->title(), QStringLiteral("Your choices :"));
    QCOMPARE(chooser->Command1->text(), QStringLiteral("do it"));
    const QStringList captions{"Download", "Find more from", "Forget about it.  Changed my mind.",
                               "Show me where this came from.", "Google for"};
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = chooser->findChild<QRadioButton *>(QStringLiteral("Option%1").arg(i + 1));
        QVERIFY(option);
        QCOMPARE(option->text(), captions[i]);
        QVERIFY(!option->isChecked());
    }
    // One selection group: picking one option clears the other.
    chooser->Option2->setChecked(true);
    chooser->Option4->setChecked(true);
    QVERIFY(!chooser->Option2->isChecked());
    QCOMPARE(chooser->Picture1->accessibleName(), QStringLiteral("Artist picture"));
}

void tst_formQueryDb::connectSucceeds()
{
    MessageBoxCatcher boxes;
    connectToScriptedServer();
    QCOMPARE(boxes.count(), 0);

    QCOMPARE(m_window->Combo1->count(), 3);
    QCOMPARE(m_window->Combo1->itemText(0), QStringLiteral("Any"));
    QCOMPARE(m_window->Combo1->itemText(1), QStringLiteral("Rock"));
    QCOMPARE(m_window->Combo1->itemText(2), QStringLiteral("Jazz"));
    QCOMPARE(m_window->Combo1->currentIndex(), 0);
    QCOMPARE(appGlobals::genreNames[7], QStringLiteral("Jazz"));
    QCOMPARE(appGlobals::recommendedArtistCount, 3);
    QCOMPARE(appGlobals::recommendedArtistNames[2], QStringLiteral("Cleo"));

    for (const char *name :
         {"Combo1", "Command1", "Command4", "Command5", "TabStrip1", "MSFlexGrid1", "Command9", "Command10",
          "Command11", "Command12", "Command13", "Command14", "Command3"})
        QVERIFY2(control(name)->isEnabled(), name);

    for (const auto &[name, twips] : searchView())
        QCOMPARE(guiRepositioning::topTwips(*control(name)), twips);
    QCOMPARE(appGlobals::searchPanelShown, true);
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
}

void tst_formQueryDb::connectRequestBytes()
{
    const int before = int(m_server->requests().size());
    connectToScriptedServer();
    const QList<QByteArray> requests = m_server->requests().mid(before);
    QCOMPARE(requests.size(), 2);
    const QByteArray tail = "Host: " + m_server->hostText().toLatin1() +
                            "\r\nUser-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.0; en-GB; rv:1.7.12) "
                            "Gecko/20050919 Firefox/1.0.7\r\n"
                            "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
                            "text/plain;q=0.8,image/png,*/*;q=0.5\r\n"
                            "Accept-Language: en-gb,en;q=0.5\r\n"
                            "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
                            "Keep-Alive: 300\r\n"
                            "Connection: Keep-Alive\r\n"
                            "Referer: http://" +
                            m_server->hostText().toLatin1() + "/\r\n\r\n";
    QCOMPARE(requests[0], "GET /trelvoStats.php HTTP/1.1\r\n" + tail);
    QCOMPARE(requests[1], "GET /recommendedArtists.csv HTTP/1.1\r\n" + tail);
}

void tst_formQueryDb::connectFailures_data()
{
    QTest::addColumn<ScriptedServer::Script>("first");
    QTest::addColumn<ScriptedServer::Script>("second");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("statisticsApplied");

    const ScriptedServer::Script stats{ScriptedServer::send(okReply(statistics))};
    const ScriptedServer::Script closed{ScriptedServer::close()};
    auto error = [](int code, const QByteArray &reason) {
        return ScriptedServer::Script{ScriptedServer::send(httpReply(code, reason, "<html>no</html>"))};
    };
    QTest::newRow("statistics: no connection")
        << closed << closed << "A Socket error occurred while connecting to the server" << false;
    QTest::newRow("statistics: 404")
        << error(404, "Not Found") << closed
        << "An error occurred while connecting to the server\r\nHTTP Response: 404 = HTTP_NOT_FOUND" << false;
    QTest::newRow("statistics: 500") << error(500, "Internal Server Error") << closed
                                     << "An error occurred while connecting to the server\r\nHTTP Response: "
                                        "500 = HTTP_INTERNAL_SERVER_ERROR"
                                     << false;
    QTest::newRow("recommendations: no connection")
        << stats << closed << "A Socket error occurred while requesting recommendations" << true;
    QTest::newRow("recommendations: 404")
        << stats << error(404, "Not Found")
        << "An error occurred while requesting recommendations\r\nHTTP Response: 404 = HTTP_NOT_FOUND"
        << true;
    QTest::newRow("recommendations: 500") << stats << error(500, "Internal Server Error")
                                          << "An error occurred while requesting recommendations\r\nHTTP "
                                             "Response: 500 = HTTP_INTERNAL_SERVER_ERROR"
                                          << true;
}

void tst_formQueryDb::connectFailures()
{
    QFETCH(ScriptedServer::Script, first);
    QFETCH(ScriptedServer::Script, second);
    QFETCH(QString, message);
    QFETCH(bool, statisticsApplied);

    m_server->setScript(first);
    m_server->addScript(second);
    MessageBoxCatcher boxes;
    m_window->Command3->click();

    QCOMPARE(boxes.texts(), QStringList{message});
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Connecting to server..."));
    QCOMPARE(m_window->Combo1->count(), statisticsApplied ? 3 : 0);
    for (const char *name :
         {"Combo1", "Command1", "Command4", "Command5", "TabStrip1", "MSFlexGrid1", "Command9"})
        QVERIFY2(!control(name)->isEnabled(), name);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame7), 120);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame1), 10500);
    QCOMPARE(appGlobals::searchPanelShown, false);
    // The user may try again.
    QVERIFY(m_window->Command3->isEnabled());
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
}

void tst_formQueryDb::updateNotice_data()
{
    QTest::addColumn<int>("latest");
    QTest::addColumn<QStringList>("messages");
    const QString visit = "Visit http://" + m_server->hostText() + "/ to get updates";
    QTest::newRow("same version") << 4 << QStringList{};
    QTest::newRow("one newer") << 5
                               << QStringList{"A newer version ( 1.5 ) of this software is available.\r\n" +
                                              visit};
    QTest::newRow("two digits") << 10
                                << QStringList{"A newer version ( 1.10 ) of this software is available.\r\n" +
                                               visit};
}

void tst_formQueryDb::updateNotice()
{
    QFETCH(int, latest);
    QFETCH(QStringList, messages);
    m_server->setScript({ScriptedServer::send(okReply(statisticsWithLatest(latest)))});
    m_server->addScript({ScriptedServer::send(okReply(recommended))});
    MessageBoxCatcher boxes;
    connectToScriptedServer();
    QCOMPARE(boxes.texts(), messages);
}

void tst_formQueryDb::connectButtonDisabledWhileConnecting()
{
    // The statistics reply is held back, so the click below lands while the first connect waits.
    m_server->setScript({ScriptedServer::pause(400), ScriptedServer::send(okReply(statistics))});
    m_server->addScript({ScriptedServer::send(okReply(recommended))});
    const int before = m_server->connectionCount();
    bool enabledWhileWaiting = true;
    QTimer::singleShot(0, m_window.get(), [&] {
        enabledWhileWaiting = m_window->Command3->isEnabled();
        m_window->Command3->click();
        Q_EMIT m_window->Command3->clicked();
    });
    m_window->Command3->click();
    QVERIFY(!enabledWhileWaiting);
    QCOMPARE(m_server->connectionCount() - before, 2);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : searching 150000 tracks from 40000 artists"));
}

void tst_formQueryDb::panelSwitches_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<Tops>("tops");
    QTest::addColumn<bool>("searchShown");
    QTest::newRow("recommendations") << QStringList{"Command1"} << recommendationsView() << false;
    QTest::newRow("recommendations twice") << QStringList{"Command1", "Command1"} << searchView() << true;
    QTest::newRow("go back to search") << QStringList{"Command1", "Command6"} << searchView() << true;
    QTest::newRow("go back while searching") << QStringList{"Command6"} << searchView() << true;
    QTest::newRow("back to search without library")
        << QStringList{"Command8"} << (searchView() << QPair<QString, int>{"Frame8", 10500}) << true;
    QTest::newRow("back to search over recommendations")
        << QStringList{"Command1", "Command8", "Command8"}
        << (recommendationsView() << QPair<QString, int>{"Frame8", 10500}) << false;
}

void tst_formQueryDb::panelSwitches()
{
    QFETCH(QStringList, clicks);
    QFETCH(Tops, tops);
    QFETCH(bool, searchShown);
    connectToScriptedServer();
    for (const QString &name : clicks) {
        auto *button = qobject_cast<QPushButton *>(control(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    for (const auto &[name, twips] : tops)
        QCOMPARE(guiRepositioning::topTwips(*control(name)), twips);
    QCOMPARE(appGlobals::searchPanelShown, searchShown);
}

void tst_formQueryDb::libraryFrameLiesInFront()
{
    connectToScriptedServer();
    guiRepositioning::showLibraryFrame();
    // The search panels stay where they are; the library covers them.
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame1), 120);
    const QPoint insideSearch = m_window->Frame1->geometry().center();
    QCOMPARE(m_window->centralWidget()->childAt(insideSearch)->window(), m_window.get());
    QWidget *top = m_window->centralWidget()->childAt(insideSearch);
    while (top && top->parentWidget() != m_window->centralWidget())
        top = top->parentWidget();
    QCOMPARE(top, m_window->Frame8);

    // Nothing of the search panels shows through the library.
    const QRect searchArea = m_window->Frame1->geometry().united(m_window->Frame2->geometry());
    const QImage covered = m_window->centralWidget()->grab(searchArea).toImage();
    guiRepositioning::hideSearchPanels();
    QCOMPARE(m_window->centralWidget()->grab(searchArea).toImage(), covered);
    guiRepositioning::showSearchPanels();

    QTest::mouseClick(m_window->Command8, Qt::LeftButton);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame8), 10500);
    top = m_window->centralWidget()->childAt(insideSearch);
    while (top && top->parentWidget() != m_window->centralWidget())
        top = top->parentWidget();
    QCOMPARE(top, m_window->Frame1);
}

void tst_formQueryDb::countryButtonReloadsLastTerm_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("country");
    QTest::addColumn<QString>("code");
    QTest::newRow("uk") << "Command9" << 1 << "uk";
    QTest::newRow("us") << "Command14" << 2 << "us";
    QTest::newRow("ca") << "Command10" << 3 << "ca";
    QTest::newRow("fr") << "Command11" << 4 << "fr";
    QTest::newRow("de") << "Command12" << 5 << "de";
    QTest::newRow("jp") << "Command13" << 6 << "jp";
}

void tst_formQueryDb::countryButtonReloadsLastTerm()
{
    QFETCH(QString, button);
    QFETCH(int, country);
    QFETCH(QString, code);
    connectToScriptedServer();
    appLocalisation::lastShopTerm = QStringLiteral("Ann%20%26%20Bob");
    QTest::mouseClick(qobject_cast<QPushButton *>(control(button)), Qt::LeftButton);
    QCOMPARE(appLocalisation::shopLocale, country);
    QCOMPARE(m_window->WebBrowser1->address(),
             httpGlobals::serverBaseUrl + "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=" + code);
    QCOMPARE(appLocalisation::lastShopTerm, QStringLiteral("Ann%20%26%20Bob"));
}

void tst_formQueryDb::genrePictureFillsTree()
{
    connectToScriptedServer();
    QTest::mouseClick(m_window->Command1, Qt::LeftButton);
    // Electronic and Dance is group 2: Ann Arbor and Bob Dylan Tribute; both pictures come from the server.
    m_server->setScript({ScriptedServer::send(okReply(jpegBytes(Qt::red)))});
    const int before = int(m_server->requests().size());
    MessageBoxCatcher boxes;
    QTest::mouseClick(m_window->Image1, Qt::LeftButton);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(m_window->TreeView1->topLevelItemCount(), 2);
    QCOMPARE(m_window->TreeView1->topLevelItem(0)->text(0), QStringLiteral("Ann Arbor"));
    QCOMPARE(m_window->TreeView1->topLevelItem(1)->text(0), QStringLiteral("Bob Dylan Tribute"));
    QVERIFY(!m_window->TreeView1->topLevelItem(0)->icon(0).isNull());
    QCOMPARE(m_window->ImageList1->pictureSize(), QSize(150, 142));
    QCOMPARE(m_window->ImageList1->picture("Ann Arbor").size(), QSize(150, 142));
    const QList<QByteArray> requests = m_server->requests().mid(before);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requestLineOf(requests[0]), QByteArray("GET /artistImages/Ann%20Arbor.jpg HTTP/1.1"));

    // Urban (group 1) replaces the tree; its picture is fetched too.
    QTest::mouseClick(m_window->Image2, Qt::LeftButton);
    QCOMPARE(m_window->TreeView1->topLevelItemCount(), 1);
    QCOMPARE(m_window->TreeView1->topLevelItem(0)->text(0), QStringLiteral("Cleo"));

    // The same picture again comes from the cache.
    const int cached = int(m_server->requests().size());
    QTest::mouseClick(m_window->Image1, Qt::LeftButton);
    QCOMPARE(m_window->TreeView1->topLevelItemCount(), 2);
    QCOMPARE(int(m_server->requests().size()), cached);
    // The panel switch belongs to the tree click, not to the picture.
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame6), 120);
}

QTEST_MAIN(tst_formQueryDb)
#include "tst_formQueryDb.moc"
