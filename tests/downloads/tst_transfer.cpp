#include "downloadTestEnvironment.h"
#include "messageBoxCatcher.h"
#include "scriptedServer.h"

#include "downloads/downloadQueue.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <QLineEdit>
#include <QListWidget>

#include <memory>

using Env = DownloadTestEnvironment;
using S = ScriptedServer;

// One track file over a loopback socket: names, the request it sends, what it reports, what it
// leaves in the music folder, cancel; the queue of at most 99 tracks and the rate text.
class tst_transfer : public QObject
{
    Q_OBJECT

    S m_server;
    std::unique_ptr<Env> m_env;
    MessageBoxCatcher m_boxes;
    platform::SocketControl m_socket;

    QString fileAddress(const QString &path) const
    {
        return QStringLiteral("http://files.localhost:%1%2").arg(m_server.port()).arg(path);
    }
    void transfer(const QString &artist, const QString &track, QString address)
    {
        downloads::transferTrackFile(artist, track, address, m_socket, http::Slot::Download, {});
    }
    // Nothing stops the same track from landing afterwards.
    void retryLands()
    {
        m_server.setScript({S::send(okResponse("whole"))});
        transfer("Art", "Track", fileAddress("/t.mp3"));
        QCOMPARE(Env::musicFolderFiles(), QStringList{"Art - Track.mp3"});
        QCOMPARE(Env::readMusicFile("Art - Track.mp3"), "whole");
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<Env>(m_server.port());
        http::attachSocket(m_socket, http::Slot::Download);
        http::setTimeouts(5000, 5000);
    }

    void init()
    {
        m_boxes.clear();
        Env::emptyMusicFolder();
    }

    void savesServedBytesUnderSafeNameOnce()
    {
        static const char head[] = "ID3\x03\0\0\0\0\0\0 not a blank line:\r\n\r\n then more";
        QByteArray body(head, sizeof(head) - 1);
        for (int i = 0; i < 5000; ++i)
            body += char(i * 7);
        const QByteArray response = okResponse(body);
        const qsizetype first = m_server.requests().size();
        m_server.setScript({S::send(response.left(60)), S::pause(20), S::send(response.mid(60))});

        // Blanks become %20 in the caller's copy too; "%" and other bytes go out as they are.
        QString address = fileAddress(QString::fromLatin1("/dir/my song%41\xe9.mp3"));
        downloads::transferTrackFile("a//b\\c?d*e", ":f|g>h <\"&.", address, m_socket, http::Slot::Download,
                                     {});
        QCOMPARE(address, fileAddress(QString::fromLatin1("/dir/my%20song%41\xe9.mp3")));
        const QString saved = "a--b-c-d-e - -f-g-h <\"&..mp3";
        QCOMPARE(m_boxes.texts(), QStringList());
        QCOMPARE(Env::musicFolderFiles(), QStringList{saved});
        QCOMPARE(Env::readMusicFile(saved), body);
        QCOMPARE(m_server.requests().size(), first + 1);
        QCOMPARE(describe(m_server.requests().last()),
                 QString::fromLatin1("GET /dir/my%20song%41\xe9.mp3 HTTP/1.1|files.localhost:%1|"
                                     "http://files.localhost:%1/index.html|")
                     .arg(m_server.port()));

        // A second copy is refused before any request.
        transfer("a//b\\c?d*e", ":f|g>h <\"&.", fileAddress("/other.mp3"));
        QCOMPARE(m_boxes.texts(), QStringList{"This track has already been downloaded.\r\n"
                                              "If you want this file instead, delete the old one."});
        QCOMPARE(m_server.requests().size(), first + 1);
        QCOMPARE(Env::readMusicFile(saved), body);
    }

    // A refused connection takes the same way as a body cut short, which leaves a partial file behind.
    void failureLeavesNoFileAndNeverBlocksRetry_data()
    {
        QTest::addColumn<S::Script>("script");
        QTest::addColumn<QString>("message");
        QTest::newRow("404") << S::Script{S::send(httpResponse(404, "Not Found", "not found"))}
                             << "An error occurred while downloading\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
        QTest::newRow("body short of its length")
            << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf"), S::pause(20),
                         S::close()}
            << "A Socket error occurred while downloading";
    }
    void failureLeavesNoFileAndNeverBlocksRetry()
    {
        QFETCH(S::Script, script);
        QFETCH(QString, message);
        m_server.setScript(script);
        transfer("Art", "Track", fileAddress("/t.mp3"));
        QCOMPARE(m_boxes.texts(), QStringList{message});
        QCOMPARE(Env::musicFolderFiles(), QStringList());
        retryLands();
        QCOMPARE(m_boxes.count(), 1);
    }

    // A cancel in the body is caught through the window's cancel button (tst_downloadHandlers).
    void cancelBeforeAnyHeadIsQuietAndLeavesNoFile()
    {
        QLineEdit current("Art - Track");
        downloads::DownloadPanel panel;
        panel.currentDownload = &current;
        panel.socket = &m_socket;
        panel.slot = http::Slot::Download;
        m_server.setScript({S::silence()});
        http::forgetSlotHistory(http::Slot::Download);
        onceWhen(
            &m_server, &ScriptedServer::requestReceived, [] { return true; },
            [&panel] { downloads::cancelDownload(panel); });
        transfer("Art", "Track", fileAddress("/t.mp3"));
        QCOMPARE(current.text(), QString());
        QCOMPARE(m_boxes.texts(), QStringList());
        QCOMPARE(Env::musicFolderFiles(), QStringList());
        retryLands();
    }

    void nameTheFileSystemRefuses()
    {
        const int connections = m_server.connectionCount();
        m_server.setScript({S::send(okResponse("bytes"))});
        transfer(QString(300, 'a'), "Long", fileAddress("/long.mp3"));
        QCOMPARE(m_boxes.count(), 1);
        QVERIFY2(m_boxes.texts().first().startsWith("An error occurred while downloading\r\n"),
                 qPrintable(m_boxes.texts().first()));
        QCOMPARE(m_server.connectionCount(), connections);
        QCOMPARE(Env::musicFolderFiles(), QStringList());
    }

    void queueIsFirstInFirstOutAndBounded()
    {
        downloads::DownloadQueue queue;
        QListWidget list;
        QCOMPARE(queue.takeFirst().source, QString()); // harmless on an empty queue
        downloads::enqueueDownload(queue, {"B & C", "Two ", "http://s/0"}, list);
        for (int i = 1; i <= 100; ++i) // duplicates are queued too; past 99 nothing
            downloads::enqueueDownload(queue, {QString::number(i % 2), "T", "u" + QString::number(i)}, list);
        QCOMPARE(queue.count(), downloads::DownloadQueue::MAX_TRACKS);
        QCOMPARE(list.count(), downloads::DownloadQueue::MAX_TRACKS);
        QCOMPARE(texts(list).mid(0, 3), (QStringList{"B & C - Two ", "1 - T", "0 - T"}));
        QCOMPARE(texts(list).last(), "0 - T");
        const downloads::QueuedTrack first = queue.takeFirst();
        QCOMPARE(QStringList({first.artist, first.track, first.source}),
                 (QStringList{"B & C", "Two ", "http://s/0"}));
        QCOMPARE(queue.takeFirst().source, "u1");

        // A place taken off a full queue is free again, at the end.
        downloads::enqueueDownload(queue, {"New", "T", "u"}, list);
        QCOMPARE(queue.count(), downloads::DownloadQueue::MAX_TRACKS - 1);
        QCOMPARE(queue.at(queue.count() - 1).artist, "New");
        QCOMPARE(texts(list).last(), "New - T");
    }

    void rateTexts()
    {
        QCOMPARE(downloads::thousandsText(12000), "12");
        QCOMPARE(downloads::thousandsText(500), ".5");
        QCOMPARE(downloads::thousandsText(1010), "1.01");
        QCOMPARE(downloads::thousandsText(5000000123), "5000000.123");
    }
};

QTEST_MAIN(tst_transfer)
#include "tst_transfer.moc"
