#include "catalogue.h"
#include "rawHttp.h"
#include "siteNames.h"
#include "standInSites.h"
#include "textCodec.h"

#include <QTest>

using siteNames::Site;
Q_DECLARE_METATYPE(Site)

namespace {

Catalogue::Track sampleTrack(std::int64_t id, int broken = 0)
{
    Catalogue::Track track;
    track.id = id;
    track.artist = "Sun, Moon & Stars";
    track.title = "Caf\xC3\xA9 Rain, Again"; // "Café Rain, Again"
    track.site = int(Site::DownloadMusic);
    track.broken = broken;
    return track;
}

} // namespace

class tst_serverText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queryValues_data();
    void queryValues();
    void latin1RoundTripsEveryByte();
    void keysMatchWhatTheClientSends_data();
    void keysMatchWhatTheClientSends();
    void rawQueryValueFindsWholeKeys();
    void hostsRouteByName_data();
    void hostsRouteByName();
    void trackIdsComeFromEveryAddressForm_data();
    void trackIdsComeFromEveryAddressForm();
    void downloadPageSatisfiesTheClientScan_data();
    void downloadPageSatisfiesTheClientScan();
    void keywordTokensSplitLikeTheIndex_data();
    void keywordTokensSplitLikeTheIndex();
};

void tst_serverText::queryValues_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("leadingMarker");
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("artist marker after") << QByteArray("salt%20%26%20pepper%") << false
                                         << QByteArray("salt & pepper");
    QTest::newRow("radio markers around") << QByteArray("%Abba%") << true << QByteArray("Abba");
    QTest::newRow("leading escape kept without marker") << QByteArray("%20love") << false << QByteArray(" love");
    QTest::newRow("radio marker before an escape") << QByteArray("%%20Band%") << true << QByteArray(" Band");
    QTest::newRow("bare percent inside") << QByteArray("100%25%") << false << QByteArray("100%");
    QTest::newRow("broken escapes stay") << QByteArray("a%zzb%4") << false << QByteArray("a%zzb%4");
    QTest::newRow("Latin-1 byte escaped") << QByteArray("Caf%E9") << false << QByteArray("Caf\xC3\xA9");
    QTest::newRow("Latin-1 byte raw") << QByteArray("Caf\xE9%") << false << QByteArray("Caf\xC3\xA9");
    QTest::newRow("only markers") << QByteArray("%%") << true << QByteArray();
    QTest::newRow("empty") << QByteArray() << false << QByteArray();
}

void tst_serverText::queryValues()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, leadingMarker);
    QFETCH(QByteArray, utf8);
    const std::string decoded = textCodec::queryValueToUtf8(std::string_view(raw.constData(), size_t(raw.size())),
                                                            leadingMarker);
    QCOMPARE(QByteArray::fromStdString(decoded), utf8);
}

void tst_serverText::latin1RoundTripsEveryByte()
{
    std::string all;
    for (int i = 1; i < 256; ++i)
        all += char(i);
    const std::string utf8 = textCodec::latin1ToUtf8(all);
    QCOMPARE(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())), QString::fromLatin1(all.data(), qsizetype(all.size())));
    QCOMPARE(textCodec::utf8ToLatin1(utf8), all);
    // Beyond Latin-1 and broken sequences cannot go out as single bytes.
    QCOMPARE(textCodec::utf8ToLatin1("\xE2\x82\xAC 5"), std::string("? 5"));
    QCOMPARE(textCodec::utf8ToLatin1("a\xC3"), std::string("a?"));
}

void tst_serverText::keysMatchWhatTheClientSends_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("lookupEqual");
    QTest::addColumn<bool>("searchEqual");
    QTest::newRow("case and blanks") << QByteArray("Who Knows?") << QByteArray("  who KNOWS? ") << true << false;
    QTest::newRow("slash dropped by the client") << QByteArray("Salt/Pepper & Co") << QByteArray("SaltPepper & Co")
                                                 << true << false;
    QTest::newRow("comma written as semicolon") << QByteArray("Smith, John") << QByteArray("Smith; John") << true
                                                << true;
    QTest::newRow("accents matter for names") << QByteArray("Zo\xC3\xAB") << QByteArray("Zoe") << false << true;
    QTest::newRow("accented capitals") << QByteArray("\xC3\x85ngstr\xC3\xB6m") << QByteArray("\xC3\xA5NGSTR\xC3\x96M")
                                       << true << true;
}

void tst_serverText::keysMatchWhatTheClientSends()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, sent);
    QFETCH(bool, lookupEqual);
    QFETCH(bool, searchEqual);
    QCOMPARE(textCodec::lookupKey(stored.toStdString()) == textCodec::lookupKey(sent.toStdString()), lookupEqual);
    QCOMPARE(textCodec::searchKey(stored.toStdString()) == textCodec::searchKey(sent.toStdString()), searchEqual);
}

void tst_serverText::rawQueryValueFindsWholeKeys()
{
    std::string value;
    QVERIFY(textCodec::rawQueryValue("genre=3&artist=&track=rock%20and%20roll%", "track", value));
    QCOMPARE(value, std::string("rock%20and%20roll%"));
    QVERIFY(textCodec::rawQueryValue("genre=3&artist=&track=x", "artist", value));
    QCOMPARE(value, std::string());
    // "xartist" is not "artist"; a '?' inside a value stays in it.
    QVERIFY(textCodec::rawQueryValue("xartist=1&artist=Who%20Knows?", "artist", value));
    QCOMPARE(value, std::string("Who%20Knows?"));
    QVERIFY(!textCodec::rawQueryValue("genre=1", "keyword", value));
    QVERIFY(!textCodec::rawQueryValue("keywords=1", "keyword", value));
}

void tst_serverText::hostsRouteByName_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<Site>("site");
    QTest::newRow("service with port") << "localhost:8080" << QByteArray("sonavex.localhost:8080") << Site::Service;
    QTest::newRow("service without port") << "localhost:8080" << QByteArray("sonavex.localhost") << Site::Service;
    QTest::newRow("upper case") << "localhost:8080" << QByteArray("SONAVEX.LocalHost:9") << Site::Service;
    QTest::newRow("cdn") << "localhost:1" << QByteArray("cdn.epitonic.localhost:1") << Site::EpitonicCdn;
    QTest::newRow("redirector") << "localhost:1" << QByteArray("dl.download.localhost") << Site::DownloadRedirector;
    QTest::newRow("announced suffix") << "music.test:9090" << QByteArray("rave.music.test:9090") << Site::Rave;
    QTest::newRow("other suffix") << "music.test:9090" << QByteArray("rave.localhost:9090") << Site::Unknown;
    QTest::newRow("unknown name") << "localhost:1" << QByteArray("evil.localhost:1") << Site::Unknown;
    QTest::newRow("ours inside another") << "localhost:1" << QByteArray("sonavex.localhost.evil.com") << Site::Unknown;
    QTest::newRow("bare suffix") << "localhost:1" << QByteArray("localhost:1") << Site::Unknown;
    QTest::newRow("empty") << "localhost:1" << QByteArray() << Site::Unknown;
}

void tst_serverText::hostsRouteByName()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, host);
    QFETCH(Site, site);
    const siteNames::Sites sites(suffix.toStdString());
    QCOMPARE(sites.route(host.toStdString()), site);
    if (site != Site::Unknown)
        QCOMPARE(sites.route(sites.host(site)), site);
}

void tst_serverText::trackIdsComeFromEveryAddressForm_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<qint64>("id");
    QTest::newRow("epitonic") << QByteArray("/artists/ann/ann-love-night-123.mp3") << qint64(123);
    QTest::newRow("epitonic with blanks") << QByteArray("/o1/epi_files/reg/songs/mp3/Radio 88 5 77.mp3") << qint64(77);
    QTest::newRow("download page") << QByteArray("/music/rock/x/love-2-9.html") << qint64(9);
    QTest::newRow("rave source") << QByteArray("artist=x&Track=42&quality=hi") << qint64(42);
    QTest::newRow("rave redirect") << QByteArray("redirect=42&quality=hi") << qint64(42);
    QTest::newRow("no number") << QByteArray("/mp3/x-y.mp3") << qint64(0);
    QTest::newRow("no dot") << QByteArray("/mp3/123") << qint64(0);
    QTest::newRow("absurd number") << QByteArray("/t-99999999999999999999.mp3") << qint64(0);
}

void tst_serverText::trackIdsComeFromEveryAddressForm()
{
    QFETCH(QByteArray, path);
    QFETCH(qint64, id);
    QCOMPARE(qint64(standInSites::trackIdFromPath(path.toStdString())), id);
}

void tst_serverText::downloadPageSatisfiesTheClientScan_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<int>("broken");
    QTest::addColumn<bool>("hasLink");
    QTest::newRow("address on one line") << qint64(10) << 0 << true;
    QTest::newRow("address over two lines") << qint64(12) << 0 << true;
    QTest::newRow("page without its link") << qint64(13) << 2 << false;
}

void tst_serverText::downloadPageSatisfiesTheClientScan()
{
    QFETCH(qint64, id);
    QFETCH(int, broken);
    QFETCH(bool, hasLink);
    const siteNames::Sites sites("localhost:4321");
    const Catalogue::Track track = sampleTrack(id, broken);
    const std::string page = standInSites::downloadPage(sites, track);
    QVERIFY(page.find('\r') == std::string::npos);
    // The client knows the title as the search record gave it: commas hidden, Latin-1.
    const QByteArray title = "Caf\xE9 Rain; Again";
    const QByteArray prefix = "http://dl.download.localhost:4321/redir?&destUrl=";
    const QByteArray link = rawHttp::findRedirectLink(QByteArray::fromStdString(page), title, prefix);
    if (!hasLink) {
        QCOMPARE(link, QByteArray());
        return;
    }
    QCOMPARE(link, prefix + "http://files.localhost:4321/dl/sun-moon-stars/cafe-rain-again-" + QByteArray::number(id)
                       + ".mp3");
}

void tst_serverText::keywordTokensSplitLikeTheIndex_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("tokens");
    QTest::newRow("apostrophe") << QByteArray("Rosie's Lantern") << QList<QByteArray>{"Rosie", "s", "Lantern"};
    QTest::newRow("accents belong to words") << QByteArray("Caf\xC3\xA9 Noir")
                                             << QList<QByteArray>{"Caf\xC3\xA9", "Noir"};
    QTest::newRow("times sign separates") << QByteArray("a\xC3\x97" "b") << QList<QByteArray>{"a", "b"};
    QTest::newRow("query syntax is no word") << QByteArray("\"NEAR(x* {artist}: -y") << QList<QByteArray>{"NEAR", "x", "artist", "y"};
    QTest::newRow("nothing") << QByteArray(" &/ ") << QList<QByteArray>{};
}

void tst_serverText::keywordTokensSplitLikeTheIndex()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, tokens);
    QList<QByteArray> got;
    for (const auto &token : Catalogue::keywordTokens(text.toStdString()))
        got.append(QByteArray::fromStdString(token));
    QCOMPARE(got, tokens);
}

QTEST_GUILESS_MAIN(tst_serverText)
#include "tst_serverText.moc"
