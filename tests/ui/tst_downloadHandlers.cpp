// The main window's download side against a scripted loopback server: pump, cancel, track chooser.
#include "messageBoxCatcher.h"
#include "windowTestEnvironment.h"

#include "downloads/downloadQueue.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"
#include "ui/trackChooser.h"

#include <memory>

using S = ScriptedServer;

class tst_downloadHandlers : public QObject
{
    Q_OBJECT

    // Lives as long as the window: a box that opens between two tests is answered too.
    MessageBoxCatcher m_boxes;
    ScriptedServer m_server;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<ui::MainWindow> m_window;
    ui::CurrentDownloadPanel *m_panel = nullptr;
    ui::TrackChooser *m_chooser = nullptr;
    const S::Script stalled{
        // a track's head and first bytes, then nothing
        S::send("HTTP/1.1 200 OK\r\nContent-Length: 99\r\nAccept-Ranges: bytes\r\nETag: \"1\"\r\n\r\npart"),
        S::silence()};

    QString fileAddress(const QString &path) const { return m_server.siteAddress("files", path); }

    void enqueue(const QString &track, const QString &address)
    {
        downloads::enqueueDownload(m_window->downloadQueue, {"Band", track, address},
                                   *m_panel->downloadQueueList);
    }

    // The grid lists these tracks of `artist`, each at its own address.
    void showResults(const QString &artist, const QStringList &tracks)
    {
        m_window->searchResults.clear();
        for (const QString &track : tracks)
            m_window->searchResults.add({artist, track, "Rock", fileAddress("/" + track + ".mp3")});
        m_window->resultsPanel->resultsGrid->setRowCount(int(tracks.size()) + 2);
        m_window->resultsPanel->resultsGrid->setEnabled(true);
    }

    void clickRow(int row) { Q_EMIT m_window->resultsPanel->resultsGrid->cellClicked(row, 1); }

    // Runs `act` once the current-download field shows a retry's first pause.
    template <typename Act> void inFirstPause(Act act)
    {
        const auto pausing = [this] {
            return m_panel->currentDownloadField->text() == "retrying in 2 s\u2026";
        };
        onceWhen(m_panel->currentDownloadField, &QLineEdit::textChanged, pausing, act);
    }

    void choose(QRadioButton *option)
    {
        option->setChecked(true);
        QTest::mouseClick(m_chooser->doItButton, Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Nothing listens on port 1: the chooser's picture fails at once and is not shown.
        m_env = std::make_unique<WindowTestEnvironment>("http://sonavex.localhost:1/",
                                                        QStringLiteral("localhost:%1").arg(m_server.port()));
        m_window = std::make_unique<ui::MainWindow>();
        QVERIFY(m_window->isLoaded());
        m_window->show();
        m_panel = m_window->currentDownloadPanel;
        m_chooser = m_window->chooser();
        http::setTimeouts(5000, 5000);
        downloads::setFirstRetryPause(60000); // only a cancel ends it in time
        // A quicker pump tick keeps the test short; one step at a time is what is tested.
        m_panel->queuePumpTimer->setInterval(20);
        QVERIFY(m_panel->queuePumpTimer->isActive());
    }

    void init() { m_boxes.clear(); }

    void cleanup()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!m_window || !m_window->downloadQueue.pumpStepRunning(), 20000);
        emptyMusicFolder();
    }

    void pumpTakesTracksInOrder()
    {
        // The first site's page sets a cookie for its file; no later track sends it.
        const QByteArray body(300000, 'm');
        m_server.setScripts({S::ok("page", "Set-Cookie: sid=one; path=/\r\n"), S::ok(body + "1"),
                             S::ok(body + "22"), S::ok(body + "333")});
        const qsizetype firstRequest = m_server.requests().size();
        QStringList seen; // what the window shows while each request is out
        QObject listening;
        connect(&m_server, &ScriptedServer::requestReceived, &listening, [&] {
            seen << m_panel->currentDownloadField->text() + " | " +
                        texts(*m_panel->downloadQueueList).join(", ");
        });
        enqueue("One", m_server.siteAddress("shutemdown", "/1.mp3"));
        enqueue("Two", fileAddress("/2.mp3"));
        enqueue("Three", fileAddress("/3.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(musicFolderFiles().size(), 3, 20000);
        QTRY_VERIFY(!m_window->downloadQueue.pumpStepRunning());
        const QString first = "Band - One | Band - Two, Band - Three";
        QCOMPARE(seen, (QStringList{first, first, "Band - Two | Band - Three", "Band - Three | "}));
        const QList<QByteArray> requests = m_server.requests().mid(firstRequest);
        QCOMPARE(m_server.requestLines(firstRequest).mid(2),
                 (QList<QByteArray>{"GET /2.mp3 HTTP/1.1", "GET /3.mp3 HTTP/1.1"}));
        QVERIFY(requests[1].contains("\r\nCookie: sid=one\r\n"));
        QVERIFY(!requests[2].contains("Cookie:") && !requests[3].contains("Cookie:"));
        QCOMPARE(QFileInfo(core::settings().mp3Folder + "Band - Three.mp3").size(), body.size() + 3);
        QCOMPARE(m_boxes.texts(), QStringList());
        // Afterwards the display is empty again and the progress timer is off.
        QCOMPARE(m_panel->currentDownloadField->text() + m_panel->rateField->text() +
                     m_panel->receivedField->text() + QString::number(m_panel->downloadProgress->value()),
                 "0");
        QVERIFY(!m_panel->progressTimer->isActive());
    }

    // A choice mid-track is queued at once; a tick after the track's cancel starts nothing beside it.
    void choiceAndCancelDuringATrack()
    {
        m_server.setScripts({stalled, S::ok("next track")});
        showResults("Band", {"After"});
        clickRow(1);
        once(m_window->downloadSocket, &platform::SocketControl::dataArrival,
             [&] { choose(m_chooser->downloadOption); });
        QList<int> queued; // while the track runs, then after its cancel and a tick
        onceWhen(
            m_panel->downloadQueueList->model(), &QAbstractItemModel::rowsInserted,
            [&] { return texts(*m_panel->downloadQueueList) == QStringList{"Band - After"}; },
            [&] {
                queued << m_window->downloadQueue.pumpStepRunning();
                QTest::mouseClick(m_panel->cancelButton, Qt::LeftButton);
                QVERIFY(QMetaObject::invokeMethod(m_panel->queuePumpTimer, "timeout"));
                queued << m_window->downloadQueue.count();
            });
        enqueue("Cancelled", fileAddress("/c.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(musicFolderFiles(), QStringList{"Band - After.mp3"}, 20000);
        QCOMPARE(queued, (QList<int>{1, 1}));
    }

    // A cancel at any moment ends the track quietly, nothing more of it fetched or kept; the next goes on.
    void cancelAtAnyMomentEndsTheTrack_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<S::Script>>("scripts");
        // 0 the track shows, 1 a request is in, 2 a request has ended, 3 in a retry's pause
        QTest::addColumn<int>("moment");
        QTest::addColumn<QList<QByteArray>>("requests");
        const QString file = fileAddress("/c.mp3");
        const QList<QByteArray> one{"GET /c.mp3 HTTP/1.1"};
        QTest::newRow("before its request starts") << file << QList<S::Script>{} << 0 << QList<QByteArray>{};
        QTest::newRow("before the first byte") << file << QList<S::Script>{{S::silence()}} << 1 << one;
        QTest::newRow("between a site's page and its file")
            << m_server.siteAddress("shutemdown", "/c.mp3") << QList<S::Script>{S::ok("page")} << 2 << one;
        QTest::newRow("in a retry's pause")
            << file << QList<S::Script>{S::status(503, "Unavailable")} << 3 << one;
        QTest::newRow("in the first of two matching sites")
            << m_server.siteAddress("epitonic", "/c.mp3?rave.localhost&track=k")
            << QList<S::Script>{{S::silence()}} << 1
            << QList<QByteArray>{"GET /o1/epi_files/reg/songs/mp3/c.mp3?rave.localhost&track=k HTTP/1.1"};
    }
    void cancelAtAnyMomentEndsTheTrack()
    {
        QFETCH(QString, source);
        QFETCH(QList<S::Script>, scripts);
        QFETCH(int, moment);
        QFETCH(QList<QByteArray>, requests);
        m_server.setScripts(scripts << S::ok("next track"));
        const qsizetype firstRequest = m_server.requests().size();
        const auto cancel = [this] { QTest::mouseClick(m_panel->cancelButton, Qt::LeftButton); };
        if (moment == 0)
            once(m_panel->currentDownloadField, &QLineEdit::textChanged, cancel, Qt::DirectConnection);
        else if (moment == 1)
            once(&m_server, &ScriptedServer::requestReceived, cancel, Qt::DirectConnection);
        else if (moment == 2)
            once(&http::slotEvents(http::Slot::Download), &http::SlotEvents::finished, cancel,
                 Qt::DirectConnection);
        else
            inFirstPause(cancel);
        enqueue("Cancelled", source);
        enqueue("After", fileAddress("/After.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(musicFolderFiles(), QStringList{"Band - After.mp3"}, 20000);
        QCOMPARE(m_server.requestLines(firstRequest), requests << "GET /After.mp3 HTTP/1.1");
        QCOMPARE(m_boxes.texts(), QStringList());
        QCOMPARE(QDir(core::settings().tempFolder).entryList(QDir::Files), QStringList());
    }

    void chooserChoicesThatQueueNothing_data()
    {
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("choice"); // an option, or none: the chooser is closed
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("closing the chooser forgets") << "A & B " << QString() << QStringList{};
        QTest::newRow("more from a two-letter artist")
            << "AB" << QString("moreFromArtistOption") << QStringList{"Please search for at least 3 letters"};
    }

    void chooserChoicesThatQueueNothing()
    {
        QFETCH(QString, artist);
        QFETCH(QString, choice);
        QFETCH(QStringList, messages);
        showResults(artist, {"Song"});
        m_window->searchOptionsPanel->searchField->setText("kept");
        const qsizetype requests = m_server.requests().size();
        clickRow(1);
        QVERIFY(m_chooser->isVisible());
        QCOMPARE((QStringList{m_chooser->windowTitle(), m_chooser->downloadOption->text(),
                              m_chooser->moreFromArtistOption->text(), m_chooser->webSearchOption->text()}),
                 (QStringList{"What to do?", "Download Song",
                              "Find more from " + QString(artist).replace("&", "&&"),
                              "Google for " + QString(artist).replace("&", "&&")}));
        bool selected = false;
        for (const QRadioButton *option : m_chooser->findChildren<QRadioButton *>())
            selected = selected || option->isChecked();
        QCOMPARE(m_chooser->doItButton->isEnabled(), selected);
        if (choice.isEmpty())
            m_chooser->close();
        else
            choose(m_chooser->findChild<QRadioButton *>(choice));

        QVERIFY(!m_chooser->isVisible());
        QCOMPARE(m_chooser->chosenAction, choice.isEmpty() ? "forget" : "artist");
        QTRY_COMPARE(m_boxes.texts(), messages);
        QCOMPARE(m_window->downloadQueue.count(), 0);
        QCOMPARE(m_server.requests().size(), requests);
        QCOMPARE(m_window->searchOptionsPanel->searchField->text(), "kept");
    }

    void secondClickActsOnNewestRowOnlyAndOutsideClicksOnNone()
    {
        showResults("Band", {"First", "Second"});
        m_server.setScript(S::ok("second"));
        const qsizetype firstRequest = m_server.requests().size();
        clickRow(1);
        clickRow(2);
        QCOMPARE(m_chooser->downloadOption->text(), "Download Second");
        choose(m_chooser->downloadOption);

        QTRY_COMPARE_WITH_TIMEOUT(musicFolderFiles(), QStringList{"Band - Second.mp3"}, 20000);
        QTRY_VERIFY(!m_window->downloadQueue.pumpStepRunning());
        QCOMPARE(m_server.requestLines(firstRequest), QList<QByteArray>{"GET /Second.mp3 HTTP/1.1"});
        // Clicks on the heading and on the empty row after the last result open nothing.
        clickRow(0);
        clickRow(3);
        QVERIFY(!m_chooser->isVisible());
        QCOMPARE(m_chooser->chosenAction, "download");
    }

    // Last: closing the window cannot be undone in this process.
    void closingInARetrysPauseLeavesNoFile()
    {
        m_server.setScript({stalled.first(), S::pause(20), S::reset()});
        bool kept = false;
        inFirstPause([this, &kept] {
            kept = QFile::exists(core::settings().mp3Folder + "Band - Closed.tmp"); // for the resume
            m_window->close();
        });
        enqueue("Closed", fileAddress("/c.mp3"));
        QTRY_VERIFY(kept);
        m_window.reset();
        QCOMPARE(musicFolderFiles(), QStringList()); // at once: after the window no loop need run
        QCoreApplication::sendPostedEvents();        // a resumed wait finds the window gone
    }
};

QTEST_MAIN(tst_downloadHandlers)
#include "tst_downloadHandlers.moc"
