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
    void keywordSearchesMatchThePlainPrefixQuery_data();
    void keywordSearchesMatchThePlainPrefixQuery();
    void prefixSearchesMatchAPlainRangeQuery_data();
    void prefixSearchesMatchAPlainRangeQuery();
    void searchSyntaxInTheTextIsJustText_data();
    void searchSyntaxInTheTextIsJustText();
    void searchesWalkAnIndex();
    void anOlderCatalogueIsRefused();
    void similarListsAreRankedAndSomeOverflow();
    void stationsAreManyAndSomeAddressesHoldCommas();
    void sameSeedSameCatalogue();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Catalogue> m_catalogue;
    std::string search(Catalogue::SearchKind kind, const std::string &text, int genreId = 0, int limit = 500);
    // The same lines straight from the tables: sql yields head and path, best first.
    std::string reference(const char *sql, const std::vector<std::string> &texts, int genreId = 0);
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

std::string tst_serverCatalogue::reference(const char *sql, const std::vector<std::string> &texts, int genreId)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(m_dir.filePath(QStringLiteral("catalogue.sqlite")).toUtf8().constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt *statement = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        int index = 0;
        for (const std::string &text : texts)
            sqlite3_bind_text(statement, ++index, text.c_str(), int(text.size()), SQLITE_TRANSIENT);
        if (genreId != 0)
            sqlite3_bind_int(statement, ++index, genreId);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            out += textCodec::utf8ToLatin1(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
            out += reinterpret_cast<const char *>(sqlite3_column_text(statement, 1));
            out += '\n';
        }
    } else {
        out = sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
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
                                           << QByteArray("Caf\xE9 Noir Ensemble,") << QByteArray("Noir");
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

void tst_serverCatalogue::keywordSearchesMatchThePlainPrefixQuery_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("plainMatch");
    QTest::addColumn<int>("genreId");
    // Widened long last words, prefix-indexed short ones, accents left to the index.
    QTest::newRow("one long word") << QByteArray("night") << QByteArray("{artist title}: \"night\"*") << 0;
    QTest::newRow("a word that begins others")
        << QByteArray("lov") << QByteArray("{artist title}: \"lov\"*") << 0;
    QTest::newRow("one letter") << QByteArray("s") << QByteArray("{artist title}: \"s\"*") << 0;
    QTest::newRow("two words") << QByteArray("Summer rai") << QByteArray("{artist title}: \"summer\" AND {artist title}: \"rai\"*")
                               << 0;
    QTest::newRow("long prefix in a genre")
        << QByteArray("golde") << QByteArray("{artist title}: \"golde\"* AND g: \"\xEE\x80\x80" "14\"") << 14;
    QTest::newRow("accented") << QByteArray("caf\xC3\xA9 no") << QByteArray("{artist title}: \"caf\xC3\xA9\" AND {artist title}: \"no\"*")
                              << 0;
    QTest::newRow("accented last word")
        << QByteArray("\xC3\x85ngstr") << QByteArray("{artist title}: \"\xC3\x85ngstr\"*") << 0;
    QTest::newRow("unknown first word") << QByteArray("zzzzqq night") << QByteArray() << 0;
    QTest::newRow("unknown long last word") << QByteArray("night zzzzqqq") << QByteArray() << 0;
}

void tst_serverCatalogue::keywordSearchesMatchThePlainPrefixQuery()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, plainMatch);
    QFETCH(int, genreId);
    const std::string expected =
        plainMatch.isEmpty() ? std::string()
                             : reference("SELECT t.head, t.path FROM track_fts f JOIN track t ON t.id = f.rowid"
                                         " WHERE track_fts MATCH ?1 ORDER BY f.rowid LIMIT 500",
                                         {plainMatch.toStdString()});
    if (!plainMatch.isEmpty())
        QVERIFY(!expected.empty());
    QCOMPARE(bytes(search(Catalogue::SearchKind::Keyword, text.toStdString(), genreId)), bytes(expected));
}

void tst_serverCatalogue::prefixSearchesMatchAPlainRangeQuery_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("genreId");
    using K = Catalogue::SearchKind;
    QTest::newRow("artist") << int(K::Artist) << QByteArray("the") << 0;
    QTest::newRow("artist in a genre") << int(K::Artist) << QByteArray("m") << 14;
    QTest::newRow("artist accented") << int(K::Artist) << QByteArray("Caf\xC3\xA9") << 0;
    QTest::newRow("title") << int(K::Title) << QByteArray("where") << 0;
    QTest::newRow("title in a genre") << int(K::Title) << QByteArray("s") << 3;
    QTest::newRow("nothing") << int(K::Title) << QByteArray("zzzzqq") << 0;
}

void tst_serverCatalogue::prefixSearchesMatchAPlainRangeQuery()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(int, genreId);
    const std::string key = textCodec::searchKey(text.toStdString());
    const bool byArtist = kind == int(Catalogue::SearchKind::Artist);
    // Without any index named: the order asked for is the meaning.
    const std::string sql = std::string("SELECT head, path FROM track NOT INDEXED WHERE ") + (byArtist ? "artist_key" : "title_key")
                            + " >= ?1 AND " + (byArtist ? "artist_key" : "title_key") + " < ?2"
                            + (genreId ? " AND genre_id = ?3" : "") + " ORDER BY " + (byArtist ? "artist_key" : "title_key")
                            + ", id LIMIT 500";
    const std::string expected = reference(sql.c_str(), {key, key + '\xFF'}, genreId);
    QCOMPARE(bytes(search(Catalogue::SearchKind(kind), text.toStdString(), genreId)), bytes(expected));
}

void tst_serverCatalogue::searchSyntaxInTheTextIsJustText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("sameAs");
    using K = Catalogue::SearchKind;
    QTest::newRow("full-text syntax around words")
        << int(K::Keyword) << QByteArray("(\"salt\" + ^pep*)") << QByteArray("salt pep");
    QTest::newRow("SQL around words") << int(K::Keyword) << QByteArray("salt'; --' pep") << QByteArray("salt pep");
    QTest::newRow("operators are words") << int(K::Keyword) << QByteArray("NEAR OR NOT AND") << QByteArray("near or not and");
    QTest::newRow("LIKE wildcards match themselves") << int(K::Artist) << QByteArray("r_sie%") << QByteArray("r_sie%");
    QTest::newRow("apostrophe") << int(K::Artist) << QByteArray("rosie's") << QByteArray("Rosie's");
    QTest::newRow("quote in a title") << int(K::Title) << QByteArray("don't \"") << QByteArray("DON'T \"");
}

void tst_serverCatalogue::searchSyntaxInTheTextIsJustText()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, sameAs);
    const auto k = Catalogue::SearchKind(kind);
    const std::string reply = search(k, text.toStdString());
    QCOMPARE(bytes(reply), bytes(search(k, sameAs.toStdString())));
    if (text.contains("salt"))
        QVERIFY(reply.find("Salt & Pepper") != std::string::npos);
    if (text.contains("rosie"))
        QVERIFY(reply.find("Rosie's Lantern") == 0);
    if (text.contains("r_sie"))
        QVERIFY(reply.empty());
}

void tst_serverCatalogue::searchesWalkAnIndex()
{
    using K = Catalogue::SearchKind;
    for (K kind : {K::Keyword, K::Artist, K::Title}) {
        for (bool inGenre : {false, true}) {
            const std::string plan = m_catalogue->searchPlan(kind, inGenre);
            QVERIFY2(plan.find("TEMP B-TREE") == std::string::npos, plan.c_str());
            if (kind == K::Keyword) {
                QVERIFY2(plan.find("VIRTUAL TABLE INDEX") != std::string::npos, plan.c_str());
            } else {
                // The range of one index, read in its own order, with the ids it holds.
                QVERIFY2(plan.find("SEARCH track USING COVERING INDEX") == 0, plan.c_str());
                QVERIFY2(plan.find(inGenre ? "genre_id=? AND " : "(") != std::string::npos, plan.c_str());
            }
        }
    }
}

void tst_serverCatalogue::anOlderCatalogueIsRefused()
{
    QTemporaryDir dir;
    catalogueGenerator::Options options;
    options.artists = 100;
    options.tracks = 300;
    std::string error;
    QVERIFY2(catalogueGenerator::build(dir.path().toStdString(), options, error), error.c_str());
    const std::string path = dir.filePath(QStringLiteral("catalogue.sqlite")).toStdString();
    {
        Catalogue fresh(path);
        QVERIFY2(fresh.open(error), error.c_str());
    }
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DELETE FROM meta WHERE key = 'layout'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    Catalogue old(path);
    error.clear();
    QVERIFY(!old.open(error));
    QVERIFY2(error.find("run init again") != std::string::npos, error.c_str());
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
