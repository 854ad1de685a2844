#include "rawHttp.h"
#include "sonavexServerProcess.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using rawHttp::clientLines;

class tst_serverService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void statisticsFollowTheReadersRules();
    void latestClientVersionIsAnOption();
    void recommendedLinesEndInTheirCategory();
    void searchRecordsHaveFourFields_data();
    void searchRecordsHaveFourFields();
    void percentMarkersAndEscapes_data();
    void percentMarkersAndEscapes();
    void latin1TextRoundTrips();
    void nameCheckPutsTheNameOnTheThirdLineRead_data();
    void nameCheckPutsTheNameOnTheThirdLineRead();
    void similarListLines();
    void radioLines();
    void pictures_data();
    void pictures();
    void shopPageStandsAlone_data();
    void shopPageStandsAlone();

private:
    rawHttp::Reply get(const QByteArray &target);

    QTemporaryDir m_dir;
    SonavexServerProcess m_server;
    QByteArray m_host;
};

void tst_serverService::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_server.start(m_dir.path()), qPrintable(m_server.errorString()));
    m_host = "sonavex." + m_server.siteSuffix().toLatin1();
    QCOMPARE(m_server.serverBaseUrl(), QStringLiteral("http://sonavex.localhost:%1/").arg(m_server.port()));
}

rawHttp::Reply tst_serverService::get(const QByteArray &target)
{
    const rawHttp::Reply reply = rawHttp::get(quint16(m_server.port()), m_host, target,
                                              m_server.serverBaseUrl().toLatin1());
    // Every reply carries its length, so the client never has to guess where it ends.
    if (!reply.lengthMatches)
        qWarning("no matching Content-Length for %s", target.constData());
    return reply;
}

void tst_serverService::statisticsFollowTheReadersRules()
{
    const auto reply = get("/trelvoStats.php");
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    QCOMPARE(reply.header("Content-Type"), QByteArray("text/plain; charset=ISO-8859-1"));
    QMap<QByteArray, QByteArray> keys;
    QList<int> genreIds;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.endsWith("<br>"), line.constData());
        const int comma = line.indexOf(',');
        QVERIFY(comma > 0);
        const QByteArray first = line.left(comma);
        bool isId = false;
        const int id = first.toInt(&isId);
        if (isId) {
            genreIds.append(id);
            QVERIFY(line.size() > comma + 1 + 4); // a name before "<br>"
        } else {
            keys.insert(first, line.mid(comma + 1).chopped(4));
        }
    }
    QCOMPARE(keys.value("trackCount"), QByteArray("3000"));
    QCOMPARE(keys.value("artistCount"), QByteArray("300"));
    QCOMPARE(keys.value("genreCount").toInt(), genreIds.size());
    QCOMPARE(keys.value("latestClientVersion"), QByteArray("4"));
    QVERIFY(keys.value("engineVersion").toInt() > 0);
    QVERIFY(genreIds.contains(255));
    QVERIFY(genreIds.contains(1));
}

void tst_serverService::latestClientVersionIsAnOption()
{
    SonavexServerProcess newer;
    newer.setExtraArguments({QStringLiteral("--latest-client-version"), QStringLiteral("5")});
    QVERIFY2(newer.start(m_dir.path()), qPrintable(newer.errorString()));
    const auto reply = rawHttp::get(quint16(newer.port()), "sonavex." + newer.siteSuffix().toLatin1(), "/trelvoStats.php");
    QVERIFY(reply.body.contains("\r\nlatestClientVersion,5<br>\r\n"));
    QCOMPARE(newer.stop(), 0);
}

void tst_serverService::recommendedLinesEndInTheirCategory()
{
    const auto reply = get("/recommendedArtists.csv");
    QCOMPARE(reply.status, 200);
    int usable = 0;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        const int c1 = line.indexOf(',');
        const int c2 = line.indexOf(',', c1 + 1);
        QVERIFY(c1 > 0 && c2 > c1 + 3);
        const QByteArray quoted = line.mid(c1 + 1, c2 - c1 - 1);
        QVERIFY2(quoted.startsWith('"') && quoted.endsWith('"'), line.constData());
        const char category = line.back();
        QVERIFY2(category >= '1' && category <= '9', line.constData());
        ++usable;
    }
    QVERIFY(usable > 20);
}

void tst_serverService::searchRecordsHaveFourFields_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("genreId"); // 0: any
    QTest::newRow("keyword") << QByteArray("/trelvoTracksByKeyword.php?genre=0&keyword=night&track=") << 0;
    QTest::newRow("artist") << QByteArray("/trelvoTracksByArtist.php?genre=0&artist=the%&track=") << 0;
    QTest::newRow("title") << QByteArray("/trelvoTracksByTitle.php?genre=0&artist=&track=the%") << 0;
    QTest::newRow("title in genre 1") << QByteArray("/trelvoTracksByTitle.php?genre=1&artist=&track=%") << 1;
    QTest::newRow("artist with comma in name") << QByteArray("/trelvoTracksByArtist.php?genre=0&artist=sun,%&track=")
                                               << 0;
    QTest::newRow("keyword, title with commas") << QByteArray("/trelvoTracksByKeyword.php?genre=0&keyword=a&track=") << 0;
}

void tst_serverService::searchRecordsHaveFourFields()
{
    QFETCH(QByteArray, target);
    QFETCH(int, genreId);
    const auto reply = get(target);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.lengthMatches);
    int records = 0;
    const QByteArray siteSuffix = m_server.siteSuffix().toLatin1();
    for (QByteArray line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.endsWith("<br>"), line.constData());
        line.replace("<br>", "");
        const QList<QByteArray> fields = line.split(',');
        QVERIFY2(fields.size() == 4, line.constData());
        QVERIFY(!fields[0].isEmpty());
        bool isNumber = false;
        const int id = fields[1].toInt(&isNumber);
        QVERIFY(isNumber);
        if (genreId)
            QCOMPARE(id, genreId);
        QVERIFY(!fields[2].isEmpty());
        const QByteArray host = fields[3].mid(7, fields[3].indexOf('/', 7) - 7);
        QVERIFY2(fields[3].startsWith("http://") && host.endsWith(".localhost:" + siteSuffix.mid(10)), fields[3].constData());
        ++records;
    }
    QVERIFY(records > 0);
    QVERIFY(records <= 500);
}

void tst_serverService::percentMarkersAndEscapes_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("everyRecordStarts");
    QTest::newRow("artist: marker after escapes")
        << QByteArray("/trelvoTracksByArtist.php?genre=0&artist=salt%20%26%20pepper%&track=")
        << QByteArray("Salt & Pepper Trio,");
    QTest::newRow("artist: raw ampersand would cut the value")
        << QByteArray("/trelvoTracksByArtist.php?genre=0&artist=salt%20%26%20pepper%20t%&track=")
        << QByteArray("Salt & Pepper Trio,");
    QTest::newRow("title: marker after") << QByteArray("/trelvoTracksByTitle.php?genre=0&artist=&track=where%20is%")
                                         << QByteArray();
    QTest::newRow("keyword: a leading blank is an escape")
        << QByteArray("/trelvoTracksByKeyword.php?genre=0&keyword=%20salt%20pepper%20tri&track=")
        << QByteArray("Salt & Pepper Trio,");
}

void tst_serverService::percentMarkersAndEscapes()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, everyRecordStarts);
    const auto reply = get(target);
    QCOMPARE(reply.status, 200);
    const QList<QByteArray> lines = reply.body.split('\n');
    QVERIFY(lines.size() > 1);
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        if (everyRecordStarts.isEmpty())
            QVERIFY2(line.split(',').at(2).startsWith("Where Is the"), line.constData());
        else
            QVERIFY2(line.startsWith(everyRecordStarts), line.constData());
    }
    // "%Abba%" means Abba: nobody here, so an empty list rather than an error.
    const auto radio = get("/trelvoRadioByKeyword.php?search=%Abba%");
    QCOMPARE(radio.status, 200);
    QCOMPARE(radio.body, QByteArray());
}

void tst_serverService::latin1TextRoundTrips()
{
    // The client sends Latin-1 bytes raw; the reply must come back in Latin-1, not UTF-8.
    const auto reply = get("/trelvoTracksByArtist.php?genre=0&artist=Caf\xE9%20N%&track=");
    QCOMPARE(reply.status, 200);
    QVERIFY2(reply.body.startsWith("Caf\xE9 Noir Ensemble,"), reply.body.left(60).constData());
    QVERIFY(!reply.body.contains("\xC3\xA9"));
    const auto stats = get("/trelvoStats.php");
    QVERIFY(stats.body.contains(",Chanson fran\xE7" "aise<br>"));
}

void tst_serverService::nameCheckPutsTheNameOnTheThirdLineRead_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("confirmed"); // empty: 404
    QTest::newRow("exact") << QByteArray("Ann") << QByteArray("Ann");
    QTest::newRow("case and blanks") << QByteArray("%20%20who%20KNOWS?%20") << QByteArray("Who Knows?");
    QTest::newRow("slash removed by the client") << QByteArray("SaltPepper%20%26%20Co") << QByteArray("Salt/Pepper & Co");
    QTest::newRow("Latin-1") << QByteArray("Zo\xEB%20\xC5ngstr\xF6m") << QByteArray("Zo\xEB \xC5ngstr\xF6m");
    QTest::newRow("comma") << QByteArray("Sun,%20Moon%20%26%20Stars") << QByteArray("Sun, Moon & Stars");
    QTest::newRow("unknown") << QByteArray("Nobody%20Here") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_serverService::nameCheckPutsTheNameOnTheThirdLineRead()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, confirmed);
    const auto check = get("/trelvoSimilarArtists.php?artist=" + sent);
    if (confirmed.isEmpty()) {
        QCOMPARE(check.status, 404);
        QCOMPARE(get("/artistSimilar/" + sent).status, 404);
        return;
    }
    QCOMPARE(check.status, 200);
    const QList<QByteArray> lines = clientLines(check.body);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(2), confirmed);
    // The client asks for the list with the confirmed name, slashes dropped and blanks encoded.
    QByteArray encoded = confirmed;
    encoded.replace(' ', "%20").replace('&', "%26").replace("/", "");
    QCOMPARE(get("/artistSimilar/" + encoded).status, 200);
}

void tst_serverService::similarListLines()
{
    const auto reply = get("/artistSimilar/Who%20Knows?");
    QCOMPARE(reply.status, 200);
    const QList<QByteArray> lines = reply.body.split('\n');
    int entries = 0;
    for (QByteArray line : lines) {
        if (line.isEmpty())
            continue;
        QVERIFY(line.endsWith('\r'));
        line.chop(1);
        QVERIFY2(line.startsWith("1,") || line.startsWith("0,"), line.constData());
        QVERIFY(line.size() > 2 && !line.contains("<br>"));
        ++entries;
    }
    QVERIFY(entries >= 12);
}

void tst_serverService::radioLines()
{
    const auto reply = get("/trelvoRadioByKeyword.php?search=%Who%20Knows?%");
    QCOMPARE(reply.status, 200);
    int stations = 0, withCommas = 0;
    for (const QByteArray &line : clientLines(reply.body)) {
        if (line.isEmpty())
            continue;
        const int c1 = line.indexOf(',');
        const int c2 = line.indexOf(',', c1 + 1);
        QVERIFY(c1 > 0 && c2 > c1 + 1);
        QVERIFY(line.endsWith("<br>"));
        const QByteArray address = line.mid(c2 + 1).chopped(4);
        QVERIFY2(address.startsWith("http://files.localhost:"), address.constData());
        withCommas += address.contains(',');
        ++stations;
    }
    QVERIFY(stations >= 5);
    QVERIFY(withCommas > 0);
    // A genre name finds its stations too.
    QVERIFY(!get("/trelvoRadioByKeyword.php?search=%Jazz%").body.isEmpty());
}

void tst_serverService::pictures_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("exists");
    QTest::newRow("plain") << QByteArray("Ann") << true;
    QTest::newRow("duo, ampersand escaped") << QByteArray("Ann%20%26%20Bob") << false;
    QTest::newRow("duo, ampersand raw") << QByteArray("Ann%20&%20Bob") << false;
    QTest::newRow("ampersand raw") << QByteArray("M\xFCller%20&%20S\xF6hne") << true;
    QTest::newRow("question mark raw") << QByteArray("Who%20Knows?") << true;
    QTest::newRow("slash kept") << QByteArray("Salt/Pepper%20%26%20Co") << true;
    QTest::newRow("comma") << QByteArray("Sun,%20Moon%20%26%20Stars") << true;
    QTest::newRow("unknown") << QByteArray("Nobody") << false;
    QTest::newRow("not a jpeg name") << QByteArray("Ann.png") << false;
}

void tst_serverService::pictures()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, exists);
    const auto reply = get("/artistImages/" + name + ".jpg");
    QCOMPARE(reply.status, exists ? 200 : 404);
    if (!exists)
        return;
    QCOMPARE(reply.header("Content-Type"), QByteArray("image/jpeg"));
    QImage image;
    QVERIFY(image.loadFromData(reply.body, "JPG"));
    QCOMPARE(image.size(), QSize(150, 142));
    // Made once, then the same bytes from the cache.
    QCOMPARE(get("/artistImages/" + name + ".jpg").body, reply.body);
}

void tst_serverService::shopPageStandsAlone_data()
{
    QTest::addColumn<QByteArray>("term");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("currency");
    QTest::newRow("uk") << QByteArray("salt%20%26%20pepper") << QByteArray("uk") << QByteArray("\xA3");
    QTest::newRow("jp") << QByteArray("ann") << QByteArray("jp") << QByteArray("\xA5");
    QTest::newRow("de") << QByteArray("ann") << QByteArray("de") << QByteArray("&euro;");
    QTest::newRow("unknown store is us") << QByteArray("ann") << QByteArray("xx") << QByteArray("$");
    QTest::newRow("empty term") << QByteArray() << QByteArray("us") << QByteArray("$");
}

void tst_serverService::shopPageStandsAlone()
{
    QFETCH(QByteArray, term);
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, currency);
    const auto reply = get("/trelvoAmazonSearch.php?searchTerm=" + term + "&locale=" + locale);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.header("Content-Type"), QByteArray("text/html; charset=ISO-8859-1"));
    QVERIFY(reply.body.contains(currency));
    if (term.startsWith("salt"))
        QVERIFY(reply.body.contains("salt &amp; pepper"));
    QVERIFY(!reply.body.contains("src="));
    QVERIFY(!reply.body.contains("http"));
}

QTEST_MAIN(tst_serverService)
#include "tst_serverService.moc"
