#include "catalogue.h"
#include "catalogueGenerator.h"
#include "keywordIndex.h"
#include "serviceReplies.h"
#include "sqliteHandle.h"
#include "textCodec.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using K = Catalogue::SearchKind;

// A fresh catalogue in dir; its file name.
std::string build(const QTemporaryDir &dir, std::uint64_t seed, int artists = 100, int tracks = 300)
{
    std::string error;
    if (!catalogueGenerator::build(dir.path().toStdString(), {artists, tracks, seed}, error))
        qWarning("%s", error.c_str());
    return dir.filePath(QStringLiteral("catalogue.sqlite")).toStdString();
}

} // namespace

class tst_serverCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void searchesMatchAWalkOverEveryTrack_data();
    void searchesMatchAWalkOverEveryTrack();
    void aSeedMakesOneCatalogueOfThisLayout();

private:
    // A track as the searches see it, in id order.
    struct TrackRow
    {
        int genreId = 0;
        std::string keys[3];            // by search kind: none, artist, title
        std::vector<std::string> words; // of artist and title, folded
        std::string line;               // "artist,genre,title," in Latin-1, then the path
    };

    QTemporaryDir m_dir;
    std::unique_ptr<Catalogue> m_catalogue;
    std::vector<TrackRow> m_tracks;
    SqliteHandle m_db;
    WordSplitter m_splitter; // after m_db: ends before it
};

void tst_serverCatalogue::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const std::string path = build(m_dir, 7, 3000, 30000);
    m_catalogue = std::make_unique<Catalogue>(path);
    std::string error;
    QVERIFY2(m_catalogue->open(error), error.c_str());
    QVERIFY2(m_db.open(path, SQLITE_OPEN_READONLY, error), error.c_str());
    QVERIFY(m_splitter.open(m_db));
    SqliteStatement rows(m_db, "SELECT t.genre_id, t.artist_key, t.title_key, a.name, t.title, t.head, t.path"
                               " FROM track t JOIN artist a ON a.id = t.artist_id ORDER BY t.id");
    while (rows.step()) {
        TrackRow &track = m_tracks.emplace_back();
        track.genreId = int(rows.integer(0));
        track.keys[int(K::Artist)] = rows.text(1);
        track.keys[int(K::Title)] = rows.text(2);
        m_splitter.split(rows.text(3), track.words);
        m_splitter.split(rows.text(4), track.words);
        track.line = textCodec::utf8ToLatin1(rows.text(5)) + std::string(rows.text(6));
        // "artist,genre,title," and an address: no stored field may bring a comma of its own.
        QVERIFY2(std::count(track.line.begin(), track.line.end(), ',') == 3 &&
                     track.line.find(",/") != std::string::npos,
                 track.line.c_str());
    }
}

void tst_serverCatalogue::searchesMatchAWalkOverEveryTrack_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("genreId");
    QTest::addColumn<QByteArray>("firstLineHas"); // empty: nothing found
    const auto row = [](const char *tag, K kind, const char *text, const char *first, int genreId = 0) {
        QTest::newRow(tag) << int(kind) << QByteArray(text) << genreId << QByteArray(first);
    };
    row("artist accents folded", K::Artist, "cafe noir", "Caf\xE9 Noir Ensemble,");
    row("artist comma as the client shows it", K::Artist, "Sun; Moon", "Sun; Moon & Stars,");
    row("artist LIKE wildcards are letters", K::Artist, "r_sie%", "");
    row("artist, many", K::Artist, "the", "The ");
    row("artist in a genre", K::Artist, "m", ",14,", 14);
    row("title prefix", K::Title, "where is the", ",Where Is the ");
    row("title in a genre", K::Title, "s", ",3,", 3);
    // Every word in artist or title, the last one a prefix; common and rare words, some over 500.
    row("keyword, last word a prefix", K::Keyword, "salt pep", "Salt & Pepper Trio,");
    row("keyword, full-text syntax is text", K::Keyword, "(\"salt\" + ^pep*)", "Salt & Pepper Trio,");
    row("one long word", K::Keyword, "night", ",");
    row("short word that begins others", K::Keyword, "lov", ",");
    row("one letter", K::Keyword, "s", ",");
    row("long prefix in a genre", K::Keyword, "golde", ",14,", 14);
    row("accented", K::Keyword, "caf\xC3\xA9 no", ",");
    row("accented last word", K::Keyword, "\xC3\x85ngstr", "\xC5ngstr");
    row("unknown first word", K::Keyword, "zzzzqq night", "");
    row("unknown long last word", K::Keyword, "night zzzzqqq", "");
    row("very common word, prefix, genre", K::Keyword, "the s", ",3,", 3);
    row("prefix of many words after a rarer word", K::Keyword, "night th", ",");
}

void tst_serverCatalogue::searchesMatchAWalkOverEveryTrack()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, text);
    QFETCH(int, genreId);
    QFETCH(QByteArray, firstLineHas);
    std::vector<std::string> words;
    m_splitter.split(text.toStdString(), words);
    const std::string key = kind == int(K::Keyword) ? "" : textCodec::searchKey(text.toStdString());
    const auto hasWord = [&](const TrackRow &track, size_t i) {
        return std::any_of(track.words.begin(), track.words.end(), [&](const std::string &w) {
            return i + 1 == words.size() ? w.starts_with(words[i]) : w == words[i];
        });
    };
    std::vector<const TrackRow *> found;
    for (const TrackRow &track : m_tracks) {
        bool match = (genreId == 0 || track.genreId == genreId) && track.keys[kind].starts_with(key);
        for (size_t i = 0; match && kind == int(K::Keyword) && i < words.size(); ++i)
            match = hasWord(track, i);
        if (match)
            found.push_back(&track);
    }
    // Keywords in id order; names and titles by key, then id.
    std::stable_sort(found.begin(), found.end(),
                     [&](const TrackRow *a, const TrackRow *b) { return a->keys[kind] < b->keys[kind]; });
    std::string expected;
    for (size_t i = 0; i < found.size() && i < 500; ++i)
        expected += found[i]->line + '\n';
    std::string actual;
    m_catalogue->search(K(kind), text.toStdString(), genreId, 500, [&](const Catalogue::Hit &hit) {
        actual += std::string(hit.head) + std::string(hit.path) + '\n';
    });
    QCOMPARE(QByteArray::fromStdString(actual), QByteArray::fromStdString(expected));
    const QByteArray first = QByteArray::fromStdString(actual.substr(0, actual.find('\n')));
    QVERIFY2(first.contains(firstLineHas) && actual.empty() == firstLineHas.isEmpty(), first.constData());
}

void tst_serverCatalogue::aSeedMakesOneCatalogueOfThisLayout()
{
    QTemporaryDir one, two, other;
    const std::string path = build(one, 7);
    Catalogue first(path), same(build(two, 7)), different(build(other, 8));
    std::string error;
    QVERIFY(first.open(error) && same.open(error) && different.open(error));
    const auto collect = [](const Catalogue &catalogue) {
        std::string out = serviceReplies::recommendedArtists(catalogue);
        catalogue.search(K::Title, "", 0, 500, [&](const Catalogue::Hit &hit) { out += hit.head; });
        return out;
    };
    QVERIFY(collect(first).size() > 300 * 20);
    QCOMPARE(collect(same), collect(first));
    QVERIFY(collect(different) != collect(first));
    // A catalogue of an older layout is refused, so that it gets built anew.
    {
        SqliteHandle db;
        QVERIFY(db.open(path, SQLITE_OPEN_READWRITE, error));
        QVERIFY(SqliteStatement(db, "UPDATE meta SET value = '3' WHERE key = 'layout'").stepDone(error));
    }
    QVERIFY(!Catalogue(path).open(error));
    QVERIFY2(error.find("run init again") != std::string::npos, error.c_str());
}

QTEST_GUILESS_MAIN(tst_serverCatalogue)
#include "tst_serverCatalogue.moc"
