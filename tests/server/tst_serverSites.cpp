#include "rawHttp.h"
#include "sonavexServerProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sqlite3.h>

namespace {

// Site numbers as the catalogue stores them.
enum SiteKind { Epitonic = 1, DownloadMusic = 3, Rave = 5, ShutEmDown = 6, BetterPropaganda = 7, LemonRed = 8,
                Insound = 9, Mp3Au = 10, Files = 11 };

const char *hostLabel(int site)
{
    switch (site) {
    case Epitonic: return "epitonic";
    case DownloadMusic: return "music.download";
    case Rave: return "rave";
    case ShutEmDown: return "shutemdown";
    case BetterPropaganda: return "betterpropaganda";
    case LemonRed: return "lemonred";
    case Insound: return "insound";
    case Mp3Au: return "mp3au";
    default: return "files";
    }
}

struct Fixture
{
    QByteArray source;
    QByteArray title; // as the search record shows it
    int seconds = 0;
};

} // namespace

class tst_serverSites : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void searchRecordsCarryTheSourceAddresses();
    void everyResolverGetsItsFile_data();
    void everyResolverGetsItsFile();
    void shutEmDownNeedsItsCookie();
    void epitonicFileNamesWithBlanks();
    void homePages_data();
    void homePages();
    void benchmarkStream_data();
    void benchmarkStream();

private:
    // The request sequence of the client's resolver for that site; returns the final reply.
    rawHttp::Reply resolve(int site, const Fixture &track);
    // One GET of an absolute address, redirects followed like the client (same listener for every host).
    rawHttp::Reply fetch(const QByteArray &address, const QByteArray &referer, const QByteArray &cookie = {});
    Fixture fixture(const QByteArray &where);
    QByteArray home(const char *label) const;

    QTemporaryDir m_dir;
    SonavexServerProcess m_server;
    QByteArray m_suffix;
};

void tst_serverSites::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_server.start(m_dir.path()), qPrintable(m_server.errorString()));
    m_suffix = m_server.siteSuffix().toLatin1();
}

QByteArray tst_serverSites::home(const char *label) const
{
    return "http://" + QByteArray(label) + '.' + m_suffix + '/';
}

Fixture tst_serverSites::fixture(const QByteArray &where)
{
    Fixture result;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QDir(m_dir.path()).filePath(QStringLiteral("catalogue.sqlite")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = "SELECT t.site, t.path, t.title, t.seconds FROM track t JOIN artist a ON a.id = t.artist_id"
                           " WHERE " + where + " ORDER BY t.id LIMIT 1";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW) {
        result.source = "http://" + QByteArray(hostLabel(sqlite3_column_int(statement, 0))) + '.' + m_suffix
                        + reinterpret_cast<const char *>(sqlite3_column_text(statement, 1));
        result.title = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 2)))
                           .replace(QLatin1Char(','), QLatin1Char(';'))
                           .toLatin1();
        result.seconds = sqlite3_column_int(statement, 3);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

rawHttp::Reply tst_serverSites::fetch(const QByteArray &address, const QByteArray &referer, const QByteArray &cookie)
{
    QByteArray current = address;
    current.replace(' ', "%20"); // the transfer encodes blanks and nothing else
    for (int hop = 0; hop < 10; ++hop) {
        if (!current.startsWith("http://"))
            return {};
        const int slash = current.indexOf('/', 7);
        const QByteArray host = current.mid(7, slash - 7);
        const QByteArray path = slash < 0 ? QByteArray("/") : current.mid(slash);
        const auto reply = rawHttp::get(quint16(m_server.port()), host, path, referer, cookie);
        if (reply.status != 302)
            return reply;
        current = reply.header("Location");
    }
    return {};
}

rawHttp::Reply tst_serverSites::resolve(int site, const Fixture &track)
{
    switch (site) {
    case Epitonic: {
        const QByteArray name = track.source.mid(track.source.lastIndexOf('/') + 1);
        return fetch("http://cdn.epitonic." + m_suffix + "/o1/epi_files/reg/songs/mp3/" + name, home("epitonic"));
    }
    case DownloadMusic: {
        const auto page = fetch(track.source, "http://www.google.com/search?hl=en&q=x&btnG=Google+Search&meta=");
        if (page.status != 200)
            return page;
        const QByteArray link = rawHttp::findRedirectLink(page.body, track.title,
                                                          "http://dl.download." + m_suffix + "/redir?&destUrl=");
        if (link.isEmpty())
            return {};
        return fetch(link, track.source);
    }
    case Rave: {
        const int at = track.source.toLower().indexOf("&track=");
        return fetch("http://rave." + m_suffix + "/music.php?redirect=" + track.source.mid(at + 7), track.source);
    }
    case ShutEmDown: {
        const auto first = fetch(track.source, home("music.download"));
        if (first.status != 200)
            return first;
        // The client's cookie reading: after the first "Cookie: ", up to the first ';'.
        const int at = first.head.indexOf("Cookie: ");
        const QByteArray cookie = at < 0 ? QByteArray() : first.head.mid(at + 8, first.head.indexOf(';', at) - at - 8);
        return fetch(track.source, "http://shutemdown." + m_suffix + "/pebtn2000.htm", cookie);
    }
    default: return fetch(track.source, home("sonavex"));
    }
}

void tst_serverSites::searchRecordsCarryTheSourceAddresses()
{
    const Fixture track = fixture("a.name = 'Lumen Drive' AND t.site = 3");
    QVERIFY(!track.source.isEmpty());
    const auto reply = rawHttp::get(quint16(m_server.port()), "sonavex." + m_suffix,
                                    "/trelvoTracksByArtist.php?genre=0&artist=Lumen%20Drive%&track=");
    QVERIFY(reply.body.contains("," + track.title + "," + track.source + "<br>\r\n"));
}

void tst_serverSites::everyResolverGetsItsFile_data()
{
    QTest::addColumn<int>("site");
    QTest::addColumn<QByteArray>("where");
    QTest::addColumn<bool>("works");
    const std::pair<int, const char *> sites[] = {{Epitonic, "epitonic"}, {DownloadMusic, "download"},
                                                  {Rave, "rave"}, {ShutEmDown, "shutemdown"},
                                                  {BetterPropaganda, "betterpropaganda"}, {LemonRed, "lemonred"},
                                                  {Insound, "insound"}, {Mp3Au, "mp3au"}, {Files, "files"}};
    for (const auto &[site, name] : sites) {
        const QByteArray kind = "t.site = " + QByteArray::number(site);
        QTest::addRow("%s", name) << site << QByteArray("a.name = 'Lumen Drive' AND " + kind) << true;
        QTest::addRow("%s, file gone", name) << site << QByteArray("a.name = 'The Lost Tapes' AND t.broken = 1 AND " + kind)
                                             << false;
    }
    QTest::newRow("download, address over two lines")
        << int(DownloadMusic) << QByteArray("t.site = 3 AND t.broken = 0 AND t.id % 3 = 0") << true;
    QTest::newRow("download, page without link") << int(DownloadMusic) << QByteArray("t.site = 3 AND t.broken = 2")
                                                 << false;
    QTest::newRow("rave, key in capitals with more parameters")
        << int(Rave) << QByteArray("t.site = 5 AND t.broken = 0 AND t.path LIKE '%&Track=%&quality=hi'") << true;
}

void tst_serverSites::everyResolverGetsItsFile()
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
    QVERIFY(rawHttp::looksLikeMp3(reply.body, &bitrate));
    QCOMPARE(bitrate, 128);
    // 128 kbit/s is 16 000 bytes a second.
    QVERIFY(qAbs(reply.body.size() - track.seconds * 16000) < 16000);
    QVERIFY(track.seconds >= 8 && track.seconds <= 30);
    // Made once, then served from the data folder: the same bytes again.
    QCOMPARE(resolve(site, track).body, reply.body);
}

void tst_serverSites::shutEmDownNeedsItsCookie()
{
    const Fixture track = fixture("t.site = 6 AND t.broken = 0");
    const Fixture other = fixture("t.site = 6 AND t.broken = 0 AND t.id > 100");
    QVERIFY(!track.source.isEmpty() && !other.source.isEmpty() && track.source != other.source);
    const QByteArray button = "http://shutemdown." + m_suffix + "/pebtn2000.htm";
    QCOMPARE(fetch(track.source, button).status, 403);
    const auto first = fetch(other.source, home("music.download"));
    QCOMPARE(first.status, 200);
    QVERIFY(first.body.size() < 2000);
    const QByteArray setCookie = first.header("Set-Cookie");
    QVERIFY(setCookie.contains("; "));
    const QByteArray otherCookie = setCookie.left(setCookie.indexOf(';'));
    QCOMPARE(fetch(track.source, button, otherCookie).status, 403);
    QCOMPARE(fetch(other.source, button, otherCookie).status, 200);
    // With the cookie but from elsewhere: the page again, not the file.
    const auto elsewhere = fetch(other.source, home("music.download"), otherCookie);
    QCOMPARE(elsewhere.status, 200);
    QVERIFY(elsewhere.header("Content-Type").startsWith("text/html"));
}

void tst_serverSites::epitonicFileNamesWithBlanks()
{
    const Fixture track = fixture("t.site = 1 AND t.broken = 0 AND t.path LIKE '% %'");
    QVERIFY(!track.source.isEmpty());
    QVERIFY(track.source.mid(track.source.lastIndexOf('/')).contains(' '));
    const auto reply = resolve(Epitonic, track);
    QCOMPARE(reply.status, 200);
    QVERIFY(rawHttp::looksLikeMp3(reply.body));
}

void tst_serverSites::homePages_data()
{
    QTest::addColumn<QByteArray>("label");
    for (const char *label : {"epitonic", "music.download", "rave", "shutemdown", "betterpropaganda", "lemonred",
                              "insound", "mp3au", "files"})
        QTest::newRow(label) << QByteArray(label);
}

void tst_serverSites::homePages()
{
    QFETCH(QByteArray, label);
    const auto reply = fetch(home(label.constData()), {});
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Type"), QByteArray("text/html; charset=ISO-8859-1"));
    QVERIFY(reply.body.contains("<html"));
}

void tst_serverSites::benchmarkStream_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("mebibytes"); // 0: refused
    QTest::newRow("one") << QByteArray("1MB.mp3") << 1;
    QTest::newRow("three") << QByteArray("3MB.mp3") << 3;
    QTest::newRow("zero") << QByteArray("0MB.mp3") << 0;
    QTest::newRow("too big") << QByteArray("1025MB.mp3") << 0;
    QTest::newRow("not a size") << QByteArray("xMB.mp3") << 0;
}

void tst_serverSites::benchmarkStream()
{
    QFETCH(QByteArray, name);
    QFETCH(int, mebibytes);
    const auto reply = fetch("http://files." + m_suffix + "/bench/" + name, {});
    if (mebibytes == 0) {
        QCOMPARE(reply.status, 404);
        return;
    }
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    QCOMPARE(reply.body.size(), qsizetype(mebibytes) * 1024 * 1024);
    QVERIFY(rawHttp::looksLikeMp3(reply.body));
    // Frames follow each other all the way: the header repeats every 417 or 418 bytes.
    for (qsizetype at = 0; at + 4 < reply.body.size();) {
        const auto *p = reinterpret_cast<const unsigned char *>(reply.body.constData() + at);
        QVERIFY2(p[0] == 0xFF && (p[1] & 0xE0) == 0xE0, qPrintable(QString::number(at)));
        at += 417 + ((p[2] >> 1) & 1);
    }
}

QTEST_GUILESS_MAIN(tst_serverSites)
#include "tst_serverSites.moc"
