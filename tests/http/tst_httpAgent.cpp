#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"
#include "testHelpers.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using http::Slot;
using S = ScriptedServer;

Q_DECLARE_METATYPE(ScriptedServer::Script)
Q_DECLARE_METATYPE(http::Slot)

namespace {

const QString referer = QStringLiteral("http://sonavex.localhost/");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

} // namespace

class tst_http : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    void requestTextIsExact();
    void bodyReachesFileWhateverTheChunking_data();
    void bodyReachesFileWhateverTheChunking();
    void noWholeBodyLeavesNoFile_data();
    void noWholeBodyLeavesNoFile();
    void redirectsCarryTheirCookie_data();
    void redirectsCarryTheirCookie();
    void redirectHopsAreBounded();
    void unreachableHostGivesZero_data();
    void unreachableHostGivesZero();
    void brokenOffWaitLeavesNoFile_data();
    void brokenOffWaitLeavesNoFile();
    void requestFromInsideAWait_data();
    void requestFromInsideAWait();

private:
    int get(const QString &host, const QString &path, Slot slot = Slot::Service, const QString &file = {});
    platform::SocketControl &socketFor(Slot slot) { return slot == Slot::Service ? m_socket1 : m_socket2; }

    QTemporaryDir m_dir;
    QString m_file;
    platform::SocketControl m_socket1;
    platform::SocketControl m_socket2;
};

void tst_http::init()
{
    QVERIFY(m_dir.isValid());
    m_file = m_dir.filePath(QStringLiteral("webService_tmp.html"));
    // Short enough that a hang shows as a failure, long enough for a loaded machine.
    http::setTimeouts(10000, 10000);
    // Every case starts as the pump starts a track: no cookie of an earlier case.
    for (const Slot slot : {Slot::Service, Slot::Download})
        http::forgetSlotHistory(slot);
    QFile file(m_file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("an old body that must go");
}

int tst_http::get(const QString &host, const QString &path, Slot slot, const QString &file)
{
    return http::sendGetRequest(host, path, referer, QStringLiteral("TestAgent/1.0"), socketFor(slot),
                                file.isEmpty() ? m_file : file, slot);
}

void tst_http::requestTextIsExact()
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
    QCOMPARE(http::sendGetRequest(host, "/", "", "TestAgent/1.0", m_socket1, m_file, Slot::Service), 200);
    QCOMPARE(server.requests(), (QList<QByteArray>{"GET /trelvoStats.php?a=b%20c" + common +
                                                       "Referer: " + referer.toLatin1() + "\r\n\r\n",
                                                   "GET /" + common + "Referer: \r\n\r\n"}));
}

void tst_http::bodyReachesFileWhateverTheChunking_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("contentLength"); // 0: unknown

    const QByteArray body("0123456789");
    const QByteArray response = okResponse(body);
    QTest::newRow("a byte at a time") << S::trickle(response) << body << qint64(10);
    QTest::newRow("length over several pieces")
        << S::Script{S::send(response.left(45)), S::pause(20), S::send(response.mid(45, 3)), S::pause(20),
                     S::send(response.mid(48))}
        << body << qint64(10);
    QTest::newRow("chunked")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012"), S::pause(20),
                     S::send("345\r\n4\r\n6789\r"), S::pause(20), S::send("\n0\r\n\r\n")}
        << body << qint64(0);
    QTest::newRow("no length: the close ends it, not a blank line; last bytes come with the close")
        << S::Script{S::send("HTTP/1.0 200 OK\r\n\r\n0123\r\n\r\n"), S::pause(30), S::send("6789"),
                     S::close()}
        << QByteArray("0123\r\n\r\n6789") << qint64(0);
}

void tst_http::bodyReachesFileWhateverTheChunking()
{
    QFETCH(S::Script, script);
    QFETCH(QByteArray, body);
    QFETCH(qint64, contentLength);
    S server;
    server.setScript(script);

    QCOMPARE(get(server.hostText(), "/x"), 200);
    QCOMPARE(readAll(m_file), body);
    const http::SlotRecord &record = http::slotRecord(Slot::Service);
    QCOMPARE(record.contentLength, contentLength);
    QCOMPARE(record.lengthUnknown, contentLength == 0);
    QCOMPARE(record.bytesReceived, qint64(body.size()));
    QCOMPARE(m_socket1.state(), platform::SocketControl::State::Closed);
}

void tst_http::noWholeBodyLeavesNoFile_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<int>("result");

    const QByteArray head("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
    QTest::newRow("body short of its length")
        << S::Script{S::send(head + "0123"), S::pause(20), S::close()} << 0;
    QTest::newRow("chunked without the last chunk")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n"),
                     S::pause(20), S::close()}
        << 0;
    QTest::newRow("reset in the body") << S::Script{S::send(head + "0123"), S::pause(30), S::reset()} << 0;
    QTest::newRow("half a head, then close")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nCont"), S::close()} << 0;
    QTest::newRow("idle after the head") << S::Script{S::send(head + "01"), S::silence()} << 0;
    QTest::newRow("idle from the start") << S::Script{S::silence()} << 0;
    // The server keeps these open: only the agent's own close ends the wait before the idle time-out.
    QTest::newRow("404") << S::Script{S::send("HTTP/1.1 404 Not Found\r\nContent-Length: 50\r\n\r\n<"),
                                      S::silence()}
                         << 404;
    QTest::newRow("500") << S::Script{S::send("HTTP/1.1 500 Oops\r\nContent-Length: 50\r\n\r\n<"),
                                      S::silence()}
                         << 500;
    QTest::newRow("302 without a usable Location is the answer itself")
        << S::Script{S::send("HTTP/1.1 302 Found\r\nLocation:  \r\nContent-Length: 0\r\n\r\n"), S::silence()}
        << 302;
}

void tst_http::noWholeBodyLeavesNoFile()
{
    QFETCH(S::Script, script);
    QFETCH(int, result);
    S server;
    server.setScript(script);
    http::setTimeouts(10000, 600);

    QCOMPARE(get(server.hostText(), "/x"), result);
    QCOMPARE(http::slotRecord(Slot::Service).statusCode, result);
    QVERIFY(!QFile::exists(m_file));
    QCOMPARE(server.connectionCount(), 1);
    QTRY_COMPARE(server.openConnections(), 0);
}

void tst_http::redirectsCarryTheirCookie_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("location"); // %1 is the server's port
    QTest::addColumn<QString>("target");
    QTest::newRow("301 relative") << 301 << "/next?id=7 "
                                  << "127.0.0.1:%1/next?id=7";
    QTest::newRow("302 to another host") << 302 << "http://files.localhost:%1/a.mp3"
                                         << "files.localhost:%1/a.mp3";
    QTest::newRow("303 relative") << 303 << "/next?id=7"
                                  << "127.0.0.1:%1/next?id=7";
    QTest::newRow("307 to another host") << 307 << "HTTP://files.localhost:%1/a.mp3"
                                         << "files.localhost:%1/a.mp3";
}

void tst_http::redirectsCarryTheirCookie()
{
    QFETCH(int, status);
    QFETCH(QString, location);
    QFETCH(QString, target);
    S server;
    location = location.arg(server.port());
    target = target.arg(server.port());
    server.addScript(
        {S::send("HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nsEt-CoOkIe: hop=1; path=/\r\n" +
                 "location: " + location.toLatin1() + "\r\nContent-Length: 0\r\n\r\n"),
         S::silence()});
    server.addScript({S::send(okResponse("moved here"))});

    QCOMPARE(get(server.hostText(), "/first"), 200);
    QCOMPARE(readAll(m_file), QByteArray("moved here"));
    // A later answer without a cookie leaves the slot's cookie as it was; another slot never sends it.
    QCOMPARE(get(server.hostText(), "/again"), 200);
    QCOMPARE(get(server.hostText(), "/other", Slot::Download), 200);
    const QList<QByteArray> requests = server.requests();
    QCOMPARE(requests.size(), 4);
    QVERIFY(!requests[0].contains("Cookie"));
    const qsizetype slash = target.indexOf('/');
    QVERIFY2(requests[1].startsWith("GET " + target.mid(slash).toLatin1() +
                                    " HTTP/1.1\r\nHost: " + target.left(slash).toLatin1() + "\r\n"),
             requests[1].constData());
    // The cookie of the redirect itself goes along, and so does the referer.
    QVERIFY(requests[1].endsWith("\r\nReferer: " + referer.toLatin1() + "\r\nCookie: hop=1\r\n\r\n"));
    QVERIFY(requests[2].endsWith("\r\nCookie: hop=1\r\n\r\n"));
    QVERIFY(!requests[3].contains("Cookie"));
}

void tst_http::redirectHopsAreBounded()
{
    S server;
    server.setScript({S::send("HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n"), S::silence()});
    QCOMPARE(get(server.hostText(), "/start"), 302);
    QCOMPARE(server.connectionCount(), 11); // the request and ten hops
    QVERIFY(!QFile::exists(m_file));
}

void tst_http::unreachableHostGivesZero_data()
{
    QTest::addColumn<QString>("host"); // %1 is a port that takes connections but never completes them
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1").arg(port);
    QTest::newRow("does not resolve") << QStringLiteral("no-such-host.invalid");
    QTest::newRow("connect never completes: time-out") << QStringLiteral("127.0.0.1:%1");
}

void tst_http::unreachableHostGivesZero()
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

void tst_http::brokenOffWaitLeavesNoFile_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<bool>("afterBytes");
    QTest::addColumn<bool>("cancel"); // the cancel button marks the slot; otherwise the socket just closes
    const S::Script inBody{
        S::send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(500, 'x')), S::silence()};
    QTest::newRow("cancel in the body") << inBody << true << true;
    QTest::newRow("cancel before any head") << S::Script{S::silence()} << false << true;
    QTest::newRow("socket closed under the body") << inBody << true << false;
}

void tst_http::brokenOffWaitLeavesNoFile()
{
    QFETCH(S::Script, script);
    QFETCH(bool, afterBytes);
    QFETCH(bool, cancel);
    S server;
    server.setScript(script);
    const auto pressCancel = [this, cancel] {
        if (cancel)
            http::cancel(Slot::Download);
        m_socket2.close();
    };
    if (afterBytes)
        onceWhen(
            &m_socket2, &platform::SocketControl::dataArrival, [] { return true; }, pressCancel);
    else
        onceWhen(
            &server, &ScriptedServer::requestReceived, [] { return true; }, pressCancel);
    QCOMPARE(get(server.hostText(), "/track.mp3", Slot::Download), 0);
    QCOMPARE(http::slotRecord(Slot::Download).state == http::SlotRecord::State::Cancelled, cancel);
    QVERIFY(!QFile::exists(m_file));
    QTRY_COMPARE(server.openConnections(), 0);

    // The slot serves the next download as usual.
    server.setScript({S::send(okResponse("next"))});
    QCOMPARE(get(server.hostText(), "/next.mp3", Slot::Download), 200);
    QCOMPARE(readAll(m_file), QByteArray("next"));
}

void tst_http::requestFromInsideAWait_data()
{
    QTest::addColumn<Slot>("innerSlot");
    QTest::addColumn<int>("outerResult");
    QTest::addColumn<QByteArray>("outerBody");
    // On another slot both run to their end, the outer one while the inner one still waits.
    QTest::newRow("another slot") << Slot::Service << 200 << QByteArray("first-2nd");
    // On the same slot the newer request takes it over: the older one ends with nothing.
    QTest::newRow("the same slot") << Slot::Download << 0 << QByteArray("<no file>");
}

void tst_http::requestFromInsideAWait()
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
    onceWhen(
        &m_socket2, &platform::SocketControl::dataArrival, [] { return true; },
        [&] {
            innerResult = get(inner.hostText(), "/search", innerSlot, innerFile);
            outerDoneWhileInnerWaited = readAll(m_file) == outerBody;
        });
    QCOMPARE(get(outer.hostText(), "/track.mp3", Slot::Download), outerResult);
    QCOMPARE(innerResult, 200);
    QCOMPARE(readAll(innerFile), QByteArray("search results"));
    QCOMPARE(readAll(m_file), outerBody);
    QVERIFY(outerDoneWhileInnerWaited);
}

QTEST_MAIN(tst_http)
#include "tst_httpAgent.moc"
