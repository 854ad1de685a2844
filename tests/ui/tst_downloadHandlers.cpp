// The real main window's download side against a scripted loopback server: the pump with its queue
// list and progress display, the cancel button, and the chooser opened by a click in the results grid.
#include "messageBoxCatcher.h"
#include "scriptedServer.h"
#include "windowTestEnvironment.h"

#include "core/settings.h"
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

class tst_downloadHandlers : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<ui::MainWindow> m_window;
    ui::CurrentDownloadPanel *m_panel = nullptr;
    ui::TrackChooser *m_chooser = nullptr;
    std::unique_ptr<MessageBoxCatcher> m_boxes;

    QString fileAddress(const QString &path) const
    {
        return QStringLiteral("http://files.localhost:%1%2").arg(m_server->port()).arg(path);
    }

    QStringList queueLines() const
    {
        QStringList lines;
        for (int i = 0; i < m_panel->downloadQueueList->count(); ++i)
            lines << m_panel->downloadQueueList->item(i)->text();
        return lines;
    }

    QStringList musicFiles() const
    {
        return QDir(core::settings().mp3Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    void enqueue(const QString &track, const QString &address)
    {
        downloads::enqueueDownload(m_window->downloadQueue, {"Band", track, address},
                                   *m_panel->downloadQueueList);
    }

    void setResult(int row, const QString &artist, const QString &track)
    {
        QTableWidget *grid = m_window->resultsPanel->resultsGrid;
        // Rows above `row` stay; the row itself replaces whatever was there and after it.
        webservice::SearchResults &results = m_window->searchResults;
        QList<webservice::SearchResult> kept;
        for (int i = 0; i < qMin(results.count(), row - 1); ++i)
            kept << results.at(i);
        while (kept.size() < row - 1)
            kept << webservice::SearchResult{};
        results.clear();
        for (const webservice::SearchResult &keptRow : kept)
            results.add(keptRow);
        results.add({artist, track, "Rock", fileAddress("/" + track + ".mp3")});
        grid->setRowCount(qMax(grid->rowCount(), results.count() + 2));
        grid->setEnabled(true);
    }

    void clickRow(int row) { Q_EMIT m_window->resultsPanel->resultsGrid->cellClicked(row, 1); }

    // Runs `act` once the chooser shows `caption` on its download option. The click that opens it
    // waits inside for the choice, so the check runs from a timer.
    void whenChooserShows(const QString &caption, std::function<void()> act)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll, caption, act] {
            if (!m_chooser->isVisible() || m_chooser->downloadOption->text() != caption)
                return;
            poll->deleteLater();
            poll->stop();
            act();
        });
        poll->start(10);
    }

    void choose(QRadioButton *option)
    {
        option->setChecked(true);
        QTest::mouseClick(m_chooser->doItButton, Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase()
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
        m_panel = m_window->currentDownloadPanel;
        m_chooser = m_window->chooser();
        http::setTimeouts(5000, 5000);
        // A quicker pump tick keeps the test short; one step at a time is what is tested.
        m_panel->queuePumpTimer->setInterval(20);
        QVERIFY(m_panel->queuePumpTimer->isActive());
    }

    void init() { m_boxes->clear(); }

    void cleanup()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->downloadQueue.pumpStepRunning(), 20000);
        for (const QString &name : musicFiles())
            QFile::remove(core::settings().mp3Folder + name);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_boxes.reset();
    }

    void pumpTakesTracksInOrder()
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
        // The pump's step waits inside the timer's tick, so what the window shows meanwhile is seen
        // from another timer.
        QStringList seen;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            const QString text = m_panel->currentDownloadField->text();
            if (!text.isEmpty() && (seen.isEmpty() || !seen.last().startsWith(text)) &&
                http::slotRecord(http::Slot::Download).bytesReceived > 0)
                seen << text + " | " + queueLines().join(", ");
        });
        look.start(5);
        enqueue("One", fileAddress("/1.mp3"));
        enqueue("Two", fileAddress("/2.mp3"));
        enqueue("Three", fileAddress("/3.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(musicFiles().size(), 3, 20000);
        QTRY_VERIFY(!m_window->downloadQueue.pumpStepRunning());
        QCOMPARE(seen, (QStringList{"Band - One | Band - Two, Band - Three", "Band - Two | Band - Three",
                                    "Band - Three | "}));
        QCOMPARE(m_server->requestLines(firstRequest),
                 (QList<QByteArray>{"GET /1.mp3 HTTP/1.1", "GET /2.mp3 HTTP/1.1", "GET /3.mp3 HTTP/1.1"}));
        QCOMPARE(QFileInfo(core::settings().mp3Folder + "Band - Three.mp3").size(), body.size() + 3);
        QCOMPARE(m_boxes->texts(), QStringList());
        // Afterwards the display is empty again and the progress timer is off.
        QCOMPARE(m_panel->currentDownloadField->text() + m_panel->rateField->text() +
                     m_panel->receivedField->text(),
                 QString());
        QCOMPARE(m_panel->downloadProgress->value(), 0);
        QVERIFY(!m_panel->progressTimer->isActive());
    }

    void cancelEndsOnlyTheRunningStep()
    {
        m_server->setScript(
            {S::send("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + QByteArray(20000, 'x')),
             S::silence()});
        m_server->addScript({S::send(okResponse("next track"))});
        bool secondTickStarted = true;
        bool stepStillRunning = false;
        // The cancel must come while the step runs, and the step waits inside the pump's tick.
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (http::slotRecord(http::Slot::Download).bytesReceived < 20000 ||
                m_panel->currentDownloadField->text().isEmpty())
                return;
            watch.stop();
            QTest::mouseClick(m_panel->cancelButton, Qt::LeftButton);
            // A tick now finds the current download empty, yet the cancelled step has not returned.
            downloads::DownloadPanel panel{&m_window->downloadQueue,   m_panel->currentDownloadField,
                                           m_panel->downloadQueueList, m_panel->downloadProgress,
                                           m_panel->rateField,         m_panel->receivedField,
                                           m_panel->progressTimer,     m_window->downloadSocket,
                                           http::Slot::Download};
            stepStillRunning = m_window->downloadQueue.pumpStepRunning();
            secondTickStarted = downloads::pumpDownloadQueue(panel);
        });
        watch.start(5);
        enqueue("Cancelled", fileAddress("/c.mp3"));
        enqueue("After", fileAddress("/a.mp3"));

        QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - After.mp3"}, 20000);
        QVERIFY(stepStillRunning);
        QVERIFY(!secondTickStarted);
        QCOMPARE(m_boxes->texts(), QStringList());
        QFile after(core::settings().mp3Folder + "Band - After.mp3");
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), "next track");
    }

    void cookieOfOneTrackNeverReachesTheNext()
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

    void chooserDownloadsTheClickedTrack()
    {
        setResult(1, "A & B ", "Song");
        m_server->setScript({S::send(okResponse("chosen"))});
        QStringList captions;
        bool doItEnabledBeforeChoice = true;
        whenChooserShows("Download Song", [&] {
            captions = {m_chooser->windowTitle(), m_chooser->moreFromArtistOption->text(),
                        m_chooser->webSearchOption->text()};
            doItEnabledBeforeChoice = m_chooser->doItButton->isEnabled();
            choose(m_chooser->downloadOption);
        });
        clickRow(1);

        QCOMPARE(captions, (QStringList{"What to do?", "Find more from A & B ", "Google for A & B "}));
        QVERIFY(!doItEnabledBeforeChoice);
        QVERIFY(!m_chooser->isVisible());
        QCOMPARE(m_chooser->chosenAction, "done");
        QCOMPARE(queueLines(), QStringList{"A & B  - Song"});
        QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"A & B  - Song.mp3"}, 20000);
    }

    void choicesThatQueueNothing_data()
    {
        QTest::addColumn<QString>("artist");
        QTest::addColumn<bool>("close"); // else "more from the artist"
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("closing the chooser forgets") << "Band" << true << QStringList{};
        QTest::newRow("more from a two-letter artist")
            << "AB" << false << QStringList{"Please search for at least 3 letters"};
    }

    void choicesThatQueueNothing()
    {
        QFETCH(QString, artist);
        QFETCH(bool, close);
        QFETCH(QStringList, messages);
        setResult(1, artist, "Left");
        m_window->searchOptionsPanel->searchField->setText("kept");
        const int queued = m_window->downloadQueue.count();
        const qsizetype requests = m_server->requests().size();
        whenChooserShows("Download Left", [&] {
            if (close)
                m_chooser->close();
            else
                choose(m_chooser->moreFromArtistOption);
        });
        clickRow(1);
        QCOMPARE(m_chooser->chosenAction, "done");
        QCOMPARE(m_boxes->texts(), messages);
        QCOMPARE(m_window->downloadQueue.count(), queued);
        QCOMPARE(m_server->requests().size(), requests);
        QCOMPARE(m_window->searchOptionsPanel->searchField->text(), "kept");
    }

    void nestedClickActsOnNewestRowOnly()
    {
        setResult(1, "Band", "First");
        setResult(2, "Band", "Second");
        m_server->setScript({S::send(okResponse("second"))});
        whenChooserShows("Download First", [&] {
            whenChooserShows("Download Second", [&] { choose(m_chooser->downloadOption); });
            clickRow(2);
        });
        clickRow(1);

        QCOMPARE(m_chooser->chosenAction, "done");
        QTRY_COMPARE_WITH_TIMEOUT(musicFiles(), QStringList{"Band - Second.mp3"}, 20000);
        QTRY_VERIFY(!m_window->downloadQueue.pumpStepRunning());
        QCOMPARE(m_window->downloadQueue.count(), 0);
    }

    void clicksOutsideTheResultsDoNothing()
    {
        setResult(1, "Band", "Only");
        m_chooser->chosenAction = "done";
        clickRow(0); // the heading
        clickRow(2); // the empty row after the last result
        QVERIFY(!m_chooser->isVisible());
        QCOMPARE(m_chooser->chosenAction, "done");
    }
};

QTEST_MAIN(tst_downloadHandlers)
#include "tst_downloadHandlers.moc"
