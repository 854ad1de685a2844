#include "downloadTestEnvironment.h"
#include "messageBoxCatcher.h"
#include "scriptedServer.h"

#include "core/httpGlobals.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QTcpServer>
#include <QTimer>

#include <memory>

using namespace httpGlobals;

// One track file over a loopback socket: names, the request it sends, what it reports, what it
// leaves in the music folder, cancel, and the progress texts.
class tst_transfer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fileNameSafe_data();
    void fileNameSafe();
    void savesServedBytesUnderTrackName();
    void secondCopyIsRefusedWithoutRequest();
    void failureLeavesNoFileAndNeverBlocksRetry_data();
    void failureLeavesNoFileAndNeverBlocksRetry();
    void cancelInBodyDiscardsQuietly();
    void cancelBeforeAnyHeadIsQuiet();
    void nameTheFileSystemRefuses();

    void thousandsText_data();
    void thousandsText();
    void progressDisplay();

private:
    QString fileAddress(const QString &path) const;
    void transfer(const QString &artist, const QString &track, QString address, const QString &referer = {});

    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<DownloadTestEnvironment> m_env;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    platform::SocketControl m_socket;
};

void tst_transfer::initTestCase()
{
    m_server = std::make_unique<ScriptedServer>();
    m_env = std::make_unique<DownloadTestEnvironment>(QStringLiteral("localhost:%1").arg(m_server->port()));
    httpAgent::attachSocket(m_socket, downloadSlot);
    httpAgent::setTimeouts(5000, 5000);
}

void tst_transfer::init()
{
    m_boxes = std::make_unique<MessageBoxCatcher>();
}

void tst_transfer::cleanup()
{
    m_boxes.reset();
    for (const QString &name : DownloadTestEnvironment::musicFolderFiles())
        QFile::remove(DownloadTestEnvironment::musicFile(name));
}

QString tst_transfer::fileAddress(const QString &path) const
{
    return QStringLiteral("http://files.localhost:%1%2").arg(m_server->port()).arg(path);
}

void tst_transfer::transfer(const QString &artist, const QString &track, QString address,
                            const QString &referer)
{
    handleDownloads::transferTrackFile(artist, track, address, m_socket, downloadSlot, referer);
}

void tst_transfer::fileNameSafe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all seven") << "a/b\\c?d*e:f|g>h"
                               << "a-b-c-d-e-f-g-h";
    QTest::newRow("every occurrence") << "//??"
                                      << "----";
    QTest::newRow("others untouched") << " <\"&.. x "
                                      << " <\"&.. x ";
}

void tst_transfer::fileNameSafe()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(handleDownloads::fileNameSafe(text), expected);
}

void tst_transfer::savesServedBytesUnderTrackName()
{
    QByteArray body("ID3\x03\0\0\0\0\0\0 not a blank line:\r\n\r\n then more", 45);
    for (int i = 0; i < 5000; ++i)
        body += char(i * 7);
    const QByteArray response = okResponse(body);
    m_server->setScript({ScriptedServer::send(response.left(60)), ScriptedServer::pause(20),
                         ScriptedServer::send(response.mid(60))});
    const int requestsBefore = int(m_server->requests().size());

    QString address = fileAddress(QString::fromLatin1("/dir/my song%41\xe9.mp3"));
    handleDownloads::transferTrackFile("A/B", "C:D?", address, m_socket, downloadSlot, QString());

    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList{"A-B - C-D-.mp3"});
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("A-B - C-D-.mp3")), body);

    // Blanks become %20 in the caller's copy too; "%" and other bytes go out as they are.
    QCOMPARE(address, fileAddress(QString::fromLatin1("/dir/my%20song%41\xe9.mp3")));
    QCOMPARE(m_server->requests().size(), requestsBefore + 1);
    const QByteArray request = m_server->requests().last();
    QCOMPARE(requestLine(request), "GET /dir/my%20song%41\xe9.mp3 HTTP/1.1");
    QCOMPARE(headerValue(request, "Referer"),
             QStringLiteral("http://files.localhost:%1/index.html").arg(m_server->port()).toLatin1());
}

void tst_transfer::secondCopyIsRefusedWithoutRequest()
{
    m_server->setScript({ScriptedServer::send(okResponse("first"))});
    transfer("X", "Y", fileAddress("/y.mp3"), "http://ref/");
    QCOMPARE(headerValue(m_server->requests().last(), "Referer"), "http://ref/");
    const int connections = m_server->connectionCount();

    m_server->setScript({ScriptedServer::send(okResponse("second"))});
    transfer("X", "Y", fileAddress("/y.mp3"));
    QCOMPARE(m_boxes->texts(), QStringList{"This track has already been downloaded.\r\n"
                                           "If you want this file instead, delete the old one."});
    QCOMPARE(m_server->connectionCount(), connections);
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("X - Y.mp3")), "first");
}

void tst_transfer::failureLeavesNoFileAndNeverBlocksRetry_data()
{
    QTest::addColumn<ScriptedServer::Script>("script");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("message");

    const QString socketError = "A Socket error occurred while downloading";
    QTest::newRow("404") << ScriptedServer::Script{ScriptedServer::send(
                                "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found")}
                         << false
                         << "An error occurred while downloading\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
    QTest::newRow("503")
        << ScriptedServer::Script{ScriptedServer::send("HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n")}
        << false << "An error occurred while downloading\r\nHTTP Response: 503 = HTTP_SERVICE_UNAVAILABLE";
    QTest::newRow("no connection") << ScriptedServer::Script{} << true << socketError;
    QTest::newRow("closed before any head")
        << ScriptedServer::Script{ScriptedServer::close()} << false << socketError;
    QTest::newRow("body short of its length")
        << ScriptedServer::Script{ScriptedServer::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf"),
                                  ScriptedServer::pause(20), ScriptedServer::close()}
        << false << socketError;
    QTest::newRow("reset in the body")
        << ScriptedServer::Script{ScriptedServer::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf"),
                                  ScriptedServer::pause(20), ScriptedServer::reset()}
        << false << socketError;
}

void tst_transfer::failureLeavesNoFileAndNeverBlocksRetry()
{
    QFETCH(ScriptedServer::Script, script);
    QFETCH(bool, refused);
    QFETCH(QString, message);

    QString address = fileAddress("/t.mp3");
    if (refused) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address = QStringLiteral("http://files.localhost:%1/t.mp3").arg(closed.serverPort());
    }
    m_server->setScript(script);
    transfer("Art", "Track", address);
    QCOMPARE(m_boxes->texts(), QStringList{message});
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());

    m_server->setScript({ScriptedServer::send(okResponse("whole"))});
    transfer("Art", "Track", fileAddress("/t.mp3"));
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList{"Art - Track.mp3"});
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("Art - Track.mp3")),
             "whole");
}

void tst_transfer::cancelInBodyDiscardsQuietly()
{
    QLineEdit current;
    current.setText("Art - Track");
    handleDownloads::DownloadPanel panel;
    panel.currentDownload = &current;
    panel.socket = &m_socket;
    panel.slot = downloadSlot;

    m_server->setScript(
        {ScriptedServer::send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(5000, 'x')),
         ScriptedServer::silence()});
    slotBytesReceived[downloadSlot] = 0;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (slotBytesReceived[downloadSlot] >= 5000)
            handleDownloads::cancelDownload(panel);
    });
    watch.start(5);
    transfer("Art", "Track", fileAddress("/t.mp3"));
    watch.stop();

    QCOMPARE(slotState[downloadSlot], SLOT_CANCELLED);
    QCOMPARE(current.text(), QString());
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());

    m_server->setScript({ScriptedServer::send(okResponse("again"))});
    transfer("Art", "Track", fileAddress("/t.mp3"));
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("Art - Track.mp3")),
             "again");
}

void tst_transfer::cancelBeforeAnyHeadIsQuiet()
{
    handleDownloads::DownloadPanel panel;
    panel.socket = &m_socket;
    panel.slot = downloadSlot;
    m_server->setScript({ScriptedServer::silence()});
    const int requestsBefore = int(m_server->requests().size());
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (m_server->requests().size() > requestsBefore)
            handleDownloads::cancelDownload(panel);
    });
    watch.start(5);
    // The slot's previous request ended with 200: a cancel must not be read as that success.
    slotStatusCode[downloadSlot] = HTTP_OK;
    transfer("Art", "Quiet", fileAddress("/q.mp3"));
    watch.stop();

    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());
}

void tst_transfer::nameTheFileSystemRefuses()
{
    const int connections = m_server->connectionCount();
    m_server->setScript({ScriptedServer::send(okResponse("bytes"))});
    transfer(QString(300, 'a'), "Long", fileAddress("/long.mp3"));
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY2(m_boxes->texts().first().startsWith("An error occurred while downloading\r\n"),
             qPrintable(m_boxes->texts().first()));
    QCOMPARE(m_server->connectionCount(), connections);
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());
}

void tst_transfer::thousandsText_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12345") << qint64(12345) << "12.345";
    QTest::newRow("12000") << qint64(12000) << "12";
    QTest::newRow("500") << qint64(500) << ".5";
    QTest::newRow("1") << qint64(1) << ".001";
    QTest::newRow("1010") << qint64(1010) << "1.01";
    QTest::newRow("above 2 GB a second") << qint64(5000000123) << "5000000.123";
}

void tst_transfer::thousandsText()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);
    QCOMPARE(handleDownloads::thousandsText(bytes), expected);
}

void tst_transfer::progressDisplay()
{
    QProgressBar bar;
    QLineEdit rate;
    QLineEdit kilobytes;
    handleDownloads::DownloadPanel panel;
    panel.progressBar = &bar;
    panel.rateText = &rate;
    panel.kilobytesText = &kilobytes;
    panel.slot = downloadSlot;
    qint64 lastBytes = 0;
    auto tick = [&](qint64 received, qint64 length, bool unknown) {
        slotBytesReceived[downloadSlot] = received;
        slotContentLength[downloadSlot] = length;
        slotLengthUnknown[downloadSlot] = unknown;
        handleDownloads::showTransferProgress(panel, lastBytes);
    };

    tick(12345, 100000, false);
    QCOMPARE(bar.maximum(), 100000);
    QCOMPARE(bar.value(), 12345);
    QCOMPARE(rate.text(), "12.345");
    QCOMPARE(kilobytes.text(), "12");

    // No new bytes: the rate stays as it was.
    tick(12345, 100000, false);
    QCOMPARE(rate.text(), "12.345");

    // At the full length the bar value is no longer moved.
    tick(100000, 100000, false);
    QCOMPARE(bar.value(), 12345);
    QCOMPARE(kilobytes.text(), "97");

    // A new track starts below the previous total: no rate until it has passed it.
    tick(500, 4000000000, false);
    QCOMPARE(rate.text(), "87.655");
    QCOMPARE(kilobytes.text(), "97");
    QVERIFY(bar.maximum() > 0);
    QCOMPARE(bar.value(), int(500 / (4000000000LL / std::numeric_limits<int>::max() + 1)));

    // Without a length the texts move, the bar does not.
    const int maximum = bar.maximum();
    tick(3548, 0, true);
    QCOMPARE(rate.text(), "3.048");
    QCOMPARE(kilobytes.text(), "3");
    QCOMPARE(bar.maximum(), maximum);
}

QTEST_MAIN(tst_transfer)
#include "tst_transfer.moc"
