// The download queue through restarts of the main window, connected to a scripted loopback server.
#include "messageBoxCatcher.h"
#include "windowTestEnvironment.h"

#include "downloads/queueFile.h"
#include "ui/connectPanel.h"
#include "ui/currentDownloadPanel.h"
#include "ui/mainWindow.h"

class tst_queueFile : public QObject
{
    Q_OBJECT

    MessageBoxCatcher m_boxes;
    ScriptedServer m_server;
    WindowTestEnvironment m_env{"http://" + m_server.hostText() + '/'};
    std::unique_ptr<ui::MainWindow> m_window;
    const QString m_path = downloads::queueFile::path();

    // The track names in a queue file; "?" when it cannot be read.
    static QStringList saved(const QString &path)
    {
        QStringList names;
        for (const auto &track :
             downloads::queueFile::read(path).value_or(QList<downloads::QueuedTrack>{{{}, "?", {}}}))
            names << track.track;
        return names;
    }

    // A new window, connected, its pump held; downloads meet a silent server.
    void connectNewWindow()
    {
        m_window = std::make_unique<ui::MainWindow>();
        m_window->currentDownloadPanel->queuePumpTimer->stop();
        m_window->show();
        m_boxes.clear();
        m_server.setScripts(connectReplies() << ScriptedServer::Script{ScriptedServer::silence()});
        m_window->connectPanel->connectButton->click();
        QTRY_VERIFY(m_window->searchPanelShown);
    }

    // The pump takes the next track; while its request waits, `act` runs.
    template <typename Act> void runNextTrack(Act act)
    {
        QTimer *pump = m_window->currentDownloadPanel->queuePumpTimer;
        bool acted = false;
        once(&m_server, &ScriptedServer::requestReceived,
             [pump, act, &acted] { pump->stop(), act(), acted = true; });
        pump->start(20);
        QTRY_VERIFY(acted);
    }

private Q_SLOTS:
    void savedFileComesBack_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("queued"); // -1: set aside as damaged
        const QByteArray many = "{\"version\": 1, \"tracks\": [" +
                                numberedLines(R"({"artist": "Band", "track": "%1", "source": "x"},)", 120);
        QTest::newRow("more than the queue holds") << many.chopped(1) + "]}" << 99;
        QTest::newRow("not JSON") << QByteArray("Band - A\n") << -1;
        QTest::newRow("cut short") << many.left(200) << -1;
        QTest::newRow("other version") << QByteArray("{\"version\": 2, \"tracks\": []}") << -1;
        QTest::newRow("entry without source") << many.left(57) + "}]}" << -1;
    }

    void savedFileComesBack()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, queued);
        QFile file(m_path);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()) && file.open(QIODevice::WriteOnly) &&
                file.write(content));
        file.close();
        connectNewWindow();
        const QStringList names =
            texts(*m_window->currentDownloadPanel->downloadQueueList).replaceInStrings("Band - ", "");
        QCOMPARE(saved(m_path), names); // written anew
        QCOMPARE(names.size(), std::max(queued, 0));
        QCOMPARE(names.value(98), QLatin1String(queued > 0 ? "98" : "")); // the first 99, in order
        const QString prefix = "The saved download queue could not be read. It was set aside as ";
        QCOMPARE(m_boxes.count(), queued > 0 ? 0 : 1);
        QFile aside(m_boxes.texts().value(0).mid(prefix.size()));
        QCOMPARE(aside.open(QIODevice::ReadOnly) ? aside.readAll() : "kept", queued > 0 ? "kept" : content);
    }

    // Last: closing the window ends the program, which cannot be undone within the process.
    void runningTrackStaysFirst()
    {
        connectNewWindow();
        for (const QString &name : QStringList{"A", "B", "C"})
            downloads::enqueueDownload(m_window->downloadQueue,
                                       {"Band", name, "http://" + m_server.hostText() + '/' + name},
                                       *m_window->currentDownloadPanel->downloadQueueList);
        // While A runs, the file still starts with it (what a crash leaves); a cancel drops it, and
        // the pump goes on with B.
        QStringList whileRunning;
        const qsizetype first = m_server.requests().size();
        runNextTrack(
            [&] { whileRunning = saved(m_path), m_window->currentDownloadPanel->cancelButton->click(); });
        QCOMPARE(whileRunning, (QStringList{"A", "B", "C"}));
        QTRY_COMPARE(m_server.requestLines(first), (QList<QByteArray>{"GET /A HTTP/1.1", "GET /B HTTP/1.1"}));
        QCOMPARE(saved(m_path), (QStringList{"B", "C"}));

        connectNewWindow();
        QCOMPARE(texts(*m_window->currentDownloadPanel->downloadQueueList),
                 (QStringList{"Band - B", "Band - C"}));
        // Closing the window while B runs keeps it first.
        const qsizetype before = m_server.requests().size();
        runNextTrack([this] { m_window->close(); });
        QCOMPARE(m_server.requestLines(before), QList<QByteArray>{"GET /B HTTP/1.1"});
        QCOMPARE(saved(m_path), (QStringList{"B", "C"}));
        QCOMPARE(m_boxes.texts(), QStringList());
    }
};

QTEST_MAIN(tst_queueFile)
#include "tst_queueFile.moc"
