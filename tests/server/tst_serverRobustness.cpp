#include "rawHttp.h"
#include "sonavexServerProcess.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

class tst_serverRobustness : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void oddQueriesGetOrdinaryReplies_data();
    void oddQueriesGetOrdinaryReplies();
    void nothingOutsideTheDataFolder_data();
    void nothingOutsideTheDataFolder();
    void unknownHostsAndBrokenRequests_data();
    void unknownHostsAndBrokenRequests();
    void keepAliveServesOneRequestAfterAnother();
    void stopsCleanlyOnTerm();

private:
    QTemporaryDir m_dir;
    SonavexServerProcess m_server;
    QByteArray m_host;
};

void tst_serverRobustness::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_server.start(m_dir.path()), qPrintable(m_server.errorString()));
    m_host = "sonavex." + m_server.siteSuffix().toLatin1();
}

void tst_serverRobustness::oddQueriesGetOrdinaryReplies_data()
{
    QTest::addColumn<QByteArray>("value");
    const QByteArray huge(100 * 1024, 'a');
    QTest::newRow("bad escapes") << QByteArray("%%%zz%4%");
    QTest::newRow("escaped NUL") << QByteArray("ab%00cd");
    QTest::newRow("raw control bytes") << QByteArray("a\x01\x7f\xff");
    QTest::newRow("SQL") << QByteArray("'%20OR%201=1;%20DROP%20TABLE%20track;--");
    QTest::newRow("search syntax") << QByteArray("%22NEAR(%20*%20{artist}:%20-x%20AND");
    QTest::newRow("only separators") << QByteArray("%20%26%20/");
    QTest::newRow("100 KB") << huge;
    QTest::newRow("100 KB of words") << QByteArray("love%20").repeated(14000);
}

void tst_serverRobustness::oddQueriesGetOrdinaryReplies()
{
    QFETCH(QByteArray, value);
    const QList<QByteArray> targets = {
        "/trelvoTracksByKeyword.php?genre=0&keyword=" + value + "&track=",
        "/trelvoTracksByArtist.php?genre=" + value + "&artist=" + value + "%&track=",
        "/trelvoTracksByTitle.php?genre=3&artist=&track=" + value + "%",
        "/trelvoSimilarArtists.php?artist=" + value,
        "/artistSimilar/" + value,
        "/trelvoRadioByKeyword.php?search=%" + value + "%",
        "/artistImages/" + value + ".jpg",
        "/trelvoAmazonSearch.php?searchTerm=" + value + "&locale=" + value,
    };
    for (const QByteArray &target : targets) {
        const auto reply = rawHttp::get(quint16(m_server.port()), m_host, target);
        QVERIFY2(reply.status == 200 || reply.status == 404, target.left(80).constData());
        QVERIFY(reply.lengthMatches);
        QVERIFY(reply.body.size() < 1024 * 1024);
    }
    // Still whole afterwards.
    const auto stats = rawHttp::get(quint16(m_server.port()), m_host, "/trelvoStats.php");
    QCOMPARE(stats.status, 200);
    QVERIFY(stats.body.contains("trackCount,3000<br>"));
}

void tst_serverRobustness::nothingOutsideTheDataFolder_data()
{
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("picture name climbing") << QByteArray("sonavex") << QByteArray("/artistImages/..%2F..%2Fcatalogue.sqlite");
    QTest::newRow("picture name climbing, jpg")
        << QByteArray("sonavex") << QByteArray("/artistImages/../../etc/passwd%00.jpg");
    QTest::newRow("files host climbing") << QByteArray("files") << QByteArray("/../catalogue.sqlite");
    QTest::newRow("files host, number only") << QByteArray("files") << QByteArray("/../mp3/1.mp3");
    QTest::newRow("cdn climbing") << QByteArray("cdn.epitonic")
                                  << QByteArray("/o1/epi_files/reg/songs/mp3/..%2F..%2F..%2Fpictures%2F1.jpg");
    QTest::newRow("redirector to elsewhere") << QByteArray("dl.download")
                                             << QByteArray("/redir?&destUrl=http://example.com/x.mp3");
}

void tst_serverRobustness::nothingOutsideTheDataFolder()
{
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, target);
    const auto reply = rawHttp::get(quint16(m_server.port()), host + '.' + m_server.siteSuffix().toLatin1(), target);
    QCOMPARE(reply.status, 404);
    QVERIFY(!reply.body.contains("SQLite format"));
    QVERIFY(reply.header("Location").isEmpty());
}

void tst_serverRobustness::unknownHostsAndBrokenRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::newRow("unknown host") << QByteArray("GET /trelvoStats.php HTTP/1.1\r\nHost: elsewhere.test\r\n\r\n") << 404;
    QTest::newRow("no host") << QByteArray("GET /trelvoStats.php HTTP/1.1\r\n\r\n") << 404;
    QTest::newRow("HTTP/1.0, host without port") << QByteArray("GET /trelvoStats.php HTTP/1.0\r\nHost: sonavex.localhost\r\n\r\n")
                                                 << 200;
    QTest::newRow("bare LF line ends") << QByteArray("GET /trelvoStats.php HTTP/1.1\nHost: sonavex.localhost\n\n") << 200;
    QTest::newRow("not HTTP") << QByteArray("HELLO\r\n\r\n") << 400;
    QTest::newRow("POST") << QByteArray("POST /trelvoStats.php HTTP/1.1\r\nHost: sonavex.localhost\r\nContent-Length: 3\r\n\r\nabc")
                          << 405;
    QTest::newRow("head too long") << QByteArray("GET /" + QByteArray(300 * 1024, 'x') + " HTTP/1.1\r\n\r\n") << 431;
}

void tst_serverRobustness::unknownHostsAndBrokenRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    const auto reply = rawHttp::exchange(quint16(m_server.port()), request);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.lengthMatches);
}

void tst_serverRobustness::keepAliveServesOneRequestAfterAnother()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(m_server.port()));
    QVERIFY(socket.waitForConnected(10000));
    const QByteArray request = "GET /trelvoStats.php HTTP/1.1\r\nHost: " + m_host + "\r\n\r\n";
    // Two requests in one write: both answered, in order, on the same connection.
    socket.write(request + request);
    QByteArray data;
    while (data.count("HTTP/1.1 200 OK") < 2 || !data.endsWith("<br>\r\n")) {
        if (!socket.waitForReadyRead(10000))
            break;
        data += socket.readAll();
    }
    QCOMPARE(data.count("HTTP/1.1 200 OK"), 2);
    QCOMPARE(data.count("trackCount,3000<br>"), 2);
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
}

void tst_serverRobustness::stopsCleanlyOnTerm()
{
    // An idle keep-alive connection must not hold the stop up.
    QTcpSocket idle;
    idle.connectToHost(QStringLiteral("127.0.0.1"), quint16(m_server.port()));
    QVERIFY(idle.waitForConnected(10000));
    QCOMPARE(m_server.stop(), 0);
    QVERIFY(!m_server.isRunning());
}

QTEST_GUILESS_MAIN(tst_serverRobustness)
#include "tst_serverRobustness.moc"
