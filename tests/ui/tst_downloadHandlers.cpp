// The real main window's download side against a scripted loopback server: the pump with its queue
// list and progress display, the cancel button, and the chooser opened by a click in the results grid.
#include "messageBoxCatcher.h"
#include "scriptedServer.h"
#include "windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/downloadQueue.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"
#include "ui/trackChooser.h"

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

using S = ScriptedServer;
using httpGlobals::mp3Folder;

namespace {
QByteArray okResponse(const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
           "\r\n" + body;
}
} // namespace

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
    void choicesThatQueueNothing_data();
    void choicesThatQueueNothing();
    void nestedClickActsOnNewestRowOnly();
    void clicksOutsideTheResultsDoNothing();

private:
    QString fileAddress(const QString &path) const;
    QStringList queueLines() const;
    QStringList musicFiles() const;
    void enqueue(const QString &track, const QString &address);
    void setResult(int row, const QString &artist, const QString &track);
    // Runs `act` once the chooser shows `caption` on Option1.
    void whenChooserShows(const QString &caption, std::function<void()> act);
    void clickRow(int row) { Q_EMIT m_window->resultsPanel->resultsGrid->cellClicked(row, 1); }

    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<ui::MainWindow> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
};

void tst_downloadHandlers::initTestCase()
{
    // Lives as long as the window: a box that opens between two tests is answered too.
    m_boxes = std::make_unique<MessageBoxCatcher>();
    m_server = std::make_unique<ScriptedServer>();
    // The server itself is unreachable: the chooser's picture fails at once and is not shown.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();
    m_env = std::make_unique<WindowTestEnvironment>(
        QStringLiteral("http://sonavex.localhost:%1/").arg(closedPort),
        QStringLiteral("localhost:%1").arg(m_server->port()));
    m_window = std::make_unique<ui::MainWindow>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    httpAgent::setTimeouts(5000, 5000);
    // A quicker pump tick keeps the test short; one step at a time is what is tested.
    m_window->currentDownloadPanel->queuePumpTimer->setInterval(20);
    QVERIFY(m_window->currentDownloadPanel->queuePumpTimer->isActive());
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

QStringList tst_downloadHandlers::queueLines() const
{
    QStringList lines;
    for (int i = 0; i < m_window->currentDownloadPanel->downloadQueueList->count(); ++i)
        lines << m_window->currentDownloadPanel->downloadQueueList->item(i)->text();
    return lines;
}

QStringList tst_downloadHandlers::musicFiles() const
{
    return QDir(mp3Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void tst_downloadHandlers::enqueue(const QString &track, const QString &address)
{
    handleDownloads::enqueueDownload("Band", track, address,
                                     *m_window->currentDownloadPanel->downloadQueueList);
}

void tst_downloadHandlers::setResult(int row, const QString &artist, const QString &track)
{
    appGlobals::searchResults[row] = {artist, track, "Rock", fileAddress("/" + track + ".mp3")};
    appGlobals::searchResultCount = qMax(appGlobals::searchResultCount, row);
    m_window->resultsPanel->resultsGrid->setRowCount(
        qMax(m_window->resultsPanel->resultsGrid->rowCount(), appGlobals::searchResultCount + 2));
    m_window->resultsPanel->resultsGrid->setEnabled(true);
}

void tst_downloadHandlers::whenChooserShows(const QString &caption, std::function<void()> act)
{
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, caption, act] {
        ui::TrackChooser *chooser = m_window->chooser();
        if (!chooser->isVisible() || chooser->downloadOption->text() != caption)
            return;
        poll->stop();
        poll->deleteLater();
        act();
    });
    poll->start(10);
}

void tst_downloadHandlers::pumpTakesTracksInOrder()
{
    // Each body comes in two pieces, so the window shows each track while it downloads.
    const QByteArray body(300000, 'm');
    for (int i = 1; i <= 3; ++i) {
        const QByteArray response = okResponse(body + QByteArray(i, char('0' + i)));
        const S::Script script{S::send(response.left(1000)), S::pause(150), S::send(response.mid(1000))};
        if (i == 1)
            m_server->setScript(script);
        else
            m_server->addScript(script);
    }
    const qsizetype firstRequest = m_server->requests().size();
    QStringList seen;
    QTimer look;
    connect(&look, &QTimer::timeout, this, [&] {
        const QString text = m_window->currentDownloadPanel->currentDownloadField->text();
        if (!text.isEmpty() && (seen.isEmpty() || !seen.last().startsWith(text)) &&
            httpGlobals::slotBytesReceived[httpGlobals::downloadSlot] > 0)
            seen << text + " | " + queueLines().join(", ");
    });
    look.start(5);
    enqueue("One", fileAddress("/1.mp3"));
    enqueue("Two", fileAddress("/2.mp3"));
    enqueue("Three", fileAddress("/3.mp3"));

    QTRY_COMPARE_WITH_TIMEOUT(musicFiles().size(), 3, 20000);
    QTRY_VERIFY(!handleDownloads::pumpStepRunning());
    look.stop();
    QCOMPARE(seen, (QStringList{"Band - One | Band - Two, Band - Three", "Band - Two | Band - Three",
                                "Band - Three | "}));
    QList<QByteArray> lines;
    for (const QByteArray &request : m_server->requests().mid(firstRequest))
        lines << requestLineOf(request);
    QCOMPARE(lines, (QList<QByteArray>{"GET /1.mp3 HTTP/1.1", "GET /2.mp3 HTTP/1.1", "GET /3.mp3 HTTP/1.1"}));
    QCOMPARE(QFileInfo(mp3Folder + "Band - Three.mp3").size(), body.size() + 3);
    QCOMPARE(m_boxes->texts(), QStringList());
    // Afterwards the display is empty again and the progress timer is off.
    QCOMPARE(m_window->currentDownloadPanel->currentDownloadField->text() +
                 m_window->currentDownloadPanel->rateField->text() +
                 m_window->currentDownloadPanel->receivedField->text(),
             QString());
    QCOMPARE(m_window->currentDownloadPanel->downloadProgress->value(), 0);
    QVERIFY(!m_window->currentDownloadPanel->progressTimer->isActive());
}

void tst_downloadHandlers::cancelEndsOnlyTheRunningStep()
{
    m_server->setScript(
        {S::send("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + QByteArray(20000, 'x')),
         S::silence()});
    m_server->addScript({S::send(okResponse("next track"))});
    bool secondTickStarted = true;
    bool stepStillRunning = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (httpGlobals::slotBytesReceived[httpGlobals::downloadSlot] < 20000 ||
            m_window->currentDownloadPanel->currentDownloadField->text().isEmpty())
            return;
        watch.stop();
        QTest::mouseClick(m_window->currentDownloadPanel->cancelButton, Qt::LeftButton);
        // A tick now finds currentDownloadField empty, yet the cancelled step has not returned.
        handleDownloads::DownloadPanel panel{m_window->currentDownloadPanel->currentDownloadField,
                                             m_window->currentDownloadPanel->downloadQueueList,
                                             m_window->currentDownloadPanel->downloadProgress,
                                             m_window->currentDownloadPanel->rateField,
                                             m_window->currentDownloadPanel->receivedField,
                                             m_window->currentDownloadPanel->progressTimer,
                                             m_window->downloadSocket,
                                             httpGlobals::downloadSlot};
        stepStillRunning = handleDownloads::pumpStepRunning();
        secondTickStarted = handleDownloads::pumpDownloadQueue(panel);
    });
    watch.start(5);
    enqueue("Cancelled", fileAddress("/c.mp3"));
    enqueue("After", fileAddress("/a.mp3"));

    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - After.mp3"}, 20000);
    QVERIFY(stepStillRunning);
    QVERIFY(!secondTickStarted);
    QCOMPARE(m_boxes->texts(), QStringList());
    QFile after(mp3Folder + "Band - After.mp3");
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), "next track");
}

void tst_downloadHandlers::cookieOfOneTrackNeverReachesTheNext()
{
    m_server->setScript({S::send(okResponse("page", "Set-Cookie: sid=one; path=/\r\n"))});
    m_server->addScript({S::send(okResponse("shut"))});
    m_server->addScript({S::send(okResponse("plain"))});
    const qsizetype firstRequest = m_server->requests().size();
    enqueue("Shut", QStringLiteral("http://shutemdown.localhost:%1/t.mp3").arg(m_server->port()));
    enqueue("Plain", fileAddress("/p.mp3"));
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles().size(), 2, 20000);
    const QList<QByteArray> requests = m_server->requests().mid(firstRequest);
    QCOMPARE(requests.size(), 3);
    QVERIFY(requests[1].contains("\r\nCookie: sid=one\r\n"));
    QVERIFY(!requests[2].contains("Cookie:"));
}

void tst_downloadHandlers::chooserDownloadsTheClickedTrack()
{
    ui::TrackChooser *chooser = m_window->chooser();
    setResult(1, "A & B ", "Song");
    m_server->setScript({S::send(okResponse("chosen"))});
    QStringList captions;
    bool doItEnabledBeforeChoice = true;
    whenChooserShows("Download Song", [&] {
        captions = {chooser->windowTitle(),
                    chooser->downloadOption->text(),
                    chooser->moreFromArtistOption->text(),
                    chooser->forgetOption->text(),
                    chooser->showSourceOption->text(),
                    chooser->webSearchOption->text()};
        doItEnabledBeforeChoice = chooser->doItButton->isEnabled();
        chooser->downloadOption->setChecked(true);
        QTest::mouseClick(chooser->doItButton, Qt::LeftButton);
    });
    clickRow(1);

    QCOMPARE(captions, (QStringList{"What to do?", "Download Song", "Find more from A & B ",
                                    "Forget about it.  Changed my mind.", "Show me where this came from.",
                                    "Google for A & B "}));
    QVERIFY(!doItEnabledBeforeChoice);
    QVERIFY(!chooser->isVisible());
    QCOMPARE(appGlobals::chosenAction, "done");
    QCOMPARE(queueLines(), QStringList{"A & B  - Song"});
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"A & B  - Song.mp3"}, 20000);
}

void tst_downloadHandlers::choicesThatQueueNothing_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<bool>("close"); // else "more from the artist"
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("closing the chooser forgets") << "Band" << true << QStringList{};
    QTest::newRow("more from a two-letter artist")
        << "AB" << false << QStringList{"Please search for at least 3 letters"};
}

void tst_downloadHandlers::choicesThatQueueNothing()
{
    QFETCH(QString, artist);
    QFETCH(bool, close);
    QFETCH(QStringList, messages);
    setResult(1, artist, "Left");
    m_window->searchOptionsPanel->searchField->setText("kept");
    ui::TrackChooser *chooser = m_window->chooser();
    const int queued = appGlobals::downloadCount;
    const qsizetype requests = m_server->requests().size();
    whenChooserShows("Download Left", [&] {
        if (close) {
            chooser->close();
        } else {
            chooser->moreFromArtistOption->setChecked(true);
            QTest::mouseClick(chooser->doItButton, Qt::LeftButton);
        }
    });
    clickRow(1);
    QCOMPARE(appGlobals::chosenAction, "done");
    QCOMPARE(m_boxes->texts(), messages);
    QCOMPARE(appGlobals::downloadCount, queued);
    QCOMPARE(m_server->requests().size(), requests);
    QCOMPARE(m_window->searchOptionsPanel->searchField->text(), "kept");
}

void tst_downloadHandlers::nestedClickActsOnNewestRowOnly()
{
    setResult(1, "Band", "First");
    setResult(2, "Band", "Second");
    m_server->setScript({S::send(okResponse("second"))});
    ui::TrackChooser *chooser = m_window->chooser();
    whenChooserShows("Download First", [&] {
        whenChooserShows("Download Second", [&] {
            chooser->downloadOption->setChecked(true);
            QTest::mouseClick(chooser->doItButton, Qt::LeftButton);
        });
        clickRow(2);
    });
    clickRow(1);

    QCOMPARE(appGlobals::chosenAction, "done");
    QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - Second.mp3"}, 20000);
    QTRY_VERIFY(!handleDownloads::pumpStepRunning());
    QCOMPARE(appGlobals::downloadCount, 0);
}

void tst_downloadHandlers::clicksOutsideTheResultsDoNothing()
{
    setResult(1, "Band", "Only");
    appGlobals::searchResultCount = 1;
    appGlobals::chosenAction = "done";
    clickRow(0); // the heading
    clickRow(2); // the empty row after the last result
    QVERIFY(!m_window->chooser()->isVisible());
    QCOMPARE(appGlobals::chosenAction, "done");
}

QTEST_MAIN(tst_downloadHandlers)
#include "tst_downloadHandlers.moc"
