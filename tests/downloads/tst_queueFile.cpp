// The download queue through restarts of the main window, connected to a scripted loopback server.
#include "messageBoxCatcher.h"
#include "scriptedServer.h"
#include "windowTestEnvironment.h"

#include "downloads/queueFile.h"
#include "ui/connectPanel.h"
#include "ui/currentDownloadPanel.h"
#include "ui/mainWindow.h"

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using S = ScriptedServer;

class tst_queueFile : public QObject
{
    Q_OBJECT

    MessageBoxCatcher m_boxes;
    ScriptedServer m_server;
    WindowTestEnvironment m_env{"http://" + m_server.hostText() + '/',
                                "localhost:" + QString::number(m_server.port())};
    std::unique_ptr<ui::MainWindow> m_window;
    const QString m_path = downloads::queueFile::path();

    QStringList queueList() const { return texts(*m_window->currentDownloadPanel->downloadQueueList); }
    static QStringList saved(const QString &path)
    {
        QStringList names;
        for (const downloads::QueuedTrack &track :
             downloads::queueFile::read(path).value_or(QList<downloads::QueuedTrack>{{"", "damaged", ""}}))
            names << track.track;
        return names;
    }

    // A new window, connected, its pump held until the test starts it; downloads meet a silent server.
    void connectNewWindow()
    {
        m_window = std::make_unique<ui::MainWindow>();
        m_window->currentDownloadPanel->queuePumpTimer->stop();
        m_window->show();
        m_server.setScripts(
            {{S::send(okResponse("engineVersion,3<br>\r\nlatestClientVersion,4<br>\r\ntrackCount,"
                                 "1<br>\r\nartistCount,1<br>\r\ngenreCount,1<br>\r\n1,Rock<br>\r\n"))},
             {S::send(okResponse("1,\"Ann\",x,2\r\n"))},
             {S::silence()}});
        m_window->connectPanel->connectButton->click();
        QTRY_VERIFY(m_window->searchPanelShown);
    }

    void enqueue(const QStringList &names)
    {
        for (const QString &name : names)
            downloads::enqueueDownload(
                m_window->downloadQueue,
                {"Band", name,
                 QStringLiteral("http://files.localhost:%1/%2.mp3").arg(m_server.port()).arg(name)},
                *m_window->currentDownloadPanel->downloadQueueList);
    }

    // The pump takes the next track; while its request waits, `act` runs.
    template <typename Act> void runNextTrack(Act act)
    {
        QTimer *pump = m_window->currentDownloadPanel->queuePumpTimer;
        onceWhen(
            &m_server, &S::requestReceived, [] { return true; },
            [pump, act] {
                pump->stop();
                act();
            });
        pump->start(20);
        QTRY_VERIFY(!pump->isActive() && !m_window->downloadQueue.pumpStepRunning());
    }

private Q_SLOTS:
    void runningTrackComesBackFirst()
    {
        connectNewWindow();
        enqueue({"A", "B", "C"});
        QCOMPARE(saved(m_path), (QStringList{"A", "B", "C"}));
        // While A runs, the file is what a run that ends now (a crash) leaves; a cancel drops A.
        runNextTrack([this] {
            QFile::copy(m_path, m_path + ".running");
            m_window->currentDownloadPanel->cancelButton->click();
        });
        QCOMPARE(saved(m_path + ".running"), (QStringList{"A", "B", "C"}));
        QCOMPARE(saved(m_path), (QStringList{"B", "C"}));

        QVERIFY(QFile::remove(m_path) && QFile::rename(m_path + ".running", m_path));
        connectNewWindow();
        QCOMPARE(queueList(), (QStringList{"Band - A", "Band - B", "Band - C"}));
        const qsizetype before = m_server.requests().size();
        runNextTrack([this] { m_window->currentDownloadPanel->cancelButton->click(); });
        QCOMPARE(m_server.requestLines(before), QList<QByteArray>{"GET /A.mp3 HTTP/1.1"});
        QCOMPARE(m_boxes.texts(), QStringList());
    }

    void savedFileComesBack_data()
    {
        QTest::addColumn<QByteArray>("content"); // "folder": a folder in its place
        QTest::addColumn<int>("queued");         // -1: set aside as damaged
        QByteArray many = "{\"version\": 1, \"tracks\": [";
        for (int i = 0; i < 120; ++i)
            many +=
                "{\"artist\": \"Band\", \"track\": \"" + QByteArray::number(i) + "\", \"source\": \"x\"},";
        QTest::newRow("more than the queue holds") << many.chopped(1) + "]}" << 99;
        QTest::newRow("not JSON") << QByteArray("Band - A\n") << -1;
        QTest::newRow("cut short") << many.left(200) << -1;
        QTest::newRow("other version") << QByteArray("{\"version\": 2, \"tracks\": []}") << -1;
        QTest::newRow("entry without source")
            << QByteArray("{\"version\": 1, \"tracks\": [{\"artist\": \"a\", \"track\": \"b\"}]}") << -1;
        QTest::newRow("a folder in its place") << QByteArray("folder") << -1;
    }

    void savedFileComesBack()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, queued);
        QFile file(m_path);
        QVERIFY(file.remove() || !file.exists());
        QVERIFY(content == "folder" ? QDir().mkpath(m_path)
                                    : file.open(QIODevice::WriteOnly) && file.write(content) && file.flush());
        file.close();
        m_boxes.clear();
        connectNewWindow();
        const QStringList list = queueList();
        QCOMPARE(list.size(), std::max(queued, 0));
        QCOMPARE(saved(m_path).size(), list.size()); // written anew
        if (queued > 0) {
            QVERIFY(list.first() == "Band - 0" && list.last() == "Band - 98" && m_boxes.count() == 0);
            return;
        }
        const QString prefix = "The saved download queue could not be read. It was set aside as " + m_path;
        QVERIFY2(m_boxes.count() == 1 && m_boxes.texts().first().startsWith(prefix),
                 qPrintable(m_boxes.texts().join('|')));
        const QString aside = m_boxes.texts().first().mid(prefix.size() - m_path.size());
        QFile asideFile(aside);
        QVERIFY(content == "folder" ? QFileInfo(aside).isDir()
                                    : asideFile.open(QIODevice::ReadOnly) && asideFile.readAll() == content);
    }

    // Last: closing the window ends the program, which cannot be undone within the process.
    void closingMidTrackKeepsItFirst()
    {
        connectNewWindow();
        enqueue({"A", "B"});
        runNextTrack([this] { m_window->close(); });
        QCOMPARE(saved(m_path), (QStringList{"A", "B"}));
    }
};

QTEST_MAIN(tst_queueFile)
#include "tst_queueFile.moc"
