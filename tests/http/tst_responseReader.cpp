#include "http/httpAgent.h"
#include "http/responseReader.h"

#include <QTest>

using httpAgent::responseReader;

namespace {

// What a reader made of a whole response.
struct Outcome
{
    responseReader::Phase phase = responseReader::Phase::Head;
    int status = 0;
    qint64 contentLength = 0;
    QString cookie;
    QString location;
    QByteArray body;
    int heads = 0; // times the reader stopped to hand over a head

    bool operator==(const Outcome &) const = default;
};

char *toString(const Outcome &o)
{
    return qstrdup(QStringLiteral("phase %1 status %2 length %3 cookie '%4' location '%5' heads %6 body '%7'")
                       .arg(int(o.phase))
                       .arg(o.status)
                       .arg(o.contentLength)
                       .arg(o.cookie, o.location)
                       .arg(o.heads)
                       .arg(QString::fromLatin1(o.body.left(60)))
                       .toLocal8Bit()
                       .constData());
}

// Feeds the pieces the way the agent does: after a head, the rest of the piece is fed again.
Outcome read(const QList<QByteArray> &pieces, bool peerCloses)
{
    responseReader reader;
    Outcome o;
    const auto sink = [&o](QByteArrayView bytes) { o.body += bytes.toByteArray(); };
    for (const QByteArray &piece : pieces) {
        QByteArrayView rest(piece);
        do {
            const bool hadHead = reader.headComplete();
            rest = rest.sliced(reader.feed(rest, sink));
            if (!hadHead && reader.headComplete())
                ++o.heads;
        } while (!rest.isEmpty());
    }
    if (peerCloses)
        reader.endOfStream();
    o.phase = reader.phase();
    o.status = reader.head().statusCode;
    o.contentLength = reader.head().contentLength;
    o.cookie = reader.head().cookie;
    o.location = reader.head().location;
    if (reader.bodyBytes() != o.body.size())
        o.body += "<count differs>";
    return o;
}

QList<QByteArray> bytewise(const QByteArray &bytes)
{
    QList<QByteArray> pieces;
    for (const char c : bytes)
        pieces.append(QByteArray(1, c));
    return pieces;
}

} // namespace

class tst_responseReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameResultForEveryChunking_data();
    void sameResultForEveryChunking();
    void headIsBounded();
    void parseStatusCode_data();
    void parseStatusCode();
    void parseContentLength_data();
    void parseContentLength();
    void parseCookie_data();
    void parseCookie();
    void locationBecomesAbsolute_data();
    void locationBecomesAbsolute();
    void urlHelpers_data();
    void urlHelpers();
    void statusNames_data();
    void statusNames();
};

void tst_responseReader::sameResultForEveryChunking_data()
{
    using P = responseReader::Phase;
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("peerCloses");
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("contentLength");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("length, body after the blank line only")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789") << false << int(P::Done)
        << 200 << qint64(10) << QByteArray("0123456789");
    QTest::newRow("length, bytes beyond it ignored")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcHTTP/1.1 500 x\r\n\r\n") << false
        << int(P::Done) << 200 << qint64(3) << QByteArray("abc");
    QTest::newRow("length, short at close")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n012345") << true << int(P::Body) << 200
        << qint64(10) << QByteArray("012345");
    QTest::newRow("length zero is a complete empty body")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n") << false << int(P::Done) << 200
        << qint64(0) << QByteArray();
    QTest::newRow("no length: blank lines in the body do not end it")
        << QByteArray("HTTP/1.0 200 OK\r\nServer: x\r\n\r\nline\r\n\r\nmore\r\n\r\n") << false << int(P::Body)
        << 200 << qint64(0) << QByteArray("line\r\n\r\nmore\r\n\r\n");
    QTest::newRow("no length: complete at close")
        << QByteArray("HTTP/1.0 200 OK\r\n\r\nall of it") << true << int(P::Done) << 200 << qint64(0)
        << QByteArray("all of it");
    QTest::newRow("chunked, extension and trailer")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "4;name=x\r\nWiki\r\n12\r\npedia in\r\n\r\nchunks\r\n0\r\nExpires: never\r\n\r\nJUNK")
        << false << int(P::Done) << 200 << qint64(0) << QByteArray("Wikipedia in\r\n\r\nchunks");
    QTest::newRow("chunked wins over a length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 99\r\ntransfer-encoding: Chunked\r\n\r\n"
                      "3\r\nabc\r\n0\r\n\r\n")
        << false << int(P::Done) << 200 << qint64(0) << QByteArray("abc");
    QTest::newRow("chunked without the last chunk is not complete at close")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n") << true
        << int(P::Body) << 200 << qint64(0) << QByteArray("abc");
    QTest::newRow("chunked, bad size line")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n") << false
        << int(P::Failed) << 200 << qint64(0) << QByteArray();
    QTest::newRow("chunked, data longer than announced")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n") << false
        << int(P::Failed) << 200 << qint64(0) << QByteArray("ab");
    QTest::newRow("chunked, size too large to hold")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000000000000000\r\n") << false
        << int(P::Failed) << 200 << qint64(0) << QByteArray();
    QTest::newRow("interim 100 head skipped")
        << QByteArray("HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n"
                      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")
        << false << int(P::Done) << 200 << qint64(2) << QByteArray("ok");
    QTest::newRow("204 has no body") << QByteArray("HTTP/1.1 204 No Content\r\nServer: x\r\n\r\n") << false
                                     << int(P::Done) << 204 << qint64(0) << QByteArray();
    QTest::newRow("404 body is read by its length")
        << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope") << false << int(P::Done)
        << 404 << qint64(4) << QByteArray("nope");
    QTest::newRow("no status line: status 0")
        << QByteArray("garbage\r\n\r\nrest") << true << int(P::Done) << 0 << qint64(0) << QByteArray("rest");
    QTest::newRow("head never ends") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n") << true
                                     << int(P::Head) << 0 << qint64(0) << QByteArray();
    QTest::newRow("body that looks like a head does not change the status")
        << QByteArray("HTTP/1.1 200 OK\r\n\r\nHTTP/1.0 404 x\r\nContent-Length: 1\r\n\r\n") << true
        << int(P::Done) << 200 << qint64(0) << QByteArray("HTTP/1.0 404 x\r\nContent-Length: 1\r\n\r\n");
}

void tst_responseReader::sameResultForEveryChunking()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, peerCloses);
    QFETCH(int, phase);
    QFETCH(int, status);
    QFETCH(qint64, contentLength);
    QFETCH(QByteArray, body);

    const Outcome whole = read({response}, peerCloses);
    QCOMPARE(int(whole.phase), phase);
    QCOMPARE(whole.status, status);
    QCOMPARE(whole.contentLength, contentLength);
    QCOMPARE(whole.body, body);
    QVERIFY(whole.heads <= 1);

    QCOMPARE(read(bytewise(response), peerCloses), whole);
    for (qsizetype cut = 1; cut < response.size(); ++cut) {
        for (qsizetype second = cut + 1; second <= response.size(); second += 7) {
            const QList<QByteArray> pieces{response.left(cut), response.mid(cut, second - cut),
                                           response.mid(second)};
            const Outcome split = read(pieces, peerCloses);
            if (split != whole)
                QFAIL(qPrintable(QStringLiteral("split at %1 and %2 differs").arg(cut).arg(second)));
        }
    }
}

void tst_responseReader::headIsBounded()
{
    const qsizetype limit = responseReader::MAX_HEAD_BYTES;
    const QByteArray start("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nX: ");
    const QByteArray end("\r\n\r\nz");

    QByteArray fits = start + QByteArray(limit - start.size() - 4, 'a') + end;
    QCOMPARE(read({fits}, false).body, QByteArray("z"));
    QCOMPARE(int(read({fits}, false).phase), int(responseReader::Phase::Done));

    const QByteArray tooLong = start + QByteArray(limit - start.size() - 3, 'a') + end;
    QCOMPARE(int(read({tooLong}, true).phase), int(responseReader::Phase::Failed));
    // Fed in small pieces the bound holds all the same, and nothing piles up past it.
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < tooLong.size() + 4096; at += 1000)
        pieces.append(QByteArray(1000, 'a'));
    pieces.prepend(start);
    QCOMPARE(int(read(pieces, true).phase), int(responseReader::Phase::Failed));
}

void tst_responseReader::parseStatusCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("1.1") << "HTTP/1.1 404 Not Found\r\n" << 404;
    QTest::newRow("lower case") << "http/1.1 302 Found\r\n" << 302;
    QTest::newRow("1.0 wins over 1.1") << "HTTP/1.1 200 OK\r\nVia: HTTP/1.0 503 x\r\n" << 503;
    QTest::newRow("leading digits only") << "HTTP/1.1 2x0 OK\r\n" << 2;
    QTest::newRow("not a number") << "HTTP/1.1 OK\r\n" << 0;
    QTest::newRow("cut short") << "HTTP/1.0 30" << 30;
    QTest::newRow("no status line") << "ICY 200 OK\r\n" << 0;
    QTest::newRow("HTTP/2 is not ours") << "HTTP/2 200\r\n" << 0;
}

void tst_responseReader::parseStatusCode()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(httpAgent::parseStatusCode(text), code);
}

void tst_responseReader::parseContentLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("length");
    QTest::newRow("plain") << "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n" << qint64(1234);
    QTest::newRow("any case") << "content-length: 7\r\n" << qint64(7);
    QTest::newRow("beyond 32 bits") << "Content-Length: 5368709120\r\n" << qint64(5368709120);
    QTest::newRow("first one counts") << "Content-Length: 1\r\nContent-Length: 2\r\n" << qint64(1);
    QTest::newRow("no line end after it") << "Content-Length: 12" << qint64(0);
    QTest::newRow("negative is none") << "Content-Length: -5\r\n" << qint64(0);
    QTest::newRow("overflow is none") << "Content-Length: 99999999999999999999\r\n" << qint64(0);
    QTest::newRow("no blank after the colon") << "Content-Length:12\r\n" << qint64(0);
    QTest::newRow("none") << "HTTP/1.1 200 OK\r\n\r\n" << qint64(0);
}

void tst_responseReader::parseContentLength()
{
    QFETCH(QString, text);
    QFETCH(qint64, length);
    QCOMPARE(httpAgent::parseContentLength(text), length);
}

void tst_responseReader::parseCookie_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cookie");
    QTest::newRow("attributes dropped") << "Set-Cookie: a=1; path=/\r\n"
                                        << "a=1";
    QTest::newRow("any case") << "SET-COOKIE: sid=xyz; HttpOnly\r\n"
                              << "sid=xyz";
    QTest::newRow("to the line end") << "set-cookie: a=1\r\nX: y\r\n"
                                     << "a=1";
    QTest::newRow("never past its line") << "Set-Cookie: a=1\r\nContent-Type: text/html; charset=x\r\n"
                                         << "a=1";
    QTest::newRow("bare LF line end") << "Set-Cookie: a=1\nX: y; z\r\n"
                                      << "a=1";
    QTest::newRow("first of two") << "Set-Cookie: a=1; p\r\nSet-Cookie: b=2; p\r\n"
                                  << "a=1";
    QTest::newRow("not trimmed") << "Set-Cookie:  a=1 ; p\r\n"
                                 << " a=1 ";
    QTest::newRow("no end at all") << "Set-Cookie: a=1"
                                   << "";
    QTest::newRow("none") << "HTTP/1.1 200 OK\r\n\r\n"
                          << "";
}

void tst_responseReader::parseCookie()
{
    QFETCH(QString, text);
    QFETCH(QString, cookie);
    QCOMPARE(httpAgent::parseCookie(text), cookie);
}

void tst_responseReader::locationBecomesAbsolute_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("url");
    QTest::newRow("relative") << "Location: /next\r\n"
                              << "h.example"
                              << "http://h.example/next";
    QTest::newRow("host with port, spaces") << "location:   /a?b=1  \r\n"
                                            << " h:8080 "
                                            << "http://h:8080/a?b=1";
    QTest::newRow("absolute") << "Location: http://other/x\r\n"
                              << "h"
                              << "http://other/x";
    QTest::newRow("absolute, upper case scheme") << "Location: HTTP://other/x\r\n"
                                                 << "h"
                                                 << "HTTP://other/x";
    QTest::newRow("bare LF ends the value") << "Location: /a\nX: b\r\n"
                                            << "h"
                                            << "http://h/a";
}

void tst_responseReader::locationBecomesAbsolute()
{
    QFETCH(QString, head);
    QFETCH(QString, host);
    QFETCH(QString, url);
    QCOMPARE(httpAgent::absoluteRedirectUrl(httpAgent::parseLocation(head), host), url);
    QVERIFY(httpAgent::parseLocation(QStringLiteral("Location:    \r\n")).isEmpty());
}

void tst_responseReader::urlHelpers_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    QTest::newRow("host and query") << "http://h.example/c/d?x=1"
                                    << "h.example"
                                    << "/c/d?x=1";
    QTest::newRow("host with port") << "http://files.localhost:8080/a.mp3"
                                    << "files.localhost:8080"
                                    << "/a.mp3";
    QTest::newRow("ends after the host") << "http://h.example"
                                         << ""
                                         << "";
    QTest::newRow("root") << "http://h/"
                          << "h"
                          << "/";
    QTest::newRow("no scheme") << "h.example/c"
                               << ""
                               << "";
    QTest::newRow("slash in the query only") << "http://h?u=http://x/y"
                                             << "h?u=http:"
                                             << "//x/y";
    QTest::newRow("other scheme") << "ftp://h/f"
                                  << "h"
                                  << "/f";
}

void tst_responseReader::urlHelpers()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(QString, path);
    QCOMPARE(httpAgent::hostFromUrl(url), host);
    QCOMPARE(httpAgent::pathFromUrl(url), path);
}

void tst_responseReader::statusNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("307") << 307 << "HTTP_TEMPORARY_REDIRECT";
    QTest::newRow("306 has none") << 306 << "";
    QTest::newRow("0 has none") << 0 << "";
    QTest::newRow("first") << 100 << "HTTP_CONTINUE";
    QTest::newRow("417 last client error") << 417 << "HTTP_EXPECTATION_FAILED";
    QTest::newRow("418 has none") << 418 << "";
    QTest::newRow("505 last") << 505 << "HTTP_VERSION_NOT_SUPPORTED";
    QTest::newRow("506 has none") << 506 << "";
}

void tst_responseReader::statusNames()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(httpAgent::statusCodeName(code), name);
    QCOMPARE(httpAgent::httpErrorMessage("An error occurred while searching", code),
             "An error occurred while searching\r\nHTTP Response: " + QString::number(code) + " = " + name);
}

QTEST_APPLESS_MAIN(tst_responseReader)
#include "tst_responseReader.moc"
