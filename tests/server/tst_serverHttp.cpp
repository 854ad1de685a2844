// The real sonavex-server over loopback, asked byte for byte the way the client asks: the service's
// replies read by the client's rules, every stand-in site through its resolver's request sequence,
// and requests outside the rules.
#include "sonavexServerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

struct Reply
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    bool lengthMatches = false; // Content-Length was there and the body matched it
    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
};

Reply exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.write(request);
    // Until the head and the length it announces have come, the connection ends or a minute passes.
    Reply reply;
    QByteArray data;
    qint64 headEnd = -1, expected = -1;
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired() && (expected < 0 || data.size() - headEnd - 4 < expected)) {
        const bool more = socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        data += socket.readAll();
        if (headEnd < 0 && (headEnd = data.indexOf("\r\n\r\n")) >= 0) {
            reply.head = data.left(headEnd);
            bool known = false;
            const qint64 length = reply.header("Content-Length").toLongLong(&known);
            expected = known ? length : -1;
        }
        if (!more && socket.state() != QAbstractSocket::ConnectedState)
            break;
    }
    if (headEnd < 0)
        return reply;
    reply.body = data.mid(headEnd + 4);
    reply.lengthMatches = expected >= 0 && reply.body.size() == expected;
    reply.status = reply.head.mid(reply.head.indexOf(' ') + 1, 3).toInt();
    return reply;
}

// Lines as the client's line reader returns them: each CR and each LF ends a line on its own.
QList<QByteArray> clientLines(const QByteArray &body)
{
    QList<QByteArray> lines = QByteArray(body).replace('\r', '\n').split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The client's link scan over a download page: LF-only lines, title first, the prefix line restarts the
// link, continuation lines lose their last two characters, the "<img src=" line gives all but the two
// characters before the marker. Empty when no link completes.
QByteArray findRedirectLink(const QByteArray &page, const QByteArray &title, const QByteArray &prefix)
{
    bool titleSeen = false, collecting = false;
    QByteArray buffer;
    for (const QByteArray &line : page.split('\n')) {
        const QByteArray lower = line.toLower();
        if (collecting) {
            const int p = lower.indexOf("<img src=");
            if (p >= 0)
                return buffer + line.left(qMax(0, p - 2));
            buffer += line.left(qMax(0, int(line.size()) - 2));
        }
        if (!titleSeen && lower.contains(title.toLower()))
            titleSeen = true;
        if (titleSeen && lower.contains(prefix.toLower())) {
            buffer = prefix;
            collecting = true;
        }
    }
    return {};
}

// Checks the MPEG-1 layer III frame header at the start of the audio (after any ID3v2 tag).
bool looksLikeMp3(const QByteArray &bytes, int *bitrateKbps = nullptr)
{
    int at = 0;
    if (bytes.startsWith("ID3") && bytes.size() > 10) {
        const auto size = [&](int i) { return int(static_cast<unsigned char>(bytes.at(i)) & 0x7F); };
        at = 10 + (size(6) << 21 | size(7) << 14 | size(8) << 7 | size(9));
    }
    if (bytes.size() < at + 4)
        return false;
    const auto b = [&](int i) { return static_cast<unsigned char>(bytes.at(at + i)); };
    if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0)
        return false;
    static const int rates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    if (bitrateKbps)
        *bitrateKbps = rates[b(2) >> 4];
    return (b(1) & 0x18) == 0x18 && (b(1) & 0x06) == 0x02;
}

// Site numbers as the catalogue stores them, and their host names.
enum SiteKind { Epitonic = 1, DownloadMusic = 3, Rave = 5, ShutEmDown = 6, Files = 11 };
const char *const hostLabels[] = {nullptr,    "epitonic", nullptr,      "music.download",
                                  nullptr,    "rave",     "shutemdown", "betterpropaganda",
                                  "lemonred", "insound",  "mp3au",      "files"};

struct Fixture
{
    QByteArray source;
    QByteArray title; // as the search record shows it
    int seconds = 0;
};

} // namespace

class tst_serverHttp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void statisticsFollowTheReadersRules();
    void searchRecordsHaveFourFields_data();
    void searchRecordsHaveFourFields();
    void nameCheckPutsTheNameOnTheThirdLineRead_data();
    void nameCheckPutsTheNameOnTheThirdLineRead();
    void radioLines();
    void pictures_data();
    void pictures();
    void shopPageStandsAlone_data();
    void shopPageStandsAlone();
    void searchRecordsCarryTheSourceAddresses();
    void everyResolverGetsItsFile_data();
    void everyResolverGetsItsFile();
    void shutEmDownNeedsItsCookie();
    void benchmarkStream_data();
    void benchmarkStream();
    void oddQueriesGetOrdinaryReplies_data();
    void oddQueriesGetOrdinaryReplies();
    void oddRequestsGetNothingElse_data();
    void oddRequestsGetNothingElse();
    void keepAliveServesOneRequestAfterAnother();
    void stopsCleanlyOnTerm();

private:
    // A GET with the headers the client sends; every host is served by the one listener.
    Reply get(const QByteArray &host, const QByteArray &target, const QByteArray &referer = {},
              const QByteArray &cookie = {}) const;
    Reply service(const QByteArray &target) const
    {
        return get(m_host, target, m_server.serverBaseUrl().toLatin1());
    }
    // One GET of an absolute address, redirects followed like the client.
    Reply fetch(const QByteArray &address, const QByteArray &referer, const QByteArray &cookie = {}) const;
    // The request sequence of the client's resolver for that site; returns the final reply.
    Reply resolve(int site, const Fixture &track) const;
    Fixture fixture(const QByteArray &where) const;
    QByteArray home(const char *label) const { return "http://" + QByteArray(label) + '.' + m_suffix + '/'; }

    QTemporaryDir m_dir;
    SonavexServerProcess m_server;
    quint16 m_port = 0;
    QByteArray m_suffix, m_host;
};

void tst_serverHttp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_server.start(m_dir.path()), qPrintable(m_server.errorString()));
    m_port = quint16(m_server.port());
    m_suffix = m_server.siteSuffix().toLatin1();
    m_host = "sonavex." + m_suffix;
}

Reply tst_serverHttp::get(const QByteArray &host, const QByteArray &target, const QByteArray &referer,
                          const QByteArray &cookie) const
{
    static const QByteArray clientHeaders =
        "User-Agent: Sonavex test\r\nAccept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,"
        "text/plain;q=0.8,image/png,*/*;q=0.5\r\nAccept-Language: en-gb,en;q=0.5\r\n"
        "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\nKeep-Alive: 300\r\nConnection: Keep-Alive\r\n";
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + clientHeaders;
    request += "Referer: " + referer + "\r\n";
    if (!cookie.isEmpty())
        request += "Cookie: " + cookie + "\r\n";
    return exchange(m_port, request + "\r\n");
}

void tst_serverHttp::statisticsFollowTheReadersRules()
{
    const auto reply = service("/trelvoStats.php");
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    QCOMPARE(reply.header("Content-Type"), QByteArray("text/plain; charset=ISO-8859-1"));
    QMap<QByteArray, QByteArray> keys;
    QSet<int> genreIds;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        const int comma = line.indexOf(',');
        QVERIFY2(comma > 0 && line.endsWith("<br>") && line.size() > comma + 1 + 4, line.constData());
        bool isId = false;
        const int id = line.left(comma).toInt(&isId);
        if (isId) {
            QVERIFY(id >= 1 && id <= 255 && !genreIds.contains(id));
            genreIds.insert(id);
        } else {
            keys.insert(line.left(comma), line.mid(comma + 1).chopped(4));
        }
    }
    QCOMPARE(keys.value("trackCount"), QByteArray("3000"));
    QCOMPARE(keys.value("artistCount"), QByteArray("300"));
    QCOMPARE(keys.value("genreCount").toInt(), genreIds.size());
    QCOMPARE(keys.value("latestClientVersion"), QByteArray("4"));
    QVERIFY(keys.value("engineVersion").toInt() > 0);
    QVERIFY(genreIds.contains(1) && genreIds.contains(255));
    QVERIFY(reply.body.contains(",Chanson fran\347aise<br>")); // Latin-1 out
}

void tst_serverHttp::searchRecordsHaveFourFields_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("everyRecordHas");
    const auto row = [](const char *tag, const QByteArray &kind, const QByteArray &query, const char *has) {
        QTest::newRow(tag) << "/trelvoTracksBy" + kind + ".php?genre=" + query << QByteArray(has);
    };
    row("titles with commas", "Keyword", "0&keyword=a&track=", ",");
    row("artist with a comma", "Artist", "0&artist=sun,%&track=", "Sun; Moon & Stars,");
    row("title in the first genre", "Title", "1&artist=&track=%", ",1,");
    // "%" before or after is a marker; "%XX" inside is an escape.
    row("marker after escapes", "Artist", "0&artist=salt%20%26%20pepper%&track=", "Salt & Pepper Trio,");
    row("leading escaped blank", "Keyword", "0&keyword=%20salt%20pepper%20tri&track=", "Salt & Pepper Trio,");
    row("title marker after", "Title", "0&artist=&track=where%20is%", ",Where Is the ");
    row("Latin-1 raw in and out", "Artist", "0&artist=Caf\xE9%20N%&track=", "Caf\xE9 Noir Ensemble,");
}

void tst_serverHttp::searchRecordsHaveFourFields()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, everyRecordHas);
    const auto reply = service(target);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    const QByteArray hostEnd = ".localhost:" + QByteArray::number(m_port);
    int records = 0;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.chopped(4).split(',');
        QVERIFY2(line.endsWith("<br>") && fields.size() == 4 && line.contains(everyRecordHas),
                 line.constData());
        bool isNumber = false;
        fields[1].toInt(&isNumber);
        QVERIFY(isNumber && !fields[0].isEmpty() && !fields[2].isEmpty());
        const QByteArray host = fields[3].mid(7, fields[3].indexOf('/', 7) - 7);
        QVERIFY2(fields[3].startsWith("http://") && host.endsWith(hostEnd), fields[3].constData());
        ++records;
    }
    QVERIFY(records > 0 && records <= 500);
}

void tst_serverHttp::nameCheckPutsTheNameOnTheThirdLineRead_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("confirmed"); // empty: 404
    QTest::newRow("exact") << QByteArray("Ann") << QByteArray("Ann");
    QTest::newRow("case and blanks") << QByteArray("%20%20who%20KNOWS?%20") << QByteArray("Who Knows?");
    QTest::newRow("slash removed by the client")
        << QByteArray("SaltPepper%20%26%20Co") << QByteArray("Salt/Pepper & Co");
    QTest::newRow("Latin-1") << QByteArray("Zo\xEB%20\xC5ngstr\xF6m") << QByteArray("Zo\xEB \xC5ngstr\xF6m");
    QTest::newRow("Latin-1, other case")
        << QByteArray("zo\xCB%20\xE5NGSTR\xD6M") << QByteArray("Zo\xEB \xC5ngstr\xF6m");
    QTest::newRow("comma") << QByteArray("Sun,%20Moon%20%26%20Stars") << QByteArray("Sun, Moon & Stars");
    QTest::newRow("comma as a search record shows it")
        << QByteArray("Sun;%20Moon%20%26%20Stars") << QByteArray("Sun, Moon & Stars");
    QTest::newRow("unknown") << QByteArray("Nobody%20Here") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_serverHttp::nameCheckPutsTheNameOnTheThirdLineRead()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, confirmed);
    const auto check = service("/trelvoSimilarArtists.php?artist=" + sent);
    if (confirmed.isEmpty()) {
        QCOMPARE(check.status, 404);
        QCOMPARE(service("/artistSimilar/" + sent).status, 404);
        return;
    }
    QCOMPARE(check.status, 200);
    const QList<QByteArray> lines = clientLines(check.body);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(2), confirmed);
    // The client asks for the list with the confirmed name, slashes dropped and blanks encoded.
    QByteArray encoded = confirmed;
    encoded.replace(' ', "%20").replace('&', "%26").replace("/", "");
    QCOMPARE(service("/artistSimilar/" + encoded).status, 200);
}

void tst_serverHttp::radioLines()
{
    const auto reply = service("/trelvoRadioByKeyword.php?search=%Who%20Knows?%");
    QCOMPARE(reply.status, 200);
    int stations = 0, withCommas = 0;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        const int c1 = line.indexOf(',');
        const int c2 = line.indexOf(',', c1 + 1);
        QVERIFY2(c1 > 0 && c2 > c1 + 1 && line.endsWith("<br>"), line.constData());
        const QByteArray address = line.mid(c2 + 1).chopped(4);
        QVERIFY2(address.startsWith("http://files.localhost:"), address.constData());
        withCommas += address.contains(',');
        ++stations;
    }
    QVERIFY(stations >= 5 && withCommas > 0);
    // A genre name finds its stations too; a name with none gets an empty list, not an error.
    QVERIFY(!service("/trelvoRadioByKeyword.php?search=%Jazz%").body.isEmpty());
    const auto none = service("/trelvoRadioByKeyword.php?search=%Abba%");
    QCOMPARE(none.status, 200);
    QCOMPARE(none.body, QByteArray());
}

void tst_serverHttp::pictures_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("plain") << QByteArray("Ann") << true;
    QTest::newRow("duo, ampersand escaped") << QByteArray("Ann%20%26%20Bob") << false;
    QTest::newRow("duo, ampersand raw") << QByteArray("Ann%20&%20Bob") << false;
    QTest::newRow("ampersand raw, Latin-1") << QByteArray("M\xFCller%20&%20S\xF6hne") << true;
    QTest::newRow("question mark raw") << QByteArray("Who%20Knows?") << true;
    QTest::newRow("slash kept") << QByteArray("Salt/Pepper%20%26%20Co") << true;
    QTest::newRow("unknown") << QByteArray("Nobody") << false;
    QTest::newRow("not a jpeg name") << QByteArray("Ann.png") << false;
}

void tst_serverHttp::pictures()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, exists);
    const auto reply = service("/artistImages/" + name + ".jpg");
    QCOMPARE(reply.status, exists ? 200 : 404);
    if (!exists)
        return;
    QCOMPARE(reply.header("Content-Type"), QByteArray("image/jpeg"));
    QImage image;
    QVERIFY(image.loadFromData(reply.body, "JPG"));
    QCOMPARE(image.size(), QSize(150, 142));
    QCOMPARE(service("/artistImages/" + name + ".jpg").body, reply.body); // kept, not made anew
}

void tst_serverHttp::shopPageStandsAlone_data()
{
    QTest::addColumn<QByteArray>("term");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("currency");
    QTest::newRow("uk") << QByteArray("salt%20%26%20pepper") << QByteArray("uk") << QByteArray("\xA3");
    QTest::newRow("de") << QByteArray("ann") << QByteArray("de") << QByteArray("&euro;");
    QTest::newRow("unknown store is us") << QByteArray("ann") << QByteArray("xx") << QByteArray("$");
    QTest::newRow("empty term") << QByteArray() << QByteArray("jp") << QByteArray("\xA5");
}

void tst_serverHttp::shopPageStandsAlone()
{
    QFETCH(QByteArray, term);
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, currency);
    const auto reply = service("/trelvoAmazonSearch.php?searchTerm=" + term + "&locale=" + locale);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Type"), QByteArray("text/html; charset=ISO-8859-1"));
    QVERIFY(reply.body.contains(currency));
    QVERIFY(!term.startsWith("salt") || reply.body.contains("salt &amp; pepper"));
    QVERIFY(!reply.body.contains("src=") && !reply.body.contains("http"));
}

Fixture tst_serverHttp::fixture(const QByteArray &where) const
{
    QList<QByteArray> row;
    const auto collect = [](void *out, int count, char **values, char **) {
        for (int i = 0; i < count; ++i)
            static_cast<QList<QByteArray> *>(out)->append(values[i]);
        return 0;
    };
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QDir(m_dir.path()).filePath(QStringLiteral("catalogue.sqlite")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(
        db,
        "SELECT t.site, t.path, t.title, t.seconds FROM track t JOIN artist a ON a.id = t.artist_id WHERE " +
            where + " ORDER BY t.id LIMIT 1",
        collect, &row, nullptr);
    sqlite3_close(db);
    if (row.size() != 4)
        return {};
    // The title as the search record shows it: commas hidden, Latin-1.
    return {home(hostLabels[row[0].toInt()]).chopped(1) + row[1],
            QString::fromUtf8(row[2]).replace(QLatin1Char(','), QLatin1Char(';')).toLatin1(), row[3].toInt()};
}

Reply tst_serverHttp::fetch(const QByteArray &address, const QByteArray &referer,
                            const QByteArray &cookie) const
{
    QByteArray current = QByteArray(address).replace(' ', "%20"); // the transfer encodes blanks only
    for (int hop = 0; hop < 10 && current.startsWith("http://"); ++hop) {
        const int slash = current.indexOf('/', 7);
        const QByteArray path = slash < 0 ? QByteArray("/") : current.mid(slash);
        const auto reply = get(current.mid(7, slash - 7), path, referer, cookie);
        if (reply.status != 302)
            return reply;
        current = reply.header("Location");
    }
    return {};
}

Reply tst_serverHttp::resolve(int site, const Fixture &track) const
{
    switch (site) {
    case Epitonic: {
        const QByteArray name = track.source.mid(track.source.lastIndexOf('/') + 1);
        return fetch(home("cdn.epitonic") + "o1/epi_files/reg/songs/mp3/" + name, home("epitonic"));
    }
    case DownloadMusic: {
        const auto page =
            fetch(track.source, "http://www.google.com/search?hl=en&q=x&btnG=Google+Search&meta=");
        if (page.status != 200)
            return page;
        const QByteArray link =
            findRedirectLink(page.body, track.title, home("dl.download") + "redir?&destUrl=");
        return link.isEmpty() ? Reply() : fetch(link, track.source);
    }
    case Rave: {
        const int at = track.source.toLower().indexOf("&track=");
        return fetch(home("rave") + "music.php?redirect=" + track.source.mid(at + 7), track.source);
    }
    case ShutEmDown: {
        const auto first = fetch(track.source, home("music.download"));
        if (first.status != 200)
            return first;
        // The client's cookie reading: after the first "Cookie: ", up to the first ';'.
        const int at = first.head.indexOf("Cookie: ");
        const QByteArray cookie =
            at < 0 ? QByteArray() : first.head.mid(at + 8, first.head.indexOf(';', at) - at - 8);
        return fetch(track.source, home("shutemdown") + "pebtn2000.htm", cookie);
    }
    default:
        return fetch(track.source, home("sonavex"));
    }
}

void tst_serverHttp::searchRecordsCarryTheSourceAddresses()
{
    const Fixture track = fixture("a.name = 'Lumen Drive' AND t.site = 3");
    QVERIFY(!track.source.isEmpty());
    const auto reply = get(m_host, "/trelvoTracksByArtist.php?genre=0&artist=Lumen%20Drive%&track=");
    QVERIFY(reply.body.contains("," + track.title + "," + track.source + "<br>\r\n"));
}

void tst_serverHttp::everyResolverGetsItsFile_data()
{
    QTest::addColumn<int>("site");
    QTest::addColumn<QByteArray>("where");
    QTest::addColumn<bool>("works");
    for (int site = 1; site <= Files; ++site) {
        if (!hostLabels[site])
            continue;
        const QByteArray kind = "t.site = " + QByteArray::number(site);
        QTest::addRow("%s", hostLabels[site]) << site << "a.name = 'Lumen Drive' AND " + kind << true;
        QTest::addRow("%s, file gone", hostLabels[site])
            << site << "a.name = 'The Lost Tapes' AND t.broken = 1 AND " + kind << false;
    }
    QTest::newRow("epitonic, blanks in the file name")
        << int(Epitonic) << QByteArray("t.site = 1 AND t.broken = 0 AND t.path LIKE '% %'") << true;
    QTest::newRow("download, address over two lines")
        << int(DownloadMusic) << QByteArray("t.site = 3 AND t.broken = 0 AND t.id % 3 = 0") << true;
    QTest::newRow("download, page without link")
        << int(DownloadMusic) << QByteArray("t.site = 3 AND t.broken = 2") << false;
    QTest::newRow("rave, key in capitals with more parameters")
        << int(Rave) << QByteArray("t.site = 5 AND t.broken = 0 AND t.path LIKE '%&Track=%&quality=hi'")
        << true;
}

void tst_serverHttp::everyResolverGetsItsFile()
{
    QFETCH(int, site);
    QFETCH(QByteArray, where);
    QFETCH(bool, works);
    const Fixture track = fixture(where);
    QVERIFY2(!track.source.isEmpty(), where.constData());
    const auto reply = resolve(site, track);
    if (!works) {
        QVERIFY(reply.status != 200);
        return;
    }
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    QCOMPARE(reply.header("Content-Type"), QByteArray("audio/mpeg"));
    int bitrate = 0;
    QVERIFY(looksLikeMp3(reply.body, &bitrate));
    QCOMPARE(bitrate, 128);
    QVERIFY(track.seconds >= 8 && track.seconds <= 30);
    QVERIFY(qAbs(reply.body.size() - track.seconds * 16000) < 16000); // 128 kbit/s
    QCOMPARE(resolve(site, track).body, reply.body); // kept in the data folder, not made anew
    // The site has a home page too.
    const auto homePage = fetch(track.source.left(track.source.indexOf('/', 7) + 1), {});
    QCOMPARE(homePage.status, 200);
    QCOMPARE(homePage.header("Content-Type"), QByteArray("text/html; charset=ISO-8859-1"));
    QVERIFY(homePage.body.contains("<html"));
}

void tst_serverHttp::shutEmDownNeedsItsCookie()
{
    const Fixture track = fixture("t.site = 6 AND t.broken = 0");
    const Fixture other = fixture("t.site = 6 AND t.broken = 0 AND t.id > 100");
    QVERIFY(!track.source.isEmpty() && !other.source.isEmpty() && track.source != other.source);
    const QByteArray button = home("shutemdown") + "pebtn2000.htm";
    QCOMPARE(fetch(track.source, button).status, 403);
    const auto first = fetch(other.source, home("music.download"));
    QCOMPARE(first.status, 200);
    QVERIFY(first.body.size() < 2000);
    const QByteArray setCookie = first.header("Set-Cookie");
    QVERIFY(setCookie.contains("; "));
    const QByteArray cookie = setCookie.left(setCookie.indexOf(';'));
    QCOMPARE(fetch(track.source, button, cookie).status, 403); // another track's cookie
    QCOMPARE(fetch(other.source, button, cookie).status, 200);
    // With the cookie but from elsewhere: the page again, not the file.
    const auto elsewhere = fetch(other.source, home("music.download"), cookie);
    QCOMPARE(elsewhere.status, 200);
    QVERIFY(elsewhere.header("Content-Type").startsWith("text/html"));
}

void tst_serverHttp::benchmarkStream_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mebibytes"); // 0: refused
    QTest::newRow("three") << QByteArray("3MB.mp3") << 3;
    QTest::newRow("zero") << QByteArray("0MB.mp3") << 0;
    QTest::newRow("too big") << QByteArray("1025MB.mp3") << 0;
    QTest::newRow("not a size") << QByteArray("xMB.mp3") << 0;
}

void tst_serverHttp::benchmarkStream()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mebibytes);
    const auto reply = fetch(home("files") + "bench/" + name, {});
    QCOMPARE(reply.status, mebibytes ? 200 : 404);
    if (!mebibytes)
        return;
    QVERIFY(reply.lengthMatches);
    QCOMPARE(reply.body.size(), qsizetype(mebibytes) * 1024 * 1024);
    QVERIFY(looksLikeMp3(reply.body));
    // Frames follow each other all the way: the header repeats every 417 or 418 bytes.
    for (qsizetype at = 0; at + 4 < reply.body.size();) {
        const auto *p = reinterpret_cast<const unsigned char *>(reply.body.constData() + at);
        QVERIFY2(p[0] == 0xFF && (p[1] & 0xE0) == 0xE0, qPrintable(QString::number(at)));
        at += 417 + ((p[2] >> 1) & 1);
    }
}

void tst_serverHttp::oddQueriesGetOrdinaryReplies_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("bad escapes") << QByteArray("%%%zz%4%");
    QTest::newRow("escaped NUL") << QByteArray("ab%00cd");
    QTest::newRow("raw control bytes") << QByteArray("a\x01\x7f\xff");
    QTest::newRow("SQL") << QByteArray("'%20OR%201=1;%20DROP%20TABLE%20track;--");
    QTest::newRow("search syntax") << QByteArray("%22NEAR(%20*%20{artist}:%20-x%20AND");
    QTest::newRow("only separators") << QByteArray("%20%26%20/");
    QTest::newRow("100 KB") << QByteArray(100 * 1024, 'a');
    QTest::newRow("100 KB of words") << QByteArray("love%20").repeated(14000);
}

void tst_serverHttp::oddQueriesGetOrdinaryReplies()
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
        const auto reply = service(target);
        QVERIFY2((reply.status == 200 || reply.status == 404) && reply.lengthMatches,
                 target.left(80).constData());
        QVERIFY(reply.body.size() < 1024 * 1024);
    }
    QVERIFY(service("/trelvoStats.php").body.contains("trackCount,3000<br>"));
}

void tst_serverHttp::oddRequestsGetNothingElse_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    const QByteArray stats = "GET /trelvoStats.php HTTP/1.1\r\n";
    const auto at = [](const char *host, const QByteArray &target) {
        return "GET " + target + " HTTP/1.1\r\nHost: " + host + ".localhost\r\n\r\n";
    };
    QTest::newRow("unknown host") << stats + "Host: elsewhere.test\r\n\r\n" << 404;
    QTest::newRow("ours inside another") << stats + "Host: sonavex.localhost.evil.com\r\n\r\n" << 404;
    QTest::newRow("no host") << stats + "\r\n" << 404;
    QTest::newRow("HTTP/1.0") << QByteArray(
                                     "GET /trelvoStats.php HTTP/1.0\r\nHost: sonavex.localhost\r\n\r\n")
                              << 200;
    QTest::newRow("bare LF line ends")
        << QByteArray("GET /trelvoStats.php HTTP/1.1\nHost: sonavex.localhost\n\n") << 200;
    QTest::newRow("not HTTP") << QByteArray("HELLO\r\n\r\n") << 400;
    QTest::newRow("POST") << "POST" + stats.mid(3) + "Host: sonavex.localhost\r\nContent-Length: 3\r\n\r\nabc"
                          << 405;
    QTest::newRow("head too long") << "GET /" + QByteArray(300 * 1024, 'x') + " HTTP/1.1\r\n\r\n" << 431;
    // Nothing outside the data folder, no redirect to elsewhere.
    QTest::newRow("picture name climbing")
        << at("sonavex", "/artistImages/..%2F..%2Fcatalogue.sqlite") << 404;
    QTest::newRow("picture name climbing, jpg")
        << at("sonavex", "/artistImages/../../etc/passwd%00.jpg") << 404;
    QTest::newRow("files host climbing") << at("files", "/../catalogue.sqlite") << 404;
    QTest::newRow("cdn climbing") << at("cdn.epitonic",
                                        "/o1/epi_files/reg/songs/mp3/..%2F..%2F..%2Fpictures%2F1.jpg")
                                  << 404;
    QTest::newRow("redirector to elsewhere")
        << at("dl.download", "/redir?&destUrl=http://example.com/x.mp3") << 404;
}

void tst_serverHttp::oddRequestsGetNothingElse()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    const auto reply = exchange(m_port, request);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.lengthMatches);
    QVERIFY(!reply.body.contains("SQLite format") && reply.header("Location").isEmpty());
}

void tst_serverHttp::keepAliveServesOneRequestAfterAnother()
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    QVERIFY(socket.waitForConnected(10000));
    const QByteArray request = "GET /trelvoStats.php HTTP/1.1\r\nHost: " + m_host + "\r\n\r\n";
    // Two requests in one write: both answered, in order, on the same connection.
    socket.write(request + request);
    QByteArray data;
    while ((data.count("HTTP/1.1 200 OK") < 2 || !data.endsWith("<br>\r\n")) &&
           socket.waitForReadyRead(10000))
        data += socket.readAll();
    QCOMPARE(data.count("trackCount,3000<br>"), 2);
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
}

void tst_serverHttp::stopsCleanlyOnTerm()
{
    // An idle keep-alive connection must not hold the stop up.
    QTcpSocket idle;
    idle.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    QVERIFY(idle.waitForConnected(10000));
    QCOMPARE(m_server.stop(), 0);
    QVERIFY(!m_server.isRunning());
}

QTEST_MAIN(tst_serverHttp)
#include "tst_serverHttp.moc"
