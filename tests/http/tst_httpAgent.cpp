#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"
#include "testHelpers.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using http::Slot;
using S = ScriptedServer;

namespace {
const QString referer = QStringLiteral("http://sonavex.localhost/");
} // namespace

class tst_http : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("webService_tmp.html"));
        // Short enough that a hang shows as a failure, long enough for a loaded machine.
        http::setTimeouts(10000, 10000);
        // Every case starts as the pump starts a track: no cookie of an earlier case.
        for (const Slot slot : {Slot::Service, Slot::Download})
            http::forgetSlotHistory(slot);
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("an old body that must go") > 0);
    }

    void requestTextIsExact()
    {
        S server;
        server.setScript({S::send(okResponse("x"))});
        const QString host = QStringLiteral("Sonavex.LocalHost:%1").arg(server.port());
        const QByteArray common = " HTTP/1.1\r\nHost: " + host.toLatin1() +
                                  "\r\nUser-Agent: TestAgent/1.0\r\n"
                                  "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
                                  "text/plain;q=0.8,image/png,*/*;q=0.5\r\n"
                                  "Accept-Language: en-gb,en;q=0.5\r\n"
                                  "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
                                  "Keep-Alive: 300\r\n"
                                  "Connection: Keep-Alive\r\n";
        QCOMPARE(get(host, "/trelvoStats.php?a=b%20c"), 200);
        QCOMPARE(QCoro::waitFor(http::fetch(host, "/", "", "TestAgent/1.0", m_socket1, m_file, Slot::Service))
                     .status,
                 200);
        QCOMPARE(server.requests(), (QList<QByteArray>{"GET /trelvoStats.php?a=b%20c" + common +
                                                           "Referer: " + referer.toLatin1() + "\r\n\r\n",
                                                       "GET /" + common + "Referer: \r\n\r\n"}));
    }

    void bodyReachesFileWhateverTheChunking_data()
    {
        QTest::addColumn<S::Script>("script");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("contentLength"); // 0: unknown
        QTest::newRow("a byte at a time")
            << S::trickle(okResponse("0123456789")) << QByteArray("0123456789") << qint64(10);
        QTest::newRow("chunked")
            << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012"),
                         S::pause(20), S::send("345\r\n4\r\n6789\r"), S::pause(20), S::send("\n0\r\n\r\n")}
            << QByteArray("0123456789") << qint64(0);
        QTest::newRow("no length: the close ends it, not a blank line; last bytes come with the close")
            << S::Script{S::send("HTTP/1.0 200 OK\r\n\r\n0123\r\n\r\n"), S::pause(30), S::send("6789"),
                         S::close()}
            << QByteArray("0123\r\n\r\n6789") << qint64(0);
    }

    void bodyReachesFileWhateverTheChunking()
    {
        QFETCH(S::Script, script);
        QFETCH(QByteArray, body);
        QFETCH(qint64, contentLength);
        S server;
        server.setScript(script);
        QCOMPARE(get(server.hostText(), "/x"), 200);
        QCOMPARE(fileBytes(m_file), body);
        const http::SlotRecord &record = http::slotRecord(Slot::Service);
        QCOMPARE(record.contentLength, contentLength);
        QCOMPARE(record.lengthUnknown, contentLength == 0);
        QCOMPARE(record.bytesReceived, qint64(body.size()));
        QCOMPARE(m_socket1.state(), platform::SocketControl::State::Closed);
    }

    void noWholeBodyLeavesNoFile_data()
    {
        QTest::addColumn<S::Script>("script");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("connections");
        const auto row = [](const char *name, const S::Script &script, int result = 0, int connections = 1) {
            QTest::newRow(name) << script << result << connections;
        };
        const QByteArray head("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        const QByteArray chunked("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
        row("body short of its length", {S::send(head + "0123"), S::pause(20), S::close()});
        row("chunked without the last chunk", {S::send(chunked + "3\r\nabc\r\n"), S::pause(20), S::close()});
        row("reset in the body", {S::send(head + "0123"), S::pause(30), S::reset()});
        row("half a head, then close", {S::send("HTTP/1.1 200 OK\r\nCont"), S::close()});
        row("idle after the head", {S::send(head + "01"), S::silence()});
        row("idle from the start", {S::silence()});
        // The server keeps these open: only the agent's own close ends the wait before the idle time-out.
        row("404", {S::send("HTTP/1.1 404 Not Found\r\nContent-Length: 50\r\n\r\n<"), S::silence()}, 404);
        row("500", {S::send("HTTP/1.1 500 Oops\r\nContent-Length: 50\r\n\r\n<"), S::silence()}, 500);
        row("302 without a usable Location is the answer itself",
            {S::send("HTTP/1.1 302 Found\r\nLocation:  \r\nContent-Length: 0\r\n\r\n"), S::silence()}, 302);
        row("101 nobody asked for is the answer itself",
            {S::send("HTTP/1.1 101 Switching Protocols\r\n\r\n"), S::silence()}, 101);
        row("lengths that differ",
            {S::send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\n0123"), S::silence()});
        row("endless redirects: the request and ten hops",
            {S::send("HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n"), S::silence()}, 302, 11);
    }

    void noWholeBodyLeavesNoFile()
    {
        QFETCH(S::Script, script);
        QFETCH(int, result);
        QFETCH(int, connections);
        S server;
        server.setScript(script);
        http::setTimeouts(10000, 600);
        QCOMPARE(get(server.hostText(), "/x"), result);
        QCOMPARE(http::slotRecord(Slot::Service).statusCode, result);
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(server.connectionCount(), connections);
        QTRY_COMPARE(server.openConnections(), 0);
    }

    void redirectsCarryTheirCookie_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("location"); // %1 is the server's port
        QTest::addColumn<QString>("target");   // the redirected request's line and host
        const auto row = [](const char *name, int status, const char *location, const char *target) {
            QTest::newRow(name) << status << QString::fromLatin1(location) << QString::fromLatin1(target);
        };
        row("301 relative", 301, "/next?id=7 ", "GET /next?id=7 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n");
        row("302 to another host", 302, "http://files.localhost:%1/a.mp3",
            "GET /a.mp3 HTTP/1.1\r\nHost: files.localhost:%1\r\n");
        row("303 relative", 303, "/next?id=7", "GET /next?id=7 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n");
        row("307 to another host", 307, "HTTP://files.localhost:%1/a.mp3",
            "GET /a.mp3 HTTP/1.1\r\nHost: files.localhost:%1\r\n");
    }

    void redirectsCarryTheirCookie()
    {
        QFETCH(int, status);
        QFETCH(QString, location);
        QFETCH(QString, target);
        S server;
        server.addScript(
            {S::send("HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nsEt-CoOkIe: hop=1; path=/\r\n" +
                     "location: " + location.arg(server.port()).toLatin1() + "\r\nContent-Length: 0\r\n\r\n"),
             S::silence()});
        server.addScript({S::send(okResponse("moved here"))});
        QCOMPARE(get(server.hostText(), "/first"), 200);
        QCOMPARE(fileBytes(m_file), QByteArray("moved here"));
        // A later answer without a cookie leaves the slot's cookie as it was; another slot never sends it.
        QCOMPARE(get(server.hostText(), "/again"), 200);
        QCOMPARE(get(server.hostText(), "/other", Slot::Download), 200);
        const QList<QByteArray> sent = server.requests();
        QCOMPARE(sent.size(), 4);
        QVERIFY(!sent[0].contains("Cookie"));
        QVERIFY2(sent[1].startsWith(target.arg(server.port()).toLatin1()), sent[1].constData());
        // The cookie of the redirect itself goes along, and so does the referer.
        QVERIFY(sent[1].endsWith("\r\nReferer: " + referer.toLatin1() + "\r\nCookie: hop=1\r\n\r\n"));
        QVERIFY(sent[2].endsWith("\r\nCookie: hop=1\r\n\r\n"));
        QVERIFY(!sent[3].contains("Cookie"));
    }

    void unreachableHostGivesZero_data()
    {
        QTest::addColumn<QString>("host"); // %1 is a port that takes connections but never completes them
        QTest::newRow("does not resolve") << QStringLiteral("no-such-host.invalid");
        QTest::newRow("connect never completes: time-out") << QStringLiteral("127.0.0.1:%1");
    }

    void unreachableHostGivesZero()
    {
        QFETCH(QString, host);
        // A listener that never accepts, its queue full: a connect to it neither succeeds nor fails.
        QTcpServer full;
        full.setListenBacklogSize(0);
        QVERIFY(full.listen(QHostAddress::LocalHost));
        full.pauseAccepting();
        QTcpSocket filler;
        filler.connectToHost(QHostAddress::LocalHost, full.serverPort());
        QVERIFY(filler.waitForConnected(5000));
        http::setTimeouts(300, 10000);
        QCOMPARE(get(host.contains("%1") ? host.arg(full.serverPort()) : host, "/"), 0);
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(m_socket1.state(), platform::SocketControl::State::Closed);
    }

    void closedSocketEndsTheWaitWithNoFile()
    {
        // The cancel button ends a wait the same way; the download tests press it.
        S server;
        server.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(500, 'x')),
                          S::silence()});
        once(&m_socket2, &platform::SocketControl::dataArrival, [this] { m_socket2.close(); });
        QCOMPARE(get(server.hostText(), "/track.mp3", Slot::Download), 0);
        QVERIFY(http::slotRecord(Slot::Download).state != http::SlotRecord::State::Cancelled);
        QVERIFY(!QFile::exists(m_file));
        QTRY_COMPARE(server.openConnections(), 0);
        // The slot serves the next download as usual.
        server.setScript({S::send(okResponse("next"))});
        QCOMPARE(get(server.hostText(), "/next.mp3", Slot::Download), 200);
        QCOMPARE(fileBytes(m_file), QByteArray("next"));
    }

    void requestFromInsideAWait_data()
    {
        QTest::addColumn<Slot>("innerSlot");
        QTest::addColumn<int>("outerResult");
        QTest::addColumn<QByteArray>("outerBody");
        // On another slot both run to their end, the outer one while the inner one still waits.
        QTest::newRow("another slot") << Slot::Service << 200 << QByteArray("first-2nd");
        // On the same slot the newer request takes it over: the older one ends with nothing.
        QTest::newRow("the same slot") << Slot::Download << 0 << QByteArray("<no file>");
    }

    void requestFromInsideAWait()
    {
        QFETCH(Slot, innerSlot);
        QFETCH(int, outerResult);
        QFETCH(QByteArray, outerBody);
        S outer;
        S inner;
        outer.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nfirst"), S::pause(100),
                         S::send("-2nd"), S::silence()});
        inner.setScript({S::pause(300), S::send(okResponse("search results"))});
        const QString innerFile = m_dir.filePath(QStringLiteral("search.html"));
        int innerResult = -1;
        bool outerDoneWhileInnerWaited = false;
        once(&m_socket2, &platform::SocketControl::dataArrival, [&] {
            innerResult = get(inner.hostText(), "/search", innerSlot, innerFile);
            outerDoneWhileInnerWaited = fileBytes(m_file) == outerBody;
        });
        QCOMPARE(get(outer.hostText(), "/track.mp3", Slot::Download), outerResult);
        QCOMPARE(innerResult, 200);
        QCOMPARE(fileBytes(innerFile), QByteArray("search results"));
        QCOMPARE(fileBytes(m_file), outerBody);
        QVERIFY(outerDoneWhileInnerWaited);
    }

private:
    // The request's final status, or 0; waits in a loop of its own, as only a test may.
    int get(const QString &host, const QString &path, Slot slot = Slot::Service, const QString &file = {})
    {
        return QCoro::waitFor(http::fetch(host, path, referer, QStringLiteral("TestAgent/1.0"),
                                          slot == Slot::Service ? m_socket1 : m_socket2,
                                          file.isEmpty() ? m_file : file, slot))
            .status;
    }

    QTemporaryDir m_dir;
    QString m_file;
    platform::SocketControl m_socket1;
    platform::SocketControl m_socket2;
};

QTEST_MAIN(tst_http)
#include "tst_httpAgent.moc"
