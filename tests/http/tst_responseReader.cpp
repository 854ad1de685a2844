#include "http/httpAgent.h"
#include "http/responseReader.h"

#include <QTest>

using http::ResponseReader;

namespace {
// The outcome as "phase status length heads|body", heads being the times the reader stopped to hand
// over a head. Fed the way the agent does: after a head, the rest of the piece is fed again.
QByteArray read(const QList<QByteArray> &pieces, bool peerCloses)
{
    ResponseReader reader;
    QByteArray body;
    int heads = 0;
    const auto sink = [&body](QByteArrayView bytes) { body += bytes.toByteArray(); };
    for (const QByteArray &piece : pieces) {
        QByteArrayView rest(piece);
        do {
            const bool hadHead = reader.headComplete();
            rest = rest.sliced(reader.feed(rest, sink));
            heads += !hadHead && reader.headComplete();
        } while (!rest.isEmpty());
    }
    if (peerCloses)
        reader.endOfStream();
    const char *phases[] = {"Head", "Body", "Done", "Failed"};
    return phases[int(reader.phase())] + QByteArray(" ") + QByteArray::number(reader.head().statusCode) +
           ' ' + QByteArray::number(reader.head().contentLength) + ' ' + QByteArray::number(heads) +
           (reader.bodyBytes() == body.size() ? "|" : "|<count differs>") + body;
}
} // namespace

class tst_responseReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameResultForEveryChunking_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("peerCloses");
        QTest::addColumn<QByteArray>("outcome");
        const auto row = [](const char *name, const QByteArray &response, bool peerCloses,
                            const QByteArray &outcome) {
            QTest::newRow(name) << response << peerCloses << outcome;
        };
        const QByteArray ok("HTTP/1.1 200 OK\r\n");
        const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
        row("length, bytes beyond it ignored", ok + "Content-Length: 3\r\n\r\nabcHTTP/1.1 500 x\r\n\r\n",
            false, "Done 200 3 1|abc");
        const QByteArray noLengthBody("line\r\n\r\nHTTP/1.0 404 x\r\nContent-Length: 1\r\n\r\n");
        row("no length: neither blank lines nor a head in the body end it",
            "HTTP/1.0 200 OK\r\n\r\n" + noLengthBody, false, "Body 200 0 1|" + noLengthBody);
        row("no length: complete at close", "HTTP/1.0 200 OK\r\n\r\nall of it", true,
            "Done 200 0 1|all of it");
        row("chunked, extension and trailer",
            chunked + "4;name=x\r\nWiki\r\n12\r\npedia in\r\n\r\nchunks\r\n0\r\nExpires: never\r\n\r\nJUNK",
            false, "Done 200 0 1|Wikipedia in\r\n\r\nchunks");
        row("chunked wins over a length",
            ok + "Content-Length: 99\r\ntransfer-encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", false,
            "Done 200 0 1|abc");
        row("chunked, bad size line", chunked + "zz\r\nabc\r\n0\r\n\r\n", false, "Failed 200 0 1|");
        row("chunked, data longer than announced", chunked + "2\r\nabc\r\n0\r\n\r\n", false,
            "Failed 200 0 1|ab");
        row("chunked, size too large to hold", chunked + "1000000000000000\r\n", false, "Failed 200 0 1|");
        row("interim 100 head skipped",
            "HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nok",
            false, "Done 200 2 1|ok");
        row("204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", false, "Done 204 0 1|");
        row("bare LF line ends, no reason phrase", "HTTP/1.1 200\nContent-Length: 3\n\nabcjunk", false,
            "Done 200 3 1|abc");
        row("LF and CR LF mixed, after an interim head",
            "HTTP/1.1 103 Early\nLink: </a>\r\n\nHTTP/1.1 200 OK\r\nContent-Length: 3\n\r\nabcjunk", false,
            "Done 200 3 1|abc");
        row("blanks around the length or none, repeated equal",
            ok + "Content-Length:\t3 \r\ncontent-length:3\r\n\r\nabcjunk", false, "Done 200 3 1|abc");
        row("lengths that differ", ok + "Content-Length: 3\r\nContent-Length: 3, 4\r\n\r\nabcd", true,
            "Failed 0 0 0|");
        row("negative length", ok + "Content-Length: -3\r\n\r\nabc", true, "Failed 0 0 0|");
        row("length not wholly a number", ok + "Content-Length: 3x\r\n\r\nabc", true, "Failed 0 0 0|");
        row("chunked not the last coding: the close ends it, not a length",
            ok + "Transfer-Encoding: chunked, gzip\r\nContent-Length: 2\r\n\r\n1\r\na\r\n0\r\n\r\n", true,
            "Done 200 0 1|1\r\na\r\n0\r\n\r\n");
        row("chunked last of two coding fields",
            ok + "Transfer-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n", false,
            "Done 200 0 1|a");
        row("101 nobody asked for is final",
            "HTTP/1.1 101 Switching\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nok", false, "Done 101 0 1|");
    }

    void sameResultForEveryChunking()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, peerCloses);
        QFETCH(QByteArray, outcome);
        QCOMPARE(read({response}, peerCloses), outcome);
        QList<QByteArray> bytewise;
        for (const char c : response)
            bytewise.append(QByteArray(1, c));
        QCOMPARE(read(bytewise, peerCloses), outcome);
        for (qsizetype cut = 1; cut < response.size(); ++cut) {
            for (qsizetype second = cut + 1; second <= response.size(); second += 7) {
                const QList<QByteArray> pieces{response.left(cut), response.mid(cut, second - cut),
                                               response.mid(second)};
                QVERIFY2(read(pieces, peerCloses) == outcome,
                         qPrintable(QStringLiteral("split at %1 and %2").arg(cut).arg(second)));
            }
        }
    }

    void headIsBounded()
    {
        const qsizetype limit = ResponseReader::MAX_HEAD_BYTES;
        const QByteArray start("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nX: ");
        const QByteArray end("\r\n\r\nz");
        QCOMPARE(read({start + QByteArray(limit - start.size() - 4, 'a') + end}, false), "Done 200 1 1|z");
        const QByteArray tooLong = start + QByteArray(limit - start.size() - 3, 'a') + end;
        QVERIFY(read({tooLong}, true).startsWith("Failed"));
        // In small pieces the bound holds all the same.
        QList<QByteArray> pieces{start};
        for (qsizetype at = 0; at < tooLong.size() + 4096; at += 1000)
            pieces.append(QByteArray(1000, 'a'));
        QVERIFY(read(pieces, true).startsWith("Failed"));
    }

    void headerFields_data()
    {
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("fields"); // status|length|cookie|location
        const auto row = [](const char *name, const char *head, const char *fields) {
            QTest::newRow(name) << QString::fromLatin1(head) << QString::fromLatin1(fields);
        };
        row("any letter case, beyond 32 bits, attributes dropped, blanks trimmed",
            "http/1.1 302 Found\r\ncontent-length: 5368709120\r\nsEt-CoOkIe: a=1; path=/\r\nLOCATION:  /a?b  "
            "\r\n",
            "302|5368709120|a=1|/a?b");
        row("cookie and location never run past their line",
            "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Type: text/html; x\r\nLocation: /a\nX: b\r\n",
            "200|0|a=1|/a");
        row("bare LF ends a cookie; cookie not trimmed", "HTTP/1.1 200 OK\r\nSet-Cookie:  a=1 \nX: y; z\r\n",
            "200|0| a=1 |");
        row("negative length; empty location", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\nLocation:    \r\n",
            "200|-1||");
        row("overflowing length; HTTP/2", "HTTP/2 200\r\nContent-Length: 99999999999999999999\r\n", "0|-1||");
        row("bare LF, no reason phrase, blanks around the length",
            "HTTP/1.0 200\nContent-Length:\t7 \nSet-Cookie: a=1\nLocation: /b\n", "200|7|a=1|/b");
        row("a length in another field's name; lengths that differ",
            "HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\nContent-Length: 3, 3\r\nContent-Length: 4\r\n",
            "200|-1||");
        row("values without a line end", "Set-Cookie: a=1 Content-Length: 12", "0|0||");
    }

    void headerFields()
    {
        QFETCH(QString, head);
        QFETCH(QString, fields);
        QCOMPARE(QStringList({QString::number(http::parseStatusCode(head)),
                              QString::number(http::parseContentLength(head)), http::parseCookie(head),
                              http::parseLocation(head)})
                     .join('|'),
                 fields);
    }
};

QTEST_APPLESS_MAIN(tst_responseReader)
#include "tst_responseReader.moc"
