// The real sonavex-server over loopback, asked the way the client asks: the service's replies read by
// the client's rules, the stand-in sites' files and gates, and requests outside the rules.
#include "genreTable.h"
#include "httpServer.h"
#include "sonavexServerProcess.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <thread>

namespace {

struct Reply
{
    int status = 0;
    QByteArray head, body;
    bool lengthMatches = false; // Content-Length was there and the body matched it
    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

Reply exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.write(request);
    // Every reply says its length: read until the head and that many bytes are in, or the peer is gone.
    Reply reply;
    QByteArray data;
    while (socket.waitForReadyRead(60000)) {
        data += socket.readAll();
        const qsizetype headEnd = data.indexOf("\r\n\r\n");
        if (headEnd < 0)
            continue;
        reply.head = data.left(headEnd);
        bool known = false;
        const qsizetype length = reply.header("Content-Length").toLongLong(&known);
        reply.body = data.mid(headEnd + 4);
        reply.lengthMatches = known && reply.body.size() == length;
        if (!known || reply.body.size() >= length)
            break;
    }
    reply.status = reply.head.mid(reply.head.indexOf(' ') + 1, 3).toInt();
    return reply;
}

// Lines as the client's line reader returns them: each CR and each LF ends a line on its own.
QList<QByteArray> clientLines(const QByteArray &body)
{
    QList<QByteArray> lines = QByteArray(body).replace('\r', '\n').split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

// Starts with an MPEG-1 layer III frame of 128 kbit/s, as the client's player and size estimate expect.
bool isMp3At128(const QByteArray &bytes)
{
    return bytes.size() > 2 && bytes.startsWith("\xFF\xFB") && uchar(bytes.at(2)) >> 4 == 9;
}

} // namespace

class tst_serverHttp : public QObject
{
    Q_OBJECT

    // A GET of an address on one of the server's hosts as the client sends it; one listener serves them all.
    // `more`: header lines, each ending in CR LF.
    Reply fetch(const QByteArray &address, const QByteArray &from = {}, const QByteArray &cookie = {},
                const QByteArray &more = {}) const
    {
        const int slash = address.indexOf('/', 7);
        return exchange(
            m_port, "GET " + address.mid(slash) + " HTTP/1.1\r\nHost: " + address.mid(7, slash - 7) +
                        "\r\nUser-Agent: Sonavex test\r\nConnection: Keep-Alive\r\nReferer: " + from +
                        (cookie.isEmpty() ? QByteArray() : "\r\nCookie: " + cookie) + "\r\n" + more + "\r\n");
    }
    Reply service(const QByteArray &target) const
    {
        return fetch(home("sonavex").chopped(1) + target, home("sonavex"));
    }
    // The address of the artist's first search record on that site.
    QByteArray sourceOf(QByteArray artist, const char *site) const
    {
        const QByteArray records =
            service("/trelvoTracksByArtist.php?genre=0&artist=" + artist.replace(' ', "%20") + "%&track=")
                .body;
        const qsizetype at = records.indexOf(',' + home(site)) + 1;
        return at > 0 ? records.mid(at, records.indexOf("<br>", at) - at) : QByteArray();
    }
    QByteArray home(const char *label) const { return "http://" + QByteArray(label) + '.' + m_suffix + '/'; }

    QTemporaryDir m_dir;
    SonavexServerProcess m_server;
    quint16 m_port = 0;
    QByteArray m_suffix;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_server.start(m_dir.path()), qPrintable(m_server.errorString()));
        m_port = quint16(m_server.port());
        m_suffix = m_server.siteSuffix().toLatin1();
    }

    void repliesFollowTheReadersRules_data()
    {
        QTest::addColumn<QByteArray>("request"); // a service target, or the whole request
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("everyLine"); // what each line the client reads matches; empty: no body
        QTest::addColumn<QByteArray>("has");
        const QString record =
            QStringLiteral("[^,]+,\\d+,[^,]+,http://[a-z0-9.]+\\.localhost:\\d+/[^,]+<br>");
        const auto row = [](const char *tag, const QByteArray &request, int status,
                            const QByteArray &has = {}, const QString &everyLine = ".+") {
            QTest::newRow(tag) << request << status << everyLine << has;
        };
        const auto at = [](const char *host, const QByteArray &target) {
            return "GET " + target + " HTTP/1.1\r\nHost: " + host + ".localhost\r\n\r\n";
        };
        const QByteArray head = "engineVersion,3<br>\r\nlatestClientVersion,4<br>\r\ntrackCount,3000<br>\r\n";
        row("statistics", "/trelvoStats.php", 200, head + "artistCount,300<br>\r\n",
            "(\\w+,\\d+|\\d+,[^,]+)<br>");
        row("statistics in Latin-1", "/trelvoStats.php", 200, ",Chanson fran\347aise<br>\r\n");
        row("recommended artists", "/recommendedArtists.csv", 200, "1,\"", "\\d+,\"[^\"]+\",[^,]+,[1-9]");
        row("titles with commas hidden", "/trelvoTracksByKeyword.php?genre=0&keyword=a&track=", 200, ";",
            record);
        row("artist with a comma", "/trelvoTracksByArtist.php?genre=0&artist=sun,%&track=", 200,
            "\nSun; Moon & Stars,", record);
        // The client sends a genre's position in the statistics list, not its id.
        const QByteArray last = QByteArray::number(genreTable::genres().size());
        row("title in the last genre", "/trelvoTracksByTitle.php?genre=" + last + "&artist=&track=%", 200,
            ",255,", record);
        row("Latin-1 raw in and out", "/trelvoTracksByArtist.php?genre=0&artist=Caf\xE9%20N%&track=", 200,
            "\nCaf\xE9 Noir Ensemble,", record);
        // The name check: the third line the client reads is the name as the catalogue spells it.
        row("name, case and blanks", "/trelvoSimilarArtists.php?artist=%20%20who%20KNOWS?%20", 200,
            "artist found\r\nWho Knows?\r\n");
        row("name, Latin-1 in another case", "/trelvoSimilarArtists.php?artist=zo\xCB%20\xE5NGSTR\xD6M", 200,
            "\nZo\xEB \xC5ngstr\xF6m\r\n");
        row("name, comma as a record shows it", "/trelvoSimilarArtists.php?artist=Sun;%20Moon%20%26%20Stars",
            200, "\nSun, Moon & Stars\r\n");
        row("name unknown", "/trelvoSimilarArtists.php?artist=Nobody%20Here", 404, "unknown artist\r\n");
        row("similar, slash dropped by the client", "/artistSimilar/SaltPepper%20%26%20Co", 200, {},
            "[01],.+");
        row("radio by artist", "/trelvoRadioByKeyword.php?search=%Who%20Knows?%", 200,
            ",format=m3u,bitrate=128<br>\r\n", "\\d+,[^,]+,http://files\\.localhost:\\d+/.+<br>");
        row("radio, none", "/trelvoRadioByKeyword.php?search=%Abba%", 200, {}, {});
        // The shop browser shows the page as it is: the term escaped, nothing fetched from elsewhere.
        row("shop", "/trelvoAmazonSearch.php?searchTerm=salt%20%26%20pepper&locale=uk", 200,
            "salt &amp; pepper", "(?!.*(http|src=)).*");
        row("picture", "/artistImages/Ann.jpg", 200, "JFIF");
        row("picture, ampersand raw, Latin-1", "/artistImages/M\xFCller%20&%20S\xF6hne.jpg", 200, "JFIF");
        row("picture, question mark raw", "/artistImages/Who%20Knows?.jpg", 200, "JFIF");
        row("picture, slash kept", "/artistImages/Salt/Pepper%20%26%20Co.jpg", 200, "JFIF");
        row("picture of a duo", "/artistImages/Ann%20%26%20Bob.jpg", 404);
        // Requests outside the rules: an ordinary refusal, nothing outside the data folder, no redirect away.
        const QByteArray stats = "GET /trelvoStats.php HTTP/1.1\r\n";
        row("unknown host", stats + "Host: elsewhere.test\r\n\r\n", 404);
        row("ours inside another", stats + "Host: sonavex.localhost.evil.com\r\n\r\n", 404);
        row("no host", stats + "\r\n", 404);
        row("HTTP/1.0", "GET /trelvoStats.php HTTP/1.0\r\nHost: sonavex.localhost\r\n\r\n", 200, head);
        row("bare LF line ends", "GET /trelvoStats.php HTTP/1.1\nHost: sonavex.localhost\n\n", 200, head);
        row("not HTTP", "HELLO\r\n\r\n", 400);
        row("head too long", "GET /" + QByteArray(300 * 1024, 'x') + " HTTP/1.1\r\n\r\n", 431);
        row("head of too many lines",
            "GET / HTTP/1.1\r\n" + QByteArray("X-A: b\r\n").repeated(40000) + "\r\n", 431);
        row("body too large", stats + "Host: sonavex.localhost\r\nContent-Length: 2000000\r\n\r\n", 413);
        row("chunked body", stats + "Host: sonavex.localhost\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
            501);
        row("picture name climbing", at("sonavex", "/artistImages/..%2F..%2Fcatalogue.sqlite"), 404);
        row("picture name climbing, jpg", at("sonavex", "/artistImages/../../etc/passwd%00.jpg"), 404);
        row("files host climbing", at("files", "/../catalogue.sqlite"), 404);
        row("cdn climbing", at("cdn.epitonic", "/o1/epi_files/reg/songs/mp3/..%2F..%2F..%2Fpictures%2F1.jpg"),
            404);
        row("redirector to elsewhere", at("dl.download", "/redir?&destUrl=http://example.com/x.mp3"), 404);
    }

    void repliesFollowTheReadersRules()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QString, everyLine);
        QFETCH(QByteArray, has);
        const auto reply = request.startsWith('/') ? service(request) : exchange(m_port, request);
        QCOMPARE(reply.status, status);
        QVERIFY(reply.lengthMatches);
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(everyLine));
        const QList<QByteArray> lines = clientLines(reply.body);
        QCOMPARE(lines.isEmpty(), everyLine.isEmpty());
        for (const QByteArray &line : lines)
            QVERIFY2(pattern.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        QVERIFY2(reply.body.contains(has), reply.body.left(200).constData());
        QVERIFY(!reply.body.contains("SQLite format") && reply.header("Location").isEmpty());
        if (has == "JFIF") // pictures are kept, not made anew
            QCOMPARE(service(request).body, reply.body);
    }

    void sitesServeTheirFiles_data()
    {
        // Sites whose source address is the file itself; the client's resolvers reach the others.
        QTest::addColumn<QByteArray>("site");
        for (const char *site : {"betterpropaganda", "lemonred", "insound", "mp3au", "files"})
            QTest::newRow(site) << QByteArray(site);
    }

    void sitesServeTheirFiles()
    {
        QFETCH(QByteArray, site);
        const QByteArray source = sourceOf("Lumen Drive", site), gone = sourceOf("The Lost Tapes", site);
        const auto reply = fetch(source);
        QVERIFY(reply.status == 200 && reply.lengthMatches && isMp3At128(reply.body));
        QVERIFY(reply.body.size() >= 8 * 16000 && reply.body.size() <= 31 * 16000); // 8 to 30 s at 128 kbit/s
        QCOMPARE(fetch(source).body, reply.body); // kept in the data folder, not made anew
        QCOMPARE(fetch(gone).status, 404);
        const auto homePage = fetch(home(site));
        QVERIFY(homePage.status == 200 && homePage.body.contains("<html"));
    }

    void filesAnswerByteRanges_data()
    {
        // In range and sent, "$" stands for the file's last byte, "#" for its size.
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<QByteArray>("ifRange"); // "tag": the file's own
        QTest::addColumn<QByteArray>("sent");    // status and Content-Range
        const auto row = [](const char *tag, const char *range, const char *ifRange, const char *sent) {
            QTest::newRow(tag) << QByteArray(range) << QByteArray(ifRange) << QByteArray(sent);
        };
        row("no range", "", "", "200 ");
        row("from N", "bytes=100-", "", "206 bytes 100-$/#");
        row("N to M, M past the end", "Bytes = 100-#", "", "206 bytes 100-$/#");
        row("last S bytes", "bytes=-1", "", "206 bytes $-$/#");
        row("start just past the end", "bytes=#-", "", "416 bytes */#");
        row("validator matches", "bytes=100-", "tag", "206 bytes 100-$/#");
        row("validator of other content", "bytes=100-", "\"0123\"", "200 ");
        row("not one range", "bytes=9-3", "", "200 ");
    }

    void filesAnswerByteRanges()
    {
        QFETCH(QByteArray, range);
        QFETCH(QByteArray, ifRange);
        QFETCH(QByteArray, sent);
        // A made track and a streamed benchmark file offer ranges alike.
        for (const QByteArray &address :
             {sourceOf("Lumen Drive", "files"), home("files") + "bench/1MB.mp3"}) {
            const Reply whole = fetch(address);
            const QByteArray size = QByteArray::number(whole.body.size());
            const Reply part = fetch(address, {}, {},
                                     "Range: " + QByteArray(range).replace('#', size) + "\r\nIf-Range: " +
                                         (ifRange == "tag" ? whole.header("ETag") : ifRange) + "\r\n");
            QVERIFY(whole.body.size() > 16000 && whole.header("Accept-Ranges") == "bytes" &&
                    part.lengthMatches);
            QCOMPARE(part.header("ETag"), whole.header("ETag")); // the same bytes, the same validator
            QCOMPARE(
                QByteArray::number(part.status) + ' ' + part.header("Content-Range"),
                QByteArray(sent).replace('$', QByteArray::number(whole.body.size() - 1)).replace('#', size));
            const QList<QByteArray> span = part.header("Content-Range").mid(6).split('/').value(0).split('-');
            const qint64 from = span[0].toLongLong(), to = span.value(1).toLongLong();
            if (part.status != 416)
                QCOMPARE(part.body, part.status == 200 ? whole.body : whole.body.mid(from, to - from + 1));
        }
    }

    void shutEmDownNeedsItsCookie()
    {
        const QByteArray track = sourceOf("Lumen Drive", "shutemdown"),
                         other = sourceOf("The Lost Tapes", "shutemdown");
        const QByteArray button = home("shutemdown") + "pebtn2000.htm";
        const auto cookieOf = [&](const QByteArray &address) {
            const QByteArray setCookie = fetch(address, home("music.download")).header("Set-Cookie");
            return setCookie.left(setCookie.indexOf(';'));
        };
        QCOMPARE(fetch(track, button).status, 403);
        QCOMPARE(fetch(track, button, cookieOf(other)).status, 403); // another track's cookie
        const QByteArray cookie = cookieOf(track);
        const auto file = fetch(track, button, cookie);
        QVERIFY(!cookie.isEmpty() && file.status == 200 && isMp3At128(file.body));
        // With the cookie but from elsewhere: the page again, not the file.
        QVERIFY(fetch(track, home("music.download"), cookie).header("Content-Type").startsWith("text/html"));
    }

    void oddQueriesGetOrdinaryReplies()
    {
        // Bad escapes, an escaped NUL, raw control bytes, SQL, search syntax, only separators, 100 KB.
        for (const QByteArray &value :
             {QByteArray("%%%zz%4%"), QByteArray("ab%00cd"), QByteArray("a\x01\x7f\xff"),
              QByteArray("'%20OR%201=1;%20DROP%20TABLE%20track;--"),
              QByteArray("%22NEAR(%20*%20{artist}:%20-x%20AND"), QByteArray("%20%26%20/"),
              QByteArray(100 * 1024, 'a'), QByteArray("love%20").repeated(14000)}) {
            for (const QByteArray &target : {
                     "/trelvoTracksByKeyword.php?genre=0&keyword=" + value + "&track=",
                     "/trelvoTracksByArtist.php?genre=" + value + "&artist=" + value + "%&track=",
                     "/trelvoTracksByTitle.php?genre=3&artist=&track=" + value + "%",
                     "/trelvoSimilarArtists.php?artist=" + value,
                     "/artistSimilar/" + value,
                     "/trelvoRadioByKeyword.php?search=%" + value + "%",
                     "/artistImages/" + value + ".jpg",
                     "/trelvoAmazonSearch.php?searchTerm=" + value + "&locale=" + value,
                 }) {
                const auto reply = service(target);
                QVERIFY2((reply.status == 200 || reply.status == 404) && reply.lengthMatches &&
                             reply.body.size() < 1024 * 1024,
                         target.left(80).constData());
            }
        }
        QVERIFY(service("/trelvoStats.php").body.contains("trackCount,3000<br>"));
    }

    void slowSendersAreCutAndLockNobodyOut()
    {
        // More waiting connections than the old server had threads; both ends of each are ours.
        constexpr int waiting = 1100;
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4 * waiting));
        setrlimit(RLIMIT_NOFILE, &files);
        if (files.rlim_cur < 3 * waiting)
            QSKIP("too few file descriptors allowed");
        httpServer::Server server(
            [](const auto &, httpServer::Response &response) { response.setText(200, "ok"); });
        httpServer::Limits limits;
        limits.request = std::chrono::milliseconds(1000);
        limits.threads = 2;
        server.setLimits(limits);
        std::string error;
        const auto port = quint16(server.bind("127.0.0.1", 0, error));
        std::thread serving([&] { server.run(); });
        QObject owner;
        for (int i = 0; i < waiting; ++i) {
            auto *socket = new QTcpSocket(&owner);
            socket->connectToHost(QStringLiteral("127.0.0.1"), port);
            socket->write("GET / HTTP/1.1\r\nHost: x");
        }
        for (auto *socket : owner.findChildren<QTcpSocket *>())
            QVERIFY(socket->waitForConnected(10000));
        QCOMPARE(exchange(port, "GET / HTTP/1.1\r\n\r\n").body, QByteArray("ok"));

        // A byte at a time, each well inside the old per-read time-out: cut when the request's time is up.
        const QByteArray head = "GET / HTTP/1.1\r\nHost: " + QByteArray(100, 'x') + "\r\n\r\n";
        QTcpSocket slow;
        slow.connectToHost(QStringLiteral("127.0.0.1"), port);
        qsizetype sent = 0;
        while (sent < head.size() && slow.state() != QAbstractSocket::UnconnectedState) {
            slow.write(head.mid(sent++, 1));
            slow.waitForReadyRead(100); // paces the bytes; returns early when the server hangs up
        }
        QVERIFY(sent < head.size() && slow.readAll().isEmpty());
        server.stop();
        serving.join();
    }

    void keepAliveServesInOrderAndStopsCleanly()
    {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
        QVERIFY(socket.waitForConnected(10000));
        const QByteArray request =
            " /trelvoStats.php HTTP/1.1\r\nHost: sonavex." + m_suffix + "\r\nContent-Length: 3";
        // Three requests in one write, the first with a body to skip: all answered, in order, on one
        // connection.
        socket.write("POST" + request + "\r\n\r\nabcGET" + request + "\r\n\r\nabcGET" + request +
                     "\r\n\r\nabc");
        QByteArray data;
        while (data.count("trackCount,3000<br>") < 2 && socket.waitForReadyRead(10000))
            data += socket.readAll();
        QVERIFY(data.startsWith("HTTP/1.1 405 ") && data.count("HTTP/1.1 200 OK") == 2 &&
                data.endsWith("<br>\r\n"));
        // The connection stays open and idle, and must not hold the stop up.
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(m_server.stop(), 0);
        QVERIFY(!m_server.isRunning());
    }
};

QTEST_MAIN(tst_serverHttp)
#include "tst_serverHttp.moc"
