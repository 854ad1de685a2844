#include "messageBoxCatcher.h"
#include "scriptedServer.h"
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/downloadQueue.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "ui/formHandleDownload.h"
#include "ui/formQueryDb.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>

using namespace httpGlobals;

namespace {
QByteArray okResponse(const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
           "\r\n" + body;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The real main window's download side: the pump with its queue list and progress display, the
// cancel button, and the chooser opened by a click in the results grid.
class tst_downloadHandlers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void pumpTakesTracksInOrder();
    void cancelEndsOnlyTheRunningStep();
    void cookieOfOneTrackNeverReachesTheNext();
    void chooserDownloadsTheClickedTrack();
    void closingTheChooserForgets();
    void nestedClickActsOnNewestRowOnly();
    void shortArtistNameRefused();
    void clicksOutsideTheResultsDoNothing();

private:
    template <typename T> T *control(const char *name) const;
    handleDownloads::DownloadPanel panel() const;
    QString fileAddress(const QString &path) const;
    QStringList listLines() const;
    void setResult(int row, const QString &artist, const QString &track, const QString &source);
    // Runs `act` once the chooser shows `caption` on Option1.
    void whenChooserShows(const QString &caption, std::function<void()> act);
    void clickRow(int row);
    QStringList musicFiles() const;

    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<formQueryDb> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    QTcpServer m_closed;
};

template <typename T> T *tst_downloadHandlers::control(const char *name) const
{
    T *found = m_window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

handleDownloads::DownloadPanel tst_downloadHandlers::panel() const
{
    handleDownloads::DownloadPanel p;
    p.currentDownload = control<QLineEdit>("Text3");
    p.queueList = control<QListWidget>("List2");
    p.progressBar = control<QProgressBar>("ProgressBar1");
    p.rateText = control<QLineEdit>("Text4");
    p.kilobytesText = control<QLineEdit>("Text5");
    p.progressTimer = control<QTimer>("Timer1");
    p.socket = control<platform::SocketControl>("Winsock2");
    p.slot = downloadSlot;
    return p;
}

void tst_downloadHandlers::initTestCase()
{
    // Lives as long as the window: a box that opens between two tests is answered too.
    m_boxes = std::make_unique<MessageBoxCatcher>();
    m_server = std::make_unique<ScriptedServer>();
    // The server itself is unreachable: the chooser's picture fails at once and is not shown.
    QVERIFY(m_closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = m_closed.serverPort();
    m_closed.close();
    m_env = std::make_unique<WindowTestEnvironment>(
        QStringLiteral("http://sonavex.localhost:%1/").arg(closedPort),
        QStringLiteral("localhost:%1").arg(m_server->port()));
    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    httpAgent::setTimeouts(5000, 5000);
    // A quicker pump tick keeps the test short; one step at a time is what is tested.
    control<QTimer>("Timer3")->setInterval(20);
    QVERIFY(control<QTimer>("Timer3")->isActive());
}

void tst_downloadHandlers::init()
{
    m_boxes->clear();
}

void tst_downloadHandlers::cleanup()
{
    QTRY_VERIFY_WITH_TIMEOUT(!handleDownloads::pumpStepRunning(), 20000);
    for (const QString &name : musicFiles())
        QFile::remove(mp3Folder + name);
}

void tst_downloadHandlers::cleanupTestCase()
{
    m_window.reset();
    m_boxes.reset();
}

QString tst_downloadHandlers::fileAddress(const QString &path) const
{
    return QStringLiteral("http://files.localhost:%1%2").arg(m_server->port()).arg(path);
}

QStringList tst_downloadHandlers::listLines() const
{
    QStringList lines;
    const auto *list = control<QListWidget>("List2");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

QStringList tst_downloadHandlers::musicFiles() const
{
    return QDir(mp3Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void tst_downloadHandlers::setResult(int row, const QString &artist, const QString &track,
                                     const QString &source)
{
    appGlobals::searchResults[row] = {artist, track, QStringLiteral("Rock"), source};
    appGlobals::searchResultCount = qMax(appGlobals::searchResultCount, row);
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    grid->setRowCount(qMax(grid->rowCount(), appGlobals::searchResultCount + 2));
    grid->setEnabled(true);
}

void tst_downloadHandlers::whenChooserShows(const QString &caption, std::function<void()> act)
{
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, caption, act] {
        formHandleDownload *chooser = m_window->chooser();
        if (!chooser->isVisible() || chooser->Option1->text() != caption)
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(10);
}

void tst_downloadHandlers::clickRow(int row)
{
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    Q_EMIT grid->cellClicked(row, 1);
}

void tst_downloadHandlers::pumpTakesTracksInOrder()
{
    const QByteArray body(300000, 'm');
    for (int i = 1; i <= 3; ++i) {
        const auto response = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size() + i) +
                              "\r\n\r\n" + body + QByteArray(i, char('0' + i));
        const ScriptedServer::Script script{ScriptedServer::send(response.left(1000)),
                                            ScriptedServer::pause(150),
                                            ScriptedServer::send(response.mid(1000))};
        if (i == 1)
            m_server->setScript(script);
        else
            m_server->addScript(script);
    }
    const qsizetype firstRequest = m_server->requests().size();

    // What the window shows while each track downloads.
    QStringList seen;
    QString lastShown;
    auto *current = control<QLineEdit>("Text3");
    QTimer look;
    connect(&look, &QTimer::timeout, this, [&] {
        const QString text = current->text();
        if (text.isEmpty() || text == lastShown || slotBytesReceived[downloadSlot] == 0)
            return;
        seen << text + " | " + listLines().join(", ");
        lastShown = text;
    });
    look.start(5);

    auto *list = control<QListWidget>("List2");
    handleDownloads::enqueueDownload("Band", "One", fileAddress("/1.mp3"), *list);
    handleDownloads::enqueueDownload("Band", "Two", fileAddress("/2.mp3"), *list);
    handleDownloads::enqueueDownload("Band", "Three", fileAddress("/3.mp3"), *list);

    QTRY_COMPARE_WITH_TIMEOUT(musicFiles().size(), 3, 20000);
    QTRY_VERIFY(!handleDownloads::pumpStepRunning());
    look.stop();

    QCOMPARE(seen, (QStringList{"Band - One | Band - Two, Band - Three", "Band - Two | Band - Three",
                                "Band - Three | "}));
    const QList<QByteArray> requests = m_server->requests().mid(firstRequest);
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requestLineOf(requests[0]), "GET /1.mp3 HTTP/1.1");
    QCOMPARE(requestLineOf(requests[1]), "GET /2.mp3 HTTP/1.1");
    QCOMPARE(requestLineOf(requests[2]), "GET /3.mp3 HTTP/1.1");
    QCOMPARE(QFileInfo(mp3Folder + "Band - Three.mp3").size(), body.size() + 3);
    QCOMPARE(m_boxes->texts(), QStringList());

    // Afterwards the display is empty again and the progress timer is off.
    QCOMPARE(current->text(), QString());
    QCOMPARE(control<QLineEdit>("Text4")->text(), QString());
    QCOMPARE(control<QLineEdit>("Text5")->text(), QString());
    QCOMPARE(control<QProgressBar>("ProgressBar1")->value(), 0);
    QVERIFY(!control<QTimer>("Timer1")->isActive());
    QCOMPARE(slotBytesReceived[downloadSlot], 0);
}

void tst_downloadHandlers::cancelEndsOnlyTheRunningStep()
{
    m_server->setScript(
        {ScriptedServer::send("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + QByteArray(20000, 'x')),
         ScriptedServer::silence()});
    m_server->addScript({ScriptedServer::send(okResponse("next track"))});

    bool secondTickStarted = true;
    bool stepStillRunning = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (slotBytesReceived[downloadSlot] < 20000 || control<QLineEdit>("Text3")->text().isEmpty())
            return;
        watch.stop();
        QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
        // A tick now finds Text3 empty, yet the cancelled step has not returned.
        stepStillRunning = handleDownloads::pumpStepRunning();
        secondTickStarted = handleDownloads::pumpDownloadQueue(panel());
    });
    watch.start(5);

    auto *list = control<QListWidget>("List2");
    handleDownloads::enqueueDownload("Band", "Cancelled", fileAddress("/c.mp3"), *list);
    handleDownloads::enqueueDownload("Band", "After", fileAddress("/a.mp3"), *list);

    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - After.mp3"}, 20000);
    QVERIFY(stepStillRunning);
    QVERIFY(!secondTickStarted);
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(fileBytes(mp3Folder + "Band - After.mp3"), QByteArray("next track"));
}

void tst_downloadHandlers::cookieOfOneTrackNeverReachesTheNext()
{
    m_server->setScript({ScriptedServer::send(okResponse("page", "Set-Cookie: sid=one; path=/\r\n"))});
    m_server->addScript({ScriptedServer::send(okResponse("shut"))});
    m_server->addScript({ScriptedServer::send(okResponse("plain"))});
    const qsizetype firstRequest = m_server->requests().size();

    auto *list = control<QListWidget>("List2");
    handleDownloads::enqueueDownload(
        "Band", "Shut", QStringLiteral("http://shutemdown.localhost:%1/t.mp3").arg(m_server->port()), *list);
    handleDownloads::enqueueDownload("Band", "Plain", fileAddress("/p.mp3"), *list);
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles().size(), 2, 20000);

    const QList<QByteArray> requests = m_server->requests().mid(firstRequest);
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[1].contains("\r\nCookie: sid=one\r\n"));
    QVERIFY(!requests[2].contains("Cookie:"));
}

void tst_downloadHandlers::chooserDownloadsTheClickedTrack()
{
    formHandleDownload *chooser = m_window->chooser();
    setResult(1, "A & B ", "Song", fileAddress("/song.mp3"));
    m_server->setScript({ScriptedServer::send(okResponse("chosen"))});

    QStringList captions;
    bool doItEnabledBeforeChoice = true;
    whenChooserShows("Download Song", [&] {
        captions = {chooser->windowTitle(),   chooser->Option1->text(), chooser->Option2->text(),
                    chooser->Option3->text(), chooser->Option4->text(), chooser->Option5->text()};
        doItEnabledBeforeChoice = chooser->Command1->isEnabled();
        chooser->Option1->setChecked(true);
        QTest::mouseClick(chooser->Command1, Qt::LeftButton);
    });
    clickRow(1);

    QCOMPARE(captions, (QStringList{"What to do?", "Download Song", "Find more from A & B ",
                                    "Forget about it.  Changed my mind.", "Show me where this came from.",
                                    "Google for A & B "}));
    QVERIFY(!doItEnabledBeforeChoice);
    QVERIFY(!chooser->isVisible());
    QCOMPARE(appGlobals::chosenAction, "done");
    QCOMPARE(listLines(), QStringList{"A & B  - Song"});
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"A & B  - Song.mp3"}, 20000);
}

void tst_downloadHandlers::closingTheChooserForgets()
{
    setResult(1, "Band", "Left", fileAddress("/left.mp3"));
    formHandleDownload *chooser = m_window->chooser();
    const int queued = appGlobals::downloadCount;
    whenChooserShows("Download Left", [&] { chooser->close(); });
    clickRow(1);
    QCOMPARE(appGlobals::chosenAction, "done");
    QCOMPARE(appGlobals::downloadCount, queued);
    QCOMPARE(m_boxes->texts(), QStringList());
}

void tst_downloadHandlers::nestedClickActsOnNewestRowOnly()
{
    setResult(1, "Band", "First", fileAddress("/first.mp3"));
    setResult(2, "Band", "Second", fileAddress("/second.mp3"));
    m_server->setScript({ScriptedServer::send(okResponse("second"))});
    formHandleDownload *chooser = m_window->chooser();

    whenChooserShows("Download First", [&] {
        whenChooserShows("Download Second", [&] {
            chooser->Option1->setChecked(true);
            QTest::mouseClick(chooser->Command1, Qt::LeftButton);
        });
        clickRow(2);
    });
    clickRow(1);

    QCOMPARE(appGlobals::chosenAction, "done");
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - Second.mp3"}, 20000);
    QTRY_VERIFY(!handleDownloads::pumpStepRunning());
    QCOMPARE(appGlobals::downloadCount, 0);
}

void tst_downloadHandlers::shortArtistNameRefused()
{
    setResult(1, "AB", "Short", fileAddress("/short.mp3"));
    auto *searchBox = control<QLineEdit>("Text1");
    searchBox->setText("kept");
    formHandleDownload *chooser = m_window->chooser();
    const int requests = int(m_server->requests().size());
    whenChooserShows("Download Short", [&] {
        chooser->Option2->setChecked(true);
        QTest::mouseClick(chooser->Command1, Qt::LeftButton);
    });
    clickRow(1);
    QCOMPARE(m_boxes->texts(), QStringList{"Please search for at least 3 letters"});
    QCOMPARE(searchBox->text(), "kept");
    QCOMPARE(m_server->requests().size(), requests);
    QCOMPARE(appGlobals::chosenAction, "done");
}

void tst_downloadHandlers::clicksOutsideTheResultsDoNothing()
{
    setResult(1, "Band", "Only", fileAddress("/only.mp3"));
    appGlobals::searchResultCount = 1;
    appGlobals::chosenAction = "done";
    clickRow(0); // the heading
    clickRow(2); // the empty row after the last result
    QVERIFY(!m_window->chooser()->isVisible());
    QCOMPARE(appGlobals::chosenAction, "done");
}

QTEST_MAIN(tst_downloadHandlers)
#include "tst_downloadHandlers.moc"
