#include "http/httpAgent.h"
#include "http/responseReader.h"

#include <QTest>

using http::ResponseReader;
using P = ResponseReader::Phase;

namespace {

struct Outcome
{
    P phase = P::Head;
    int status = 0;
    qint64 contentLength = 0;
    QByteArray body;
    int heads = 0; // times the reader stopped to hand over a head

    bool operator==(const Outcome &) const = default;
};

// Feeds the pieces the way the agent does: after a head, the rest of the piece is fed again.
Outcome read(const QList<QByteArray> &pieces, bool peerCloses)
{
    ResponseReader reader;
    Outcome o;
    const auto sink = [&o](QByteArrayView bytes) { o.body += bytes.toByteArray(); };
    for (const QByteArray &piece : pieces) {
        QByteArrayView rest(piece);
        do {
            const bool hadHead = reader.headComplete();
            rest = rest.sliced(reader.feed(rest, sink));
            o.heads += !hadHead && reader.headComplete();
        } while (!rest.isEmpty());
    }
    if (peerCloses)
        reader.endOfStream();
    o.phase = reader.phase();
    o.status = reader.head().statusCode;
    o.contentLength = reader.head().contentLength;
    if (reader.bodyBytes() != o.body.size())
        o.body += "<count differs>";
    return o;
}

} // namespace

class tst_responseReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameResultForEveryChunking_data();
    void sameResultForEveryChunking();
    void headIsBounded();
    void headerFields_data();
    void headerFields();
};

void tst_responseReader::sameResultForEveryChunking_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("peerCloses");
    QTest::addColumn<P>("phase");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("contentLength");
    QTest::addColumn<QByteArray>("body");

    const QByteArray ok("HTTP/1.1 200 OK\r\n");
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    QTest::newRow("length, bytes beyond it ignored")
        << ok + "Content-Length: 3\r\n\r\nabcHTTP/1.1 500 x\r\n\r\n"
        << false << P::Done << 200 << qint64(3) << QByteArray("abc");
    QTest::newRow("no length: neither blank lines nor a head in the body end it")
        << QByteArray("HTTP/1.0 200 OK\r\n\r\nline\r\n\r\nHTTP/1.0 404 x\r\nContent-Length: 1\r\n\r\n")
        << false << P::Body << 200 << qint64(0)
        << QByteArray("line\r\n\r\nHTTP/1.0 404 x\r\nContent-Length: 1\r\n\r\n");
    QTest::newRow("no length: complete at close") << QByteArray("HTTP/1.0 200 OK\r\n\r\nall of it") << true
                                                  << P::Done << 200 << qint64(0) << QByteArray("all of it");
    QTest::newRow("chunked, extension and trailer")
        << chunked + "4;name=x\r\nWiki\r\n12\r\npedia in\r\n\r\nchunks\r\n0\r\nExpires: never\r\n\r\nJUNK"
        << false << P::Done << 200 << qint64(0) << QByteArray("Wikipedia in\r\n\r\nchunks");
    QTest::newRow("chunked wins over a length")
        << ok + "Content-Length: 99\r\ntransfer-encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"
        << false << P::Done << 200 << qint64(0) << QByteArray("abc");
    QTest::newRow("chunked, bad size line") << chunked + "zz\r\nabc\r\n0\r\n\r\n"
                                            << false << P::Failed << 200 << qint64(0) << QByteArray();
    QTest::newRow("chunked, data longer than announced")
        << chunked + "2\r\nabc\r\n0\r\n\r\n"
        << false << P::Failed << 200 << qint64(0) << QByteArray("ab");
    QTest::newRow("chunked, size too large to hold")
        << chunked + "1000000000000000\r\n"
        << false << P::Failed << 200 << qint64(0) << QByteArray();
    QTest::newRow("interim 100 head skipped")
        << "HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nok"
        << false << P::Done << 200 << qint64(2) << QByteArray("ok");
    QTest::newRow("204 has no body") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false << P::Done
                                     << 204 << qint64(0) << QByteArray();
}

void tst_responseReader::sameResultForEveryChunking()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, peerCloses);
    QFETCH(P, phase);
    QFETCH(int, status);
    QFETCH(qint64, contentLength);
    QFETCH(QByteArray, body);

    const Outcome whole = read({response}, peerCloses);
    QCOMPARE(whole.phase, phase);
    QCOMPARE(whole.status, status);
    QCOMPARE(whole.contentLength, contentLength);
    QCOMPARE(whole.body, body);
    QVERIFY(whole.heads <= 1);

    QList<QByteArray> bytewise;
    for (const char c : response)
        bytewise.append(QByteArray(1, c));
    QVERIFY(read(bytewise, peerCloses) == whole);
    for (qsizetype cut = 1; cut < response.size(); ++cut) {
        for (qsizetype second = cut + 1; second <= response.size(); second += 7) {
            const QList<QByteArray> pieces{response.left(cut), response.mid(cut, second - cut),
                                           response.mid(second)};
            QVERIFY2(read(pieces, peerCloses) == whole,
                     qPrintable(QStringLiteral("split at %1 and %2").arg(cut).arg(second)));
        }
    }
}

void tst_responseReader::headIsBounded()
{
    const qsizetype limit = ResponseReader::MAX_HEAD_BYTES;
    const QByteArray start("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nX: ");
    const QByteArray end("\r\n\r\nz");

    const Outcome fits = read({start + QByteArray(limit - start.size() - 4, 'a') + end}, false);
    QCOMPARE(fits.body, QByteArray("z"));
    QCOMPARE(fits.phase, P::Done);
    const QByteArray tooLong = start + QByteArray(limit - start.size() - 3, 'a') + end;
    QCOMPARE(read({tooLong}, true).phase, P::Failed);
    // In small pieces the bound holds all the same.
    QList<QByteArray> pieces{start};
    for (qsizetype at = 0; at < tooLong.size() + 4096; at += 1000)
        pieces.append(QByteArray(1000, 'a'));
    QCOMPARE(read(pieces, true).phase, P::Failed);
}

void tst_responseReader::headerFields_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("fields"); // status|length|cookie|location

    QTest::newRow("any letter case, beyond 32 bits, attributes dropped, blanks trimmed")
        << "http/1.1 302 Found\r\ncontent-length: 5368709120\r\nsEt-CoOkIe: a=1; path=/\r\nLOCATION:  /a?b  "
           "\r\n"
        << "302|5368709120|a=1|/a?b";
    QTest::newRow("cookie and location never run past their line")
        << "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Type: text/html; x\r\nLocation: /a\nX: b\r\n"
        << "200|0|a=1|/a";
    QTest::newRow("bare LF ends a cookie; cookie not trimmed")
        << "HTTP/1.1 200 OK\r\nSet-Cookie:  a=1 \nX: y; z\r\n"
        << "200|0| a=1 |";
    QTest::newRow("negative length; empty location")
        << "HTTP/1.1 200 OK\r\nContent-Length: -5\r\nLocation:    \r\n"
        << "200|0||";
    QTest::newRow("overflowing length; HTTP/2") << "HTTP/2 200\r\nContent-Length: 99999999999999999999\r\n"
                                                << "0|0||";
    QTest::newRow("no blank after the colon") << "HTTP/1.1 404 x\r\nContent-Length:12\r\n"
                                              << "404|0||";
    QTest::newRow("values without a line end") << "Set-Cookie: a=1 Content-Length: 12"
                                               << "0|0||";
}

void tst_responseReader::headerFields()
{
    QFETCH(QString, head);
    QFETCH(QString, fields);
    QCOMPARE(QStringList({QString::number(http::parseStatusCode(head)),
                          QString::number(http::parseContentLength(head)), http::parseCookie(head),
                          http::parseLocation(head)})
                 .join('|'),
             fields);
}

QTEST_APPLESS_MAIN(tst_responseReader)
#include "tst_responseReader.moc"
