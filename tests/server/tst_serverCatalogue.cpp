#include "catalogue.h"
#include "catalogueGenerator.h"
#include "keywordIndex.h"
#include "serviceReplies.h"
#include "sqliteHandle.h"
#include "textCodec.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cstdarg>

namespace {

using K = Catalogue::SearchKind;

QByteArray bytes(const std::string &text)
{
    return QByteArray::fromStdString(text);
}

// The lines of a reply without their ends; empty unless every line ends in CR LF.
QList<QByteArray> crlfLines(const std::string &reply)
{
    QList<QByteArray> lines = bytes(reply).split('\n');
    lines.removeLast();
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
    }
    return lines;
}

// A fresh catalogue in dir; its file name.
std::string build(const QTemporaryDir &dir, std::uint64_t seed, int artists = 100, int tracks = 300)
{
    catalogueGenerator::Options options;
    options.artists = artists;
    options.tracks = tracks;
    options.seed = seed;
    std::string error;
    if (!catalogueGenerator::build(dir.path().toStdString(), options, error))
        qWarning("%s", error.c_str());
    return dir.filePath(QStringLiteral("catalogue.sqlite")).toStdString();
}

} // namespace

class tst_serverCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void namesThatTestTheClientArePresent_data();
    void namesThatTestTheClientArePresent();
    void recommendedLinesFillEveryPicture();
    void recordsHaveFourFields();
    void searches_data();
    void searches();
    void genresArePositions();
    void searchesMatchAPlainQuery_data();
    void searchesMatchAPlainQuery();
    void searchesWalkAnIndex();
    void similarListsAreRankedAndSomeOverflow();
    void sameSeedSameCatalogue();
    void anOlderCatalogueIsRefused();

private:
    // A track as a keyword search sees it: its genre, the folded words of artist and title, its line.
    struct TrackWords
    {
        int genreId = 0;
        std::vector<std::string> words;
        std::string line;
    };
    const std::vector<TrackWords> &trackWords();

    QTemporaryDir m_dir;
    std::unique_ptr<Catalogue> m_catalogue;
    SqliteHandle m_db;
    WordSplitter m_splitter; // after m_db: ends before it
    std::vector<TrackWords> m_trackWords;
    std::string search(K kind, const std::string &text, int genreId = 0) const;
    // Each row of the SQL sqlite3_mprintf makes of format: its first column in Latin-1, then its second.
    std::string rows(const char *format, ...);
};

void tst_serverCatalogue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_catalogue = std::make_unique<Catalogue>(build(m_dir, 7, 3000, 30000));
    std::string error;
    QVERIFY2(m_catalogue->open(error), error.c_str());
    QCOMPARE(m_catalogue->trackCount(), 30000);
    QVERIFY2(m_db.open(m_dir.filePath(QStringLiteral("catalogue.sqlite")).toStdString(), SQLITE_OPEN_READONLY,
                       error),
             error.c_str());
    QVERIFY(m_splitter.open(m_db));
}

const std::vector<tst_serverCatalogue::TrackWords> &tst_serverCatalogue::trackWords()
{
    if (!m_trackWords.empty())
        return m_trackWords;
    SqliteStatement rows(m_db, "SELECT t.genre_id, a.name, t.title, t.head, t.path FROM track t"
                               " JOIN artist a ON a.id = t.artist_id ORDER BY t.id");
    while (rows.step()) {
        TrackWords &track = m_trackWords.emplace_back();
        track.genreId = int(rows.integer(0));
        m_splitter.split(rows.text(1), track.words);
        m_splitter.split(rows.text(2), track.words);
        track.line = textCodec::utf8ToLatin1(rows.text(3)) + std::string(rows.text(4)) + '\n';
    }
    return m_trackWords;
}

std::string tst_serverCatalogue::search(K kind, const std::string &text, int genreId) const
{
    std::string out;
    m_catalogue->search(kind, text, genreId, 500, [&](const Catalogue::Hit &hit) {
        out += std::string(hit.head) + std::string(hit.path) + '\n';
    });
    return out;
}

std::string tst_serverCatalogue::rows(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char *sql = sqlite3_vmprintf(format, arguments);
    va_end(arguments);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(m_dir.filePath(QStringLiteral("catalogue.sqlite")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    const auto row = [](void *out, int, char **values, char **) {
        *static_cast<std::string *>(out) += textCodec::utf8ToLatin1(values[0]) + values[1] + '\n';
        return 0;
    };
    std::string out;
    char *error = nullptr;
    if (sqlite3_exec(db, sql, row, &out, &error) != SQLITE_OK)
        out = error;
    sqlite3_free(error);
    sqlite3_free(sql);
    sqlite3_close(db);
    return out;
}

void tst_serverCatalogue::namesThatTestTheClientArePresent_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("hasPicture");
    QTest::addColumn<QByteArray>("firstOfDuo");
    QTest::newRow("longer duo") << QByteArray("Mira Solenne & Theo Vask") << false
                                << QByteArray("Mira Solenne");
    QTest::newRow("apostrophe") << QByteArray("Rosie's Lantern") << true << QByteArray();
    QTest::newRow("colon") << QByteArray("Echo: Response") << true << QByteArray();
    QTest::newRow("two characters") << QByteArray("Xo") << true << QByteArray();
    QTest::newRow("three characters") << QByteArray("Zed") << true << QByteArray();
}

void tst_serverCatalogue::namesThatTestTheClientArePresent()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, hasPicture);
    QFETCH(QByteArray, firstOfDuo);
    const auto artist = m_catalogue->artistByLookupKey(textCodec::lookupKey(name.toStdString()));
    QVERIFY(artist && artist->trackCount > 0);
    QCOMPARE(bytes(artist->name), name);
    QCOMPARE(artist->hasPicture, hasPicture);
    if (!firstOfDuo.isEmpty()) {
        const auto first = m_catalogue->artistByLookupKey(textCodec::lookupKey(firstOfDuo.toStdString()));
        QVERIFY(first && first->hasPicture);
    }
}

void tst_serverCatalogue::recommendedLinesFillEveryPicture()
{
    // The client takes the quoted second field and the last character, and keeps 200 lines.
    const QList<QByteArray> lines = crlfLines(serviceReplies::recommendedArtists(*m_catalogue));
    QVERIFY(lines.size() > 250);
    int perCategory[10] = {};
    QSet<QByteArray> names;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(',');
        QVERIFY2(fields.size() == 4 && fields[1].size() > 2 && fields[1].startsWith('"') &&
                     fields[1].endsWith('"'),
                 lines[i].constData());
        const char category = lines[i].back();
        QVERIFY2(category >= '1' && category <= '9' && !lines[i].contains("<br>"), lines[i].constData());
        perCategory[category - '0'] += i < 199;
        const QByteArray name = fields[1].mid(1, fields[1].size() - 2);
        QVERIFY(!names.contains(name));
        names.insert(name);
        const auto artist =
            m_catalogue->artistByLookupKey(textCodec::lookupKey(textCodec::latin1ToUtf8(name.toStdString())));
        QVERIFY2(artist && artist->hasPicture && artist->trackCount > 0, name.constData());
    }
    for (int category = 1; category <= 3; ++category)
        QVERIFY2(perCategory[category] >= 40, qPrintable(QString::number(category)));
}

void tst_serverCatalogue::recordsHaveFourFields()
{
    // "artist,genre,title," and an address: no stored field may bring a comma of its own.
    QCOMPARE(rows("SELECT count(*), '' FROM track WHERE instr(path, ',') OR substr(path, 1, 1) != '/'"
                  " OR length(head) - length(replace(head, ',', '')) != 3"),
             std::string("0\n"));
}

void tst_serverCatalogue::searches_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("firstArtist"); // both empty: nothing found
    QTest::addColumn<QByteArray>("everyLineHas");
    const auto row = [](const char *tag, K kind, const char *text, const char *first, const char *every) {
        QTest::newRow(tag) << int(kind) << QByteArray(text) << QByteArray(first) << QByteArray(every);
    };
    const char *salt = "Salt & Pepper Trio,";
    row("artist accents folded", K::Artist, "cafe noir", "Caf\xE9 Noir Ensemble,", "Noir");
    row("artist comma as the client shows it", K::Artist, "Sun; Moon", "Sun; Moon & Stars,", "Sun; Moon");
    row("artist apostrophe", K::Artist, "rosie's", "Rosie's Lantern,", "Rosie's");
    row("artist LIKE wildcards are letters", K::Artist, "r_sie%", "", "");
    row("keyword, last word a prefix", K::Keyword, "salt pep", salt, "Pepper");
    row("keyword, full-text syntax is text", K::Keyword, "(\"salt\" + ^pep*)", salt, "Pepper");
    row("keyword, SQL is text", K::Keyword, "salt'; --' pep", salt, "Pepper");
    row("keyword needs every word", K::Keyword, "pepper zzzzqq", "", "");
    row("title prefix", K::Title, "where is the", "", ",Where Is the ");
}

void tst_serverCatalogue::searches()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, firstArtist);
    QFETCH(QByteArray, everyLineHas);
    QList<QByteArray> lines = bytes(search(K(kind), text.toStdString())).split('\n');
    lines.removeLast();
    QCOMPARE(lines.isEmpty(), everyLineHas.isEmpty());
    if (!firstArtist.isEmpty())
        QVERIFY2(lines.first().startsWith(firstArtist), lines.first().constData());
    for (const QByteArray &line : lines) {
        QVERIFY2(line.contains(everyLineHas), line.constData());
        QCOMPARE(line.count(','), 3);
    }
}

void tst_serverCatalogue::genresArePositions()
{
    // The client sends a position in the statistics list, not an id.
    const auto &genres = m_catalogue->genres();
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "0"), 0);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "1"), genres[0].id);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, std::to_string(genres.size())), 255);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "99"), 0);
    QCOMPARE(serviceReplies::genreIdAtPosition(*m_catalogue, "2x"), 0);
}

void tst_serverCatalogue::searchesMatchAPlainQuery_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("genreId");
    const auto row = [](const char *tag, K kind, const char *text, int genreId = 0) {
        QTest::newRow(tag) << int(kind) << QByteArray(text) << genreId;
    };
    // Common and rare words, prefixes of one or many words, in a genre or not, accents; some over 500.
    row("one long word", K::Keyword, "night");
    row("short word that begins others", K::Keyword, "lov");
    row("one letter", K::Keyword, "s");
    row("two words", K::Keyword, "Summer rai");
    row("long prefix in a genre", K::Keyword, "golde", 14);
    row("accented", K::Keyword, "caf\xC3\xA9 no");
    row("accented last word", K::Keyword, "\xC3\x85ngstr");
    row("unknown first word", K::Keyword, "zzzzqq night");
    row("unknown long last word", K::Keyword, "night zzzzqqq");
    row("very common word, prefix, genre", K::Keyword, "the s", 3);
    row("prefix of many words after a rarer word", K::Keyword, "night th");
    row("artist", K::Artist, "the");
    row("artist in a genre", K::Artist, "m", 14);
    row("artist accented", K::Artist, "Caf\xC3\xA9");
    row("title in a genre", K::Title, "s", 3);
    row("title, nothing", K::Title, "zzzzqq");
}

void tst_serverCatalogue::searchesMatchAPlainQuery()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(int, genreId);
    std::string expected;
    if (kind == int(K::Keyword)) {
        // Every word in artist or title, the last one a prefix, by a walk over every track.
        std::vector<std::string> wanted;
        int found = 0;
        m_splitter.split(text.toStdString(), wanted);
        for (const TrackWords &track : trackWords()) {
            const auto has = [&](const std::string &word, bool prefix) {
                return std::any_of(track.words.begin(), track.words.end(), [&](const std::string &w) {
                    return prefix ? w.starts_with(word) : w == word;
                });
            };
            bool all = genreId == 0 || track.genreId == genreId;
            for (size_t i = 0; all && i < wanted.size(); ++i)
                all = has(wanted[i], i + 1 == wanted.size());
            if (all && found++ < 500)
                expected += track.line;
        }
    } else {
        // No index named: the order asked for is the meaning.
        const QByteArray sql =
            QByteArray("SELECT head, path FROM track NOT INDEXED WHERE key >= %Q AND key < %Q"
                       " AND %d IN (0, genre_id) ORDER BY key, id LIMIT 500")
                .replace("key", kind == int(K::Artist) ? "artist_key" : "title_key");
        const std::string key = textCodec::searchKey(text.toStdString());
        expected = rows(sql.constData(), key.c_str(), (key + '\xFF').c_str(), genreId);
    }
    QCOMPARE(expected.empty(), text.contains("zzzz")); // in no name or title
    QCOMPARE(bytes(search(K(kind), text.toStdString(), genreId)), bytes(expected));
}

void tst_serverCatalogue::searchesWalkAnIndex()
{
    for (K kind : {K::Artist, K::Title}) {
        for (bool inGenre : {false, true}) {
            const std::string plan = m_catalogue->searchPlan(kind, inGenre);
            QVERIFY2(plan.find("TEMP B-TREE") == std::string::npos, plan.c_str());
            // The range of one index, read in its own order, with the ids it holds.
            QVERIFY2(plan.find("SEARCH track USING COVERING INDEX") == 0, plan.c_str());
            QVERIFY2(plan.find(inGenre ? "genre_id=? AND " : "(") != std::string::npos, plan.c_str());
        }
    }
}

void tst_serverCatalogue::similarListsAreRankedAndSomeOverflow()
{
    int longest = 0, entries = 0, unavailable = 0;
    for (int id = 1; id <= 120; ++id) {
        const auto artist = m_catalogue->artistById(id);
        QVERIFY(artist);
        const QByteArray name = bytes(textCodec::utf8ToLatin1(artist->name));
        int status = 0;
        const QList<QByteArray> lines =
            crlfLines(serviceReplies::similarArtists(*m_catalogue, name.toStdString(), status));
        QCOMPARE(status, 200);
        QVERIFY(!lines.isEmpty());
        longest = std::max(longest, int(lines.size()));
        for (const QByteArray &line : lines) {
            QVERIFY2((line.startsWith("0,") || line.startsWith("1,")) && line.mid(2) != name,
                     line.constData());
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

void tst_serverCatalogue::sameSeedSameCatalogue()
{
    QTemporaryDir one, two, other;
    Catalogue first(build(one, 7)), same(build(two, 7)), different(build(other, 8));
    std::string error;
    QVERIFY(first.open(error) && same.open(error) && different.open(error));
    auto collect = [](const Catalogue &catalogue) {
        std::string out = serviceReplies::recommendedArtists(catalogue);
        catalogue.search(K::Title, "", 0, 500, [&](const Catalogue::Hit &hit) {
            out += std::string(hit.head) + std::string(hit.path);
        });
        return out;
    };
    QVERIFY(collect(first).size() > 300 * 20);
    QCOMPARE(collect(same), collect(first));
    QVERIFY(collect(different) != collect(first));
}

void tst_serverCatalogue::anOlderCatalogueIsRefused()
{
    QTemporaryDir dir;
    const std::string path = build(dir, 1);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "DELETE FROM meta WHERE key = 'layout'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    Catalogue old(path);
    std::string error;
    QVERIFY(!old.open(error));
    QVERIFY2(error.find("run init again") != std::string::npos, error.c_str());
}

QTEST_GUILESS_MAIN(tst_serverCatalogue)
#include "tst_serverCatalogue.moc"
