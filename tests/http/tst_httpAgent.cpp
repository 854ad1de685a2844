#include "core/httpGlobals.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace httpGlobals;
using S = ScriptedServer;

Q_DECLARE_METATYPE(ScriptedServer::Script)

namespace {

const QString referer = QStringLiteral("http://sonavex.localhost/");
const QString agentName = QStringLiteral("TestAgent/1.0");

QByteArray ok(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class tst_httpAgent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void requestTextIsExact_data();
    void requestTextIsExact();
    void bodyReachesFileWhateverTheChunking_data();
    void bodyReachesFileWhateverTheChunking();
    void failedTransferLeavesNoFile_data();
    void failedTransferLeavesNoFile();
    void errorStatusClosesAtOnce_data();
    void errorStatusClosesAtOnce();
    void redirectsAreFollowed_data();
    void redirectsAreFollowed();
    void redirectToAnotherServer();
    void redirectHopsAreBounded();
    void cookieGoesBackOnItsOwnSlotOnly();
    void unreachableHostGivesZero_data();
    void unreachableHostGivesZero();
    void connectThatNeverCompletesTimesOut();
    void statusIsClearedWhenARequestStarts();
    void progressIsVisibleWhileReceiving();
    void cancelEndsTheWaitWithoutFile_data();
    void cancelEndsTheWaitWithoutFile();
    void brokenConnectionEndsTheWait();
    void twoSlotsInterleaveFromNestedHandlers();
    void newRequestOnABusySlotTakesItOver();

private:
    int get(ScriptedServer &server, const QString &path, int slot = webServiceSlot,
            const QString &hostOverride = {});
    platform::SocketControl *socketFor(int slot) { return slot == webServiceSlot ? m_socket1 : m_socket2; }

    QTemporaryDir m_dir;
    QString m_file;
    QObject m_owner;
    platform::SocketControl *m_socket1 = nullptr;
    platform::SocketControl *m_socket2 = nullptr;
};

void tst_httpAgent::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_socket1 = new platform::SocketControl(&m_owner);
    m_socket2 = new platform::SocketControl(&m_owner);
    httpAgent::attachSocket(*m_socket1, webServiceSlot);
    httpAgent::attachSocket(*m_socket2, downloadSlot);
    // Short enough that a hang shows as a failure, long enough for a loaded machine.
    httpAgent::setTimeouts(10000, 10000);
}

void tst_httpAgent::init()
{
    m_file = m_dir.filePath(QStringLiteral("webService_tmp.html"));
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        slotCookie[slot].clear();
        slotBytesReceived[slot] = 0;
    }
}

void tst_httpAgent::cleanup()
{
    httpAgent::setTimeouts(10000, 10000);
    QFile::remove(m_file);
}

int tst_httpAgent::get(ScriptedServer &server, const QString &path, int slot, const QString &hostOverride)
{
    // The port argument is what every caller passes; the port in the host text wins.
    return httpAgent::sendGetRequest(hostOverride.isEmpty() ? server.hostText() : hostOverride,
                                     QStringLiteral("80"), path, referer, agentName, *socketFor(slot), m_file,
                                     slot);
}

void tst_httpAgent::requestTextIsExact_data()
{
    QTest::addColumn<QString>("cookie");
    QTest::addColumn<QString>("referer");
    QTest::addColumn<QByteArray>("tail");
    QTest::newRow("no cookie") << "" << referer << QByteArray("Referer: http://sonavex.localhost/\r\n\r\n");
    QTest::newRow("cookie") << "sid=42" << referer
                            << QByteArray("Referer: http://sonavex.localhost/\r\nCookie: sid=42\r\n\r\n");
    QTest::newRow("empty referer") << ""
                                   << "" << QByteArray("Referer: \r\n\r\n");
}

void tst_httpAgent::requestTextIsExact()
{
    QFETCH(QString, cookie);
    QFETCH(QString, referer);
    QFETCH(QByteArray, tail);
    S server;
    server.setScript({S::send(ok("x"))});
    slotCookie[webServiceSlot] = cookie;
    const QString host = QStringLiteral("sonavex.localhost:%1").arg(server.port());

    QCOMPARE(httpAgent::sendGetRequest(host, "80", "/trelvoStats.php?a=b%20c", referer, agentName, *m_socket1,
                                       m_file, webServiceSlot),
             200);
    QCOMPARE(server.requests().size(), 1);
    const QByteArray expected =
        "GET /trelvoStats.php?a=b%20c HTTP/1.1\r\n"
        "Host: " +
        host.toLatin1() +
        "\r\n"
        "User-Agent: TestAgent/1.0\r\n"
        "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,"
        "image/png,*/*;q=0.5\r\n"
        "Accept-Language: en-gb,en;q=0.5\r\n"
        "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
        "Keep-Alive: 300\r\n"
        "Connection: Keep-Alive\r\n" +
        tail;
    QCOMPARE(server.requests().first(), expected);
}

void tst_httpAgent::bodyReachesFileWhateverTheChunking_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("contentLength");

    const QByteArray body("0123456789");
    const QByteArray response = ok(body);
    QTest::newRow("head and body in one piece") << S::Script{S::send(response)} << body << qint64(10);
    QTest::newRow("head split inside the blank line")
        << S::Script{S::send(response.left(36)), S::pause(30), S::send(response.mid(36))} << body
        << qint64(10);
    QTest::newRow("head split inside the status line")
        << S::Script{S::send("HTTP/1."), S::pause(30), S::send(response.mid(7))} << body << qint64(10);
    QTest::newRow("a byte at a time") << S::trickle(response) << body << qint64(10);
    QTest::newRow("length over several pieces")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"), S::pause(20),
                     S::send("012345"), S::pause(20), S::send("6789")}
        << body << qint64(10);
    QTest::newRow("chunked")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n6\r\n012"), S::pause(20),
                     S::send("345\r\n4\r\n6789\r"), S::pause(20), S::send("\n0\r\n\r\n")}
        << body << qint64(0);
    QTest::newRow("no length: blank line does not end it, the close does")
        << S::Script{S::send("HTTP/1.0 200 OK\r\n\r\n0123\r\n\r\n"), S::pause(30), S::send("6789"),
                     S::close()}
        << QByteArray("0123\r\n\r\n6789") << qint64(0);
    QTest::newRow("last bytes and close at once")
        << S::Script{S::send("HTTP/1.0 200 OK\r\n\r\n"), S::pause(20), S::send(body), S::close()} << body
        << qint64(0);
    QTest::newRow("interim 100 first")
        << S::Script{S::send("HTTP/1.1 100 Continue\r\n\r\n"), S::pause(20), S::send(response)} << body
        << qint64(10);
    QTest::newRow("empty body") << S::Script{S::send(ok(""))} << QByteArray() << qint64(0);
}

void tst_httpAgent::bodyReachesFileWhateverTheChunking()
{
    QFETCH(S::Script, script);
    QFETCH(QByteArray, body);
    QFETCH(qint64, contentLength);
    S server;
    server.setScript(script);
    writeFile(m_file, "an old body that must go");

    QCOMPARE(get(server, "/x"), 200);
    QCOMPARE(readAll(m_file), body);
    QCOMPARE(slotState[webServiceSlot], SLOT_COMPLETE);
    QCOMPARE(slotStatusCode[webServiceSlot], 200);
    QCOMPARE(slotContentLength[webServiceSlot], contentLength);
    QCOMPARE(slotLengthUnknown[webServiceSlot], contentLength == 0);
    QCOMPARE(slotBytesReceived[webServiceSlot], qint64(body.size()));
    QCOMPARE(m_socket1->state(), platform::SocketControl::STATE_CLOSED);
}

void tst_httpAgent::failedTransferLeavesNoFile_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<int>("idleMs");

    QTest::newRow("body short of its length")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n012345"), S::pause(20), S::close()}
        << 10000;
    QTest::newRow("chunked without the last chunk")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n"),
                     S::pause(20), S::close()}
        << 10000;
    QTest::newRow("broken chunk") << S::Script{S::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                                       "3\r\nabcdef"),
                                               S::silence()}
                                  << 10000;
    QTest::newRow("reset in the body")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123"), S::pause(30), S::reset()}
        << 10000;
    QTest::newRow("closed before any head") << S::Script{S::close()} << 10000;
    QTest::newRow("half a head, then close")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nCont"), S::close()} << 10000;
    QTest::newRow("head without end")
        << S::Script{S::send("HTTP/1.1 200 OK\r\n" + QByteArray(70000, 'x')), S::silence()} << 10000;
    QTest::newRow("silence after the head")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n01"), S::silence()} << 300;
    QTest::newRow("silence from the start") << S::Script{S::silence()} << 300;
}

void tst_httpAgent::failedTransferLeavesNoFile()
{
    QFETCH(S::Script, script);
    QFETCH(int, idleMs);
    S server;
    server.setScript(script);
    httpAgent::setTimeouts(10000, idleMs);
    writeFile(m_file, "an old body that must go");

    QCOMPARE(get(server, "/x"), 0);
    QVERIFY(!QFile::exists(m_file));
    QCOMPARE(slotStatusCode[webServiceSlot], 0);
    // The agent let go of the connection.
    QTRY_COMPARE(server.openConnections(), 0);
}

void tst_httpAgent::errorStatusClosesAtOnce_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("state");
    QTest::newRow("400") << 400 << SLOT_CLIENT_ERROR;
    QTest::newRow("404") << 404 << SLOT_CLIENT_ERROR;
    QTest::newRow("417") << 417 << SLOT_CLIENT_ERROR;
    QTest::newRow("500") << 500 << SLOT_SERVER_ERROR;
    QTest::newRow("505") << 505 << SLOT_SERVER_ERROR;
}

void tst_httpAgent::errorStatusClosesAtOnce()
{
    QFETCH(int, status);
    QFETCH(int, state);
    S server;
    // The server keeps the connection open: only the agent's own close can end the wait.
    server.setScript({S::send("HTTP/1.1 " + QByteArray::number(status) +
                              " Whatever\r\nContent-Length: 5000\r\n\r\n<html>"),
                      S::silence()});
    QCOMPARE(get(server, "/missing"), status);
    QCOMPARE(slotState[webServiceSlot], state);
    QVERIFY(!QFile::exists(m_file));
    QTRY_COMPARE(server.openConnections(), 0);
}

void tst_httpAgent::redirectsAreFollowed_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("301") << 301;
    QTest::newRow("302") << 302;
    QTest::newRow("303") << 303;
    QTest::newRow("307") << 307;
}

void tst_httpAgent::redirectsAreFollowed()
{
    QFETCH(int, status);
    S server;
    server.addScript({S::send("HTTP/1.1 " + QByteArray::number(status) +
                              " Moved\r\nlocation: /next?id=7 \r\nContent-Length: 0\r\n\r\n"),
                      S::silence()});
    server.addScript({S::send(ok("moved here"))});

    QCOMPARE(get(server, "/first"), 200);
    QCOMPARE(readAll(m_file), QByteArray("moved here"));
    QCOMPARE(server.requests().size(), 2);
    QVERIFY(server.requests().at(1).startsWith(
        "GET /next?id=7 HTTP/1.1\r\nHost: " + server.hostText().toLatin1() + "\r\n"));
    QCOMPARE(slotRedirectUrl[webServiceSlot], "http://" + server.hostText() + "/next?id=7");
}

void tst_httpAgent::redirectToAnotherServer()
{
    S first;
    S second;
    first.setScript({S::send("HTTP/1.1 302 Found\r\nSet-Cookie: hop=1; path=/\r\nLocation: http://" +
                             second.hostText().toLatin1() + "/file.mp3\r\n\r\n"),
                     S::silence()});
    second.setScript({S::send("HTTP/1.1 404 Not Found\r\n\r\n"), S::close()});
    QCOMPARE(get(first, "/redir?&destUrl=x"), 404);
    QVERIFY(!QFile::exists(m_file));

    second.setScript({S::send(ok("track"))});
    QCOMPARE(get(first, "/redir?&destUrl=x"), 200);
    QCOMPARE(readAll(m_file), QByteArray("track"));
    // The cookie of the redirect itself goes along.
    QVERIFY(second.requests().last().contains("\r\nCookie: hop=1\r\n"));
    QVERIFY(second.requests().last().contains("\r\nReferer: " + referer.toLatin1() + "\r\n"));

    // A redirect without a usable Location is the answer itself.
    first.setScript({S::send("HTTP/1.1 302 Found\r\nLocation:  \r\n\r\n"), S::close()});
    QCOMPARE(get(first, "/x"), 302);
    QVERIFY(!QFile::exists(m_file));
}

void tst_httpAgent::redirectHopsAreBounded()
{
    S server;
    server.setScript({S::send("HTTP/1.1 302 Found\r\nLocation: /again\r\n\r\n"), S::silence()});
    QCOMPARE(get(server, "/start"), 302);
    QCOMPARE(server.connectionCount(), 11); // the request and ten hops
    QCOMPARE(slotState[webServiceSlot], SLOT_REDIRECT);
    QVERIFY(!QFile::exists(m_file));
}

void tst_httpAgent::cookieGoesBackOnItsOwnSlotOnly()
{
    S server;
    server.addScript({S::send("HTTP/1.1 200 OK\r\nsEt-CoOkIe: a=1; path=/\r\nContent-Length: 1\r\n\r\nx")});
    server.addScript({S::send(ok("y"))});

    QCOMPARE(get(server, "/one", downloadSlot), 200);
    QCOMPARE(slotCookie[downloadSlot], QStringLiteral("a=1"));
    QCOMPARE(get(server, "/two", downloadSlot), 200);
    QCOMPARE(get(server, "/three", webServiceSlot), 200);

    const QList<QByteArray> requests = server.requests();
    QCOMPARE(requests.size(), 3);
    QVERIFY(!requests.at(0).contains("Cookie"));
    QVERIFY(requests.at(1).endsWith("\r\nCookie: a=1\r\n\r\n"));
    QVERIFY(!requests.at(2).contains("Cookie"));
    // A response without a cookie keeps the one the slot has.
    QCOMPARE(slotCookie[downloadSlot], QStringLiteral("a=1"));
}

void tst_httpAgent::unreachableHostGivesZero_data()
{
    QTest::addColumn<QString>("host");
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    QTest::newRow("refused") << QStringLiteral("127.0.0.1:%1").arg(port);
    QTest::newRow("refused, *.localhost") << QStringLiteral("files.localhost:%1").arg(port);
    QTest::newRow("does not resolve") << QStringLiteral("no-such-host.invalid");
    QTest::newRow("empty host") << QString();
}

void tst_httpAgent::unreachableHostGivesZero()
{
    QFETCH(QString, host);
    writeFile(m_file, "an old body that must go");
    slotStatusCode[webServiceSlot] = 200;
    QCOMPARE(
        httpAgent::sendGetRequest(host, "80", "/", referer, agentName, *m_socket1, m_file, webServiceSlot),
        0);
    QVERIFY(!QFile::exists(m_file));
    QCOMPARE(slotState[webServiceSlot], SLOT_CONNECTING);
}

void tst_httpAgent::connectThatNeverCompletesTimesOut()
{
    // A listener that never accepts and whose queue is full: the kernel drops further SYNs, so a
    // connect to it neither succeeds nor fails.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
    QCOMPARE(::listen(listener, 0), 0);
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const int filler = ::socket(AF_INET, SOCK_STREAM, 0);
    QCOMPARE(::connect(filler, reinterpret_cast<sockaddr *>(&address), length), 0);

    httpAgent::setTimeouts(300, 10000);
    writeFile(m_file, "an old body that must go");
    const QString host = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    const int result =
        httpAgent::sendGetRequest(host, "80", "/", referer, agentName, *m_socket1, m_file, webServiceSlot);
    ::close(filler);
    ::close(listener);
    QCOMPARE(result, 0);
    QCOMPARE(slotState[webServiceSlot], SLOT_CONNECTING);
    QVERIFY(!QFile::exists(m_file));
    QCOMPARE(m_socket1->state(), platform::SocketControl::STATE_CLOSED);
}

void tst_httpAgent::statusIsClearedWhenARequestStarts()
{
    S server;
    server.addScript({S::send(ok("fine"))});
    server.addScript({S::pause(20), S::close()});
    QCOMPARE(get(server, "/a"), 200);
    // A connection that ends before any head must not pass for the previous success.
    QCOMPARE(get(server, "/b"), 0);
    QCOMPARE(slotStatusCode[webServiceSlot], 0);
    QVERIFY(!QFile::exists(m_file));
}

void tst_httpAgent::progressIsVisibleWhileReceiving()
{
    S server;
    server.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n"),
                      S::send(QByteArray(1000, 'a')), S::pause(150), S::send(QByteArray(1000, 'b')),
                      S::pause(150), S::send(QByteArray(1000, 'c'))});
    QList<qint64> seen;
    QTimer progress;
    progress.setInterval(5);
    connect(&progress, &QTimer::timeout, this, [&] {
        if (slotState[downloadSlot] == SLOT_RECEIVING)
            seen.append(slotBytesReceived[downloadSlot]);
    });
    progress.start();
    QCOMPARE(get(server, "/big.mp3", downloadSlot), 200);
    progress.stop();
    QCOMPARE(readAll(m_file).size(), 3000);
    QVERIFY(std::any_of(seen.cbegin(), seen.cend(), [](qint64 n) { return n > 0 && n < 3000; }));
    QCOMPARE(slotBytesRemaining[downloadSlot], qint64(0));
}

void tst_httpAgent::cancelEndsTheWaitWithoutFile_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<bool>("afterBytes");
    QTest::newRow("in the body") << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" +
                                                      QByteArray(500, 'x')),
                                              S::silence()}
                                 << true;
    QTest::newRow("before any head") << S::Script{S::silence()} << false;
}

void tst_httpAgent::cancelEndsTheWaitWithoutFile()
{
    QFETCH(S::Script, script);
    QFETCH(bool, afterBytes);
    S server;
    server.setScript(script);
    // The cancel button: mark the slot, close its socket.
    QTimer button;
    button.setInterval(10);
    connect(&button, &QTimer::timeout, this, [&] {
        if ((!afterBytes && slotState[downloadSlot] == SLOT_REQUEST_SENT) ||
            slotBytesReceived[downloadSlot] > 0) {
            slotState[downloadSlot] = SLOT_CANCELLED;
            m_socket2->close();
            button.stop();
        }
    });
    button.start();
    QCOMPARE(get(server, "/track.mp3", downloadSlot), 0);
    QCOMPARE(slotState[downloadSlot], SLOT_CANCELLED);
    QVERIFY(!QFile::exists(m_file));
    QTRY_COMPARE(server.openConnections(), 0);

    // The slot serves the next download as usual.
    server.setScript({S::send(ok("next"))});
    QCOMPARE(get(server, "/next.mp3", downloadSlot), 200);
    QCOMPARE(readAll(m_file), QByteArray("next"));
}

void tst_httpAgent::brokenConnectionEndsTheWait()
{
    S server;
    server.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123"), S::silence()});
    // The connection goes away under the agent without a cancel: it must not wait for ever.
    QTimer breaker;
    breaker.setInterval(10);
    connect(&breaker, &QTimer::timeout, this, [&] {
        if (slotBytesReceived[downloadSlot] > 0) {
            breaker.stop();
            m_socket2->close();
        }
    });
    breaker.start();
    QCOMPARE(get(server, "/track.mp3", downloadSlot), 0);
    QCOMPARE(slotState[downloadSlot], SLOT_COMPLETE);
    QVERIFY(!QFile::exists(m_file));
}

void tst_httpAgent::twoSlotsInterleaveFromNestedHandlers()
{
    S slow;
    S fast;
    // Slot 2's body comes in two halves with a gap; slot 1 answers late, so slot 2 finishes while
    // slot 1's wait (started inside slot 2's wait) is still running.
    slow.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nfirst"), S::pause(100),
                    S::send("-2nd"), S::silence()});
    fast.setScript({S::pause(300), S::send(ok("search results"))});
    const QString searchFile = m_dir.filePath(QStringLiteral("search.html"));

    QStringList order;
    int innerResult = -1;
    bool slowDoneInsideInner = false;
    QTimer click;
    click.setInterval(5);
    connect(&click, &QTimer::timeout, this, [&] {
        if (slotBytesReceived[downloadSlot] == 0)
            return;
        click.stop();
        innerResult = httpAgent::sendGetRequest(fast.hostText(), "80", "/search", referer, agentName,
                                                *m_socket1, searchFile, webServiceSlot);
        slowDoneInsideInner = slotState[downloadSlot] == SLOT_COMPLETE;
        order << "inner";
    });
    click.start();
    const int outer = get(slow, "/track.mp3", downloadSlot);
    order << "outer";

    QCOMPARE(order, QStringList({"inner", "outer"}));
    QCOMPARE(innerResult, 200);
    QCOMPARE(outer, 200);
    QVERIFY(slowDoneInsideInner);
    QCOMPARE(readAll(searchFile), QByteArray("search results"));
    QCOMPARE(readAll(m_file), QByteArray("first-2nd"));
}

void tst_httpAgent::newRequestOnABusySlotTakesItOver()
{
    S first;
    S second;
    first.setScript({S::send("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\npartial"), S::silence()});
    second.setScript({S::send(ok("the second"))});
    const QString secondFile = m_dir.filePath(QStringLiteral("second.html"));

    int inner = -1;
    QTimer click;
    click.setInterval(5);
    connect(&click, &QTimer::timeout, this, [&] {
        if (slotBytesReceived[webServiceSlot] == 0)
            return;
        click.stop();
        inner = httpAgent::sendGetRequest(second.hostText(), "80", "/", referer, agentName, *m_socket1,
                                          secondFile, webServiceSlot);
    });
    click.start();
    // The first request lost its slot: no result, and its partial body is gone.
    QCOMPARE(get(first, "/"), 0);
    QCOMPARE(inner, 200);
    QVERIFY(!QFile::exists(m_file));
    QCOMPARE(readAll(secondFile), QByteArray("the second"));
}

QTEST_MAIN(tst_httpAgent)
#include "tst_httpAgent.moc"
