#include "catalogue.h"
#include "catalogueGenerator.h"
#include "serviceReplies.h"
#include "siteNames.h"
#include "textCodec.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

QByteArray bytes(const std::string &text)
{
    return QByteArray::fromStdString(text);
}

// CR LF lines of a reply, without their ends.
QList<QByteArray> rawLines(const std::string &reply)
{
    QList<QByteArray> lines = bytes(reply).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        line.chop(1);
    return lines;
}

} // namespace

class tst_serverCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void genresSpanTheClientsRangeAndBeyond();
    void namesThatTestTheClientArePresent_data();
    void namesThatTestTheClientArePresent();
    void recommendedArtistsFillEveryPicture();
    void sourceAddressesCoverEverySiteWithoutCommas();
    void searches_data();
    void searches();
    void searchesHonourGenreAndLimit();
    void similarListsAreRankedAndSomeOverflow();
    void stationsAreManyAndSomeAddressesHoldCommas();
    void sameSeedSameCatalogue();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Catalogue> m_catalogue;
    std::string search(Catalogue::SearchKind kind, const std::string &text, int genreId = 0, int limit = 500);
};

void tst_serverCatalogue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    catalogueGenerator::Options options;
    options.seed = 7;
    std::string error;
    QVERIFY2(catalogueGenerator::build(m_dir.path().toStdString(), options, error), error.c_str());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("catalogue.sqlite.building"))));
    m_catalogue = std::make_unique<Catalogue>(m_dir.filePath(QStringLiteral("catalogue.sqlite")).toStdString());
    QVERIFY2(m_catalogue->open(error), error.c_str());
    QCOMPARE(m_catalogue->trackCount(), 30000);
    QCOMPARE(m_catalogue->artistCount(), 3000);
}

std::string tst_serverCatalogue::search(Catalogue::SearchKind kind, const std::string &text, int genreId, int limit)
{
    std::string out;
    m_catalogue->search(kind, text, genreId, limit, [&](const Catalogue::Hit &hit) {
        out += std::string(hit.head) + std::string(hit.path) + '\n';
    });
    return out;
}

void tst_serverCatalogue::genresSpanTheClientsRangeAndBeyond()
{
    const auto &genres = m_catalogue->genres();
    QVERIFY(genres.size() >= 18 && genres.size() <= 25);
    QSet<int> ids;
    int outside = 0;
    for (const auto &genre : genres) {
        QVERIFY(!ids.contains(genre.id));
        ids.insert(genre.id);
        QVERIFY(genre.id >= 1 && genre.id <= 255);
        outside += genre.id == 255;
        // The client takes the name up to "<br>" and splits nothing else.
        QVERIFY(genre.name.find("<br>") == std::string::npos && !genre.name.empty());
    }
    QCOMPARE(outside, 1);
}

void tst_serverCatalogue::namesThatTestTheClientArePresent_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("hasPicture");
    QTest::addColumn<QByteArray>("firstOfDuo");
    QTest::newRow("duo without picture") << QByteArray("Ann & Bob") << false << QByteArray("Ann");
    QTest::newRow("longer duo") << QByteArray("Mira Solenne & Theo Vask") << false << QByteArray("Mira Solenne");
    QTest::newRow("slash") << QByteArray("Salt/Pepper & Co") << true << QByteArray();
    QTest::newRow("comma") << QByteArray("Sun, Moon & Stars") << true << QByteArray();
    QTest::newRow("apostrophe") << QByteArray("Rosie's Lantern") << true << QByteArray();
    QTest::newRow("question mark") << QByteArray("Who Knows?") << true << QByteArray();
    QTest::newRow("colon") << QByteArray("Echo: Response") << true << QByteArray();
    QTest::newRow("accents") << QByteArray("Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m") << true << QByteArray();
    QTest::newRow("two characters") << QByteArray("Xo") << true << QByteArray();
    QTest::newRow("three characters") << QByteArray("Zed") << true << QByteArray();
}

void tst_serverCatalogue::namesThatTestTheClientArePresent()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, hasPicture);
    QFETCH(QByteArray, firstOfDuo);
    const auto artist = m_catalogue->artistByLookupKey(textCodec::lookupKey(name.toStdString()));
    QVERIFY(artist);
    QCOMPARE(bytes(artist->name), name);
    QCOMPARE(artist->hasPicture, hasPicture);
    QVERIFY(artist->trackCount > 0);
    if (!firstOfDuo.isEmpty()) {
        const auto first = m_catalogue->artistByLookupKey(textCodec::lookupKey(firstOfDuo.toStdString()));
        QVERIFY(first && first->hasPicture);
    }
}

void tst_serverCatalogue::recommendedArtistsFillEveryPicture()
{
    const auto &recommended = m_catalogue->recommended();
    QVERIFY(recommended.size() > 250);
    int perCategory[10] = {};
    QSet<QByteArray> names;
    for (size_t i = 0; i < recommended.size(); ++i) {
        const auto &entry = recommended[i];
        QVERIFY(entry.category >= 1 && entry.category <= 9);
        // The client keeps 200 lines; what the three pictures need must be among them.
        if (i < 199)
            ++perCategory[entry.category];
        QVERIFY2(entry.name.find_first_of(",\"") == std::string::npos, entry.name.c_str());
        QVERIFY(!names.contains(bytes(entry.name)));
        names.insert(bytes(entry.name));
        const auto artist = m_catalogue->artistByLookupKey(textCodec::lookupKey(entry.name));
        QVERIFY(artist && artist->hasPicture && artist->trackCount > 0);
    }
    for (int category = 1; category <= 3; ++category)
        QVERIFY2(perCategory[category] >= 40, qPrintable(QString::number(category)));
    const std::string csv = serviceReplies::recommendedArtists(*m_catalogue);
    QVERIFY(csv.find("<br>") == std::string::npos);
}

void tst_serverCatalogue::sourceAddressesCoverEverySiteWithoutCommas()
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open_v2(m_dir.filePath(QStringLiteral("catalogue.sqlite")).toUtf8().constData(), &db,
                             SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt *statement = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT site, path, broken, head FROM track", -1, &statement, nullptr), SQLITE_OK);
    QSet<int> sites;
    int broken = 0, rows = 0, blanks = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ++rows;
        sites.insert(sqlite3_column_int(statement, 0));
        const QByteArray path(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        const QByteArray head(reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)));
        QVERIFY2(!path.contains(',') && path.startsWith('/'), path.constData());
        blanks += path.contains(' ');
        QCOMPARE(head.count(','), 3); // artist,genre,title, : the address completes four fields
        broken += sqlite3_column_int(statement, 2) != 0;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    QCOMPARE(rows, 30000);
    for (auto site : {siteNames::Site::Epitonic, siteNames::Site::DownloadMusic, siteNames::Site::Rave,
                      siteNames::Site::ShutEmDown, siteNames::Site::BetterPropaganda, siteNames::Site::LemonRed,
                      siteNames::Site::Insound, siteNames::Site::Mp3Au, siteNames::Site::Files})
        QVERIFY(sites.contains(int(site)));
    QVERIFY(blanks > 0);
    // A few, not many.
    QVERIFY(broken >= 10 && broken < 300);
}

void tst_serverCatalogue::searches_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("firstArtist");
    QTest::addColumn<QByteArray>("everyLineHas");
    using K = Catalogue::SearchKind;
    QTest::newRow("artist prefix, exact name first") << int(K::Artist) << QByteArray("ann") << QByteArray("Ann,")
                                                     << QByteArray("Ann");
    QTest::newRow("artist with ampersand") << int(K::Artist) << QByteArray("salt & pepper")
                                           << QByteArray("Salt & Pepper Trio,") << QByteArray("Salt & Pepper Trio,");
    QTest::newRow("artist accents folded") << int(K::Artist) << QByteArray("cafe noir")
                                           << QByteArray("Caf\xC3\xA9 Noir Ensemble,") << QByteArray("Noir");
    QTest::newRow("artist with comma as the client shows it") << int(K::Artist) << QByteArray("Sun; Moon")
                                                              << QByteArray("Sun; Moon & Stars,") << QByteArray("Sun; Moon");
    QTest::newRow("keyword in artist and title, last word a prefix")
        << int(K::Keyword) << QByteArray("salt pep") << QByteArray("Salt & Pepper Trio,") << QByteArray("Pepper");
    QTest::newRow("keyword needs every word") << int(K::Keyword) << QByteArray("pepper zzzzqq") << QByteArray()
                                              << QByteArray();
    QTest::newRow("title prefix") << int(K::Title) << QByteArray("where is the") << QByteArray()
                                  << QByteArray(",Where Is the ");
}

void tst_serverCatalogue::searches()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, firstArtist);
    QFETCH(QByteArray, everyLineHas);
    QList<QByteArray> lines = bytes(search(Catalogue::SearchKind(kind), text.toStdString())).split('\n');
    lines.removeLast();
    if (firstArtist.isEmpty() && everyLineHas.isEmpty()) {
        QVERIFY(lines.isEmpty());
        return;
    }
    QVERIFY(!lines.isEmpty());
    if (!firstArtist.isEmpty())
        QVERIFY2(lines.first().startsWith(firstArtist), lines.first().constData());
    for (const QByteArray &line : lines) {
        QVERIFY2(line.contains(everyLineHas), line.constData());
        QCOMPARE(line.count(','), 3);
    }
}

void tst_serverCatalogue::searchesHonourGenreAndLimit()
{
    using K = Catalogue::SearchKind;
    for (K kind : {K::Keyword, K::Artist, K::Title}) {
        const std::string text = kind == K::Keyword ? "love" : "the";
        QList<QByteArray> all = bytes(search(kind, text)).split('\n');
        all.removeLast();
        QCOMPARE(all.size(), 500);
        QList<QByteArray> few = bytes(search(kind, text, 0, 7)).split('\n');
        few.removeLast();
        QCOMPARE(few, all.mid(0, 7));
        QList<QByteArray> inGenre = bytes(search(kind, text, 14)).split('\n');
        inGenre.removeLast();
        QVERIFY(!inGenre.isEmpty());
        for (const QByteArray &line : inGenre)
            QCOMPARE(line.split(',').at(1), QByteArray("14"));
    }
    // The reply's genre parameter is a position in the statistics list.
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "0"), 0);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "1"), m_catalogue->genres()[0].id);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, std::to_string(m_catalogue->genres().size())), 255);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "-1"), 0);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "99"), 0);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "2x"), 0);
}

void tst_serverCatalogue::similarListsAreRankedAndSomeOverflow()
{
    int longest = 0, entries = 0, unavailable = 0;
    for (int id = 1; id <= 120; ++id) {
        const auto artist = m_catalogue->artistById(id);
        QVERIFY(artist);
        int status = 0;
        const std::string list = serviceReplies::similarArtists(
            *m_catalogue, textCodec::utf8ToLatin1(artist->name), status);
        QCOMPARE(status, 200);
        const QList<QByteArray> lines = rawLines(list);
        QVERIFY(!lines.isEmpty());
        longest = std::max(longest, int(lines.size()));
        for (const QByteArray &line : lines) {
            QVERIFY(line.startsWith("0,") || line.startsWith("1,"));
            QVERIFY(line.mid(2) != QByteArray::fromStdString(textCodec::utf8ToLatin1(artist->name)));
            ++entries;
            unavailable += line.startsWith("0,");
        }
        // Same genre ranks before the rest.
        const auto first = m_catalogue->artistByLookupKey(
            textCodec::lookupKey(textCodec::latin1ToUtf8(lines.first().mid(2).toStdString())));
        QVERIFY(first);
        QCOMPARE(first->genreId, artist->genreId);
    }
    QVERIFY(longest > 106);
    QVERIFY(unavailable * 100 >= entries * 4 && unavailable * 100 <= entries * 20);
    int status = 0;
    serviceReplies::similarArtists(*m_catalogue, "Nobody%20At%20All", status);
    QCOMPARE(status, 404);
}

void tst_serverCatalogue::stationsAreManyAndSomeAddressesHoldCommas()
{
    const auto &stations = m_catalogue->stations();
    QVERIFY(stations.size() > 150);
    int withCommas = 0;
    for (const auto &station : stations) {
        QVERIFY(station.name.find(',') == std::string::npos);
        withCommas += station.path.find(',') != std::string::npos;
    }
    QVERIFY(withCommas > 0);
}

void tst_serverCatalogue::sameSeedSameCatalogue()
{
    QTemporaryDir same, other;
    catalogueGenerator::Options options;
    options.artists = 3000;
    options.tracks = 30000;
    options.seed = 7;
    std::string error;
    QVERIFY2(catalogueGenerator::build(same.path().toStdString(), options, error), error.c_str());
    options.seed = 8;
    QVERIFY2(catalogueGenerator::build(other.path().toStdString(), options, error), error.c_str());
    Catalogue sameCatalogue(same.filePath(QStringLiteral("catalogue.sqlite")).toStdString());
    Catalogue otherCatalogue(other.filePath(QStringLiteral("catalogue.sqlite")).toStdString());
    QVERIFY(sameCatalogue.open(error) && otherCatalogue.open(error));
    auto collect = [](const Catalogue &catalogue) {
        std::string out;
        catalogue.search(Catalogue::SearchKind::Keyword, "night", 0, 500,
                         [&](const Catalogue::Hit &hit) { out += std::string(hit.head) + std::string(hit.path); });
        return out;
    };
    QVERIFY(!collect(sameCatalogue).empty());
    QCOMPARE(collect(sameCatalogue), collect(*m_catalogue));
    QVERIFY(collect(otherCatalogue) != collect(*m_catalogue));
}

QTEST_GUILESS_MAIN(tst_serverCatalogue)
#include "tst_serverCatalogue.moc"
