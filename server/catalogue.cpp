#include "catalogue.h"

#include "catalogueGenerator.h"
#include "keywordIndex.h"
#include "sqliteHandle.h"
#include "textCodec.h"

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>

struct CatalogueConnection
{
    SqliteHandle db;
    WordSplitter splitter; // after db: ends before it
    SqliteStatement artist, artistInGenre, title, titleInGenre, lookup, byId, inGenre, track, genreTracks;
};

namespace {

// The catalogue is read-only while serving: no locking, memory-mapped pages shared by all threads.
void prepare(CatalogueConnection &c)
{
    sqlite3_exec(c.db,
                 "PRAGMA query_only=1; PRAGMA mmap_size=4294967296; PRAGMA cache_size=-8192;"
                 "PRAGMA temp_store=MEMORY;",
                 nullptr, nullptr, nullptr);
    auto make = [&](SqliteStatement &s, const char *sql) {
        if (!s.prepare(c.db, sql))
            throw std::runtime_error(std::string("catalogue query does not prepare: ") +
                                     sqlite3_errmsg(c.db));
    };
    // Searches read ids only, from indexes that hold them (covering), in index order: the lines
    // themselves come from memory. ?1 starts the key range, ?2 ends it, ?3 bounds the rows, ?4 the genre.
    const auto keyRange = [](const char *index, const char *key, bool inGenre) {
        return std::string("SELECT id FROM track INDEXED BY ") + index + " WHERE " +
               (inGenre ? "genre_id = ?4 AND " : "") + key + " >= ?1 AND " + key + " < ?2 ORDER BY " + key +
               ", id LIMIT ?3";
    };
    make(c.artist, keyRange("track_artist", "artist_key", false).c_str());
    make(c.artistInGenre, keyRange("track_genre_artist", "artist_key", true).c_str());
    make(c.title, keyRange("track_title", "title_key", false).c_str());
    make(c.titleInGenre, keyRange("track_genre_title", "title_key", true).c_str());
    make(c.lookup,
         "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE lookup_key = ?1");
    make(c.byId, "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE id = ?1");
    make(c.inGenre,
         "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE genre_id = ?1"
         " ORDER BY id LIMIT ?2");
    make(c.track, "SELECT t.id, t.artist_id, a.name, t.title, t.genre_id, t.site, t.path, t.broken, t.seconds"
                  " FROM track t JOIN artist a ON a.id = t.artist_id WHERE t.id = ?1");
    make(c.genreTracks,
         "SELECT t.id, t.artist_id, a.name, t.title, t.genre_id, t.site, t.path, t.broken, t.seconds"
         " FROM track t JOIN artist a ON a.id = t.artist_id WHERE t.genre_id = ?1 AND t.broken = 0"
         " ORDER BY t.id LIMIT ?2");
    if (!c.splitter.open(c.db))
        throw std::runtime_error("SQLite's full-text tokenizer is missing");
}

Catalogue::Artist readArtist(const SqliteStatement &s)
{
    Catalogue::Artist a;
    a.id = int(s.integer(0));
    a.name = std::string(s.text(1));
    a.genreId = int(s.integer(2));
    a.tags = unsigned(s.integer(3));
    a.hasPicture = s.integer(4) != 0;
    a.trackCount = int(s.integer(5));
    return a;
}

Catalogue::Track readTrack(const SqliteStatement &s)
{
    Catalogue::Track t;
    t.id = s.integer(0);
    t.artistId = int(s.integer(1));
    t.artist = std::string(s.text(2));
    t.title = std::string(s.text(3));
    t.genreId = int(s.integer(4));
    t.site = int(s.integer(5));
    t.path = std::string(s.text(6));
    t.broken = int(s.integer(7));
    t.seconds = int(s.integer(8));
    return t;
}

// Every row of a prepared statement run with values bound in order, each made by read.
template <typename Read, typename... Values>
auto rowsOf(SqliteStatement &statement, Read read, const Values &...values)
{
    statement.reset();
    int index = 0;
    (statement.bind(++index, values), ...);
    std::vector<decltype(read(statement))> rows;
    while (statement.step())
        rows.push_back(read(statement));
    statement.reset();
    return rows;
}

template <typename Row> std::optional<Row> firstOf(std::vector<Row> rows)
{
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

// Any string starting with prefix sorts below this: UTF-8 text never holds the byte 0xFF.
std::string prefixEnd(const std::string &prefix)
{
    return prefix + '\xFF';
}

} // namespace

// Hands a pooled connection to one query and puts it back afterwards.
class Catalogue::Lease
{
public:
    explicit Lease(const Catalogue &catalogue) : m_catalogue(catalogue), m_connection(catalogue.acquire()) {}
    ~Lease() { m_catalogue.release(std::move(m_connection)); }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;
    CatalogueConnection &operator*() const { return *m_connection; }
    CatalogueConnection *operator->() const { return m_connection.get(); }

private:
    const Catalogue &m_catalogue;
    std::unique_ptr<CatalogueConnection> m_connection;
};

Catalogue::Catalogue(std::string path) : m_path(std::move(path)) {}

Catalogue::~Catalogue() = default;

bool Catalogue::open(std::string &error)
{
    SqliteHandle db;
    if (!db.open(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error))
        return false;
    int layout = 0;
    {
        SqliteStatement meta(db, "SELECT key, value FROM meta");
        if (!meta.valid()) {
            error = m_path + " is not a catalogue: " + sqlite3_errmsg(db);
            return false;
        }
        while (meta.step()) {
            const std::string key(meta.text(0));
            const std::string value(meta.text(1));
            if (key == "trackCount")
                m_trackCount = std::stoll(value);
            else if (key == "artistCount")
                m_artistCount = std::stoll(value);
            else if (key == "engineVersion")
                m_engineVersion = std::stoi(value);
            else if (key == "seed")
                m_seed = std::stoull(value);
            else if (key == "layout")
                layout = std::stoi(value);
        }
    }
    if (layout != catalogueGenerator::catalogueLayout) {
        error = m_path + " was made by another version of sonavex-server: run init again";
        return false;
    }
    {
        SqliteStatement genres(db, "SELECT id, name, category FROM genre ORDER BY position");
        while (genres.step())
            m_genres.push_back({int(genres.integer(0)), std::string(genres.text(1)), int(genres.integer(2))});
    }
    {
        SqliteStatement recommended(db, "SELECT a.name, g.name, r.category FROM recommended r"
                                        " JOIN artist a ON a.id = r.artist_id"
                                        " LEFT JOIN genre g ON g.id = a.genre_id ORDER BY r.line");
        while (recommended.step())
            m_recommended.push_back({std::string(recommended.text(0)), std::string(recommended.text(1)),
                                     int(recommended.integer(2))});
    }
    {
        SqliteStatement stations(db, "SELECT id, name, genre_id, path FROM radio ORDER BY id");
        while (stations.step())
            m_stations.push_back({int(stations.integer(0)), std::string(stations.text(1)),
                                  int(stations.integer(2)), std::string(stations.text(3))});
    }
    if (m_genres.empty() || m_trackCount == 0) {
        error = m_path + " holds no catalogue";
        return false;
    }
    try {
        release(acquire());
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    return loadLines(error);
}

bool Catalogue::loadLines(std::string &error)
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    SqliteStatement artists(c.db, "SELECT id, name FROM artist");
    SqliteStatement rows(c.db,
                         "SELECT id, head, site, path, artist_id, genre_id, title FROM track ORDER BY id");
    SqliteStatement last(c.db, "SELECT max(id) FROM track");
    if (!artists.valid() || !rows.valid() || !last.valid() || !last.step()) {
        error = m_path + ": cannot read the tracks: " + sqlite3_errmsg(c.db);
        return false;
    }
    const std::int64_t maxId = last.integer(0);
    last.reset();
    if (maxId < 1 || maxId >= (std::int64_t(1) << 32) - 1) {
        error = m_path + ": track ids out of range";
        return false;
    }
    KeywordIndex::Builder keywords;
    std::vector<std::string> words;
    while (artists.step()) {
        words.clear();
        c.splitter.split(artists.text(1), words);
        keywords.addArtist(int(artists.integer(0)), words);
    }
    m_lineStarts.assign(size_t(maxId) + 2, 0);
    m_lines.clear();
    m_lines.reserve(size_t(m_trackCount) * 96);
    std::int64_t next = 0;
    while (rows.step()) {
        const std::int64_t id = rows.integer(0);
        const std::string head = textCodec::utf8ToLatin1(rows.text(1));
        const std::string_view path = rows.text(3);
        // Ids without a track get empty lines.
        while (next <= id)
            m_lineStarts[size_t(next++)] = m_lines.size();
        const size_t headLength = std::min<size_t>(head.size(), 0xFFFF);
        m_lines += char(std::clamp<std::int64_t>(rows.integer(2), 0, 255));
        m_lines += char(headLength & 0xFF);
        m_lines += char(headLength >> 8);
        m_lines.append(head, 0, headLength);
        m_lines += path;
        if (id > 0) {
            words.clear();
            c.splitter.split(rows.text(6), words);
            keywords.addTrack(std::uint32_t(id), int(rows.integer(4)), int(rows.integer(5)), words);
        }
    }
    while (next < std::int64_t(m_lineStarts.size()))
        m_lineStarts[size_t(next++)] = m_lines.size();
    m_lines.shrink_to_fit();
    m_keywords = std::make_unique<KeywordIndex>(keywords.finish());
    return true;
}

bool Catalogue::lineOf(std::int64_t id, Hit &hit) const
{
    if (id < 0 || id + 1 >= std::int64_t(m_lineStarts.size()))
        return false;
    const size_t start = size_t(m_lineStarts[size_t(id)]);
    const size_t end = size_t(m_lineStarts[size_t(id) + 1]);
    if (end < start + 3)
        return false;
    const std::string_view line(m_lines.data() + start, end - start);
    const size_t headLength =
        size_t(static_cast<unsigned char>(line[1])) | size_t(static_cast<unsigned char>(line[2])) << 8;
    if (headLength > line.size() - 3)
        return false;
    hit.site = static_cast<unsigned char>(line[0]);
    hit.head = line.substr(3, headLength);
    hit.path = line.substr(3 + headLength);
    return true;
}

std::unique_ptr<CatalogueConnection> Catalogue::acquire() const
{
    {
        std::lock_guard lock(m_poolMutex);
        if (!m_pool.empty()) {
            auto connection = std::move(m_pool.back());
            m_pool.pop_back();
            return connection;
        }
    }
    auto connection = std::make_unique<CatalogueConnection>();
    std::string error;
    if (!connection->db.open(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error))
        throw std::runtime_error(error);
    prepare(*connection);
    return connection;
}

void Catalogue::release(std::unique_ptr<CatalogueConnection> connection) const
{
    if (!connection)
        return;
    std::lock_guard lock(m_poolMutex);
    m_pool.push_back(std::move(connection));
}

const Catalogue::Genre *Catalogue::genreById(int id) const
{
    for (const auto &genre : m_genres)
        if (genre.id == id)
            return &genre;
    return nullptr;
}

void Catalogue::search(SearchKind kind, std::string_view text, int genreId, int limit,
                       const std::function<void(const Hit &)> &sink) const
{
    if (limit <= 0)
        return;
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    std::vector<std::uint32_t> ids;
    if (kind == SearchKind::Keyword) {
        std::vector<std::string> words;
        c.splitter.split(text, words);
        if (words.size() > 8)
            words.resize(8); // beyond a handful of words nothing gets more precise, only slower
        if (m_keywords)
            ids = m_keywords->search(words, genreId, limit);
    } else {
        // Both are prefix ranges over a key index; an exact name sorts first, being the shortest.
        const std::string key = textCodec::searchKey(text);
        const bool byArtist = kind == SearchKind::Artist;
        SqliteStatement &s =
            genreId != 0 ? (byArtist ? c.artistInGenre : c.titleInGenre) : (byArtist ? c.artist : c.title);
        s.reset();
        s.bind(1, key).bind(2, prefixEnd(key)).bind(3, limit);
        if (genreId != 0)
            s.bind(4, genreId);
        while (int(ids.size()) < limit && s.step())
            ids.push_back(std::uint32_t(s.integer(0)));
        s.reset();
    }
    // The lines lie scattered over a large block: ask for all of them before reading any.
    for (const std::uint32_t id : ids)
        if (id + 1 < m_lineStarts.size())
            __builtin_prefetch(&m_lineStarts[id]);
    for (const std::uint32_t id : ids)
        if (id + 1 < m_lineStarts.size())
            __builtin_prefetch(m_lines.data() + m_lineStarts[id]);
    Hit hit{};
    for (const std::uint32_t id : ids)
        if (lineOf(id, hit))
            sink(hit);
}

std::optional<Catalogue::Artist> Catalogue::artistByLookupKey(std::string_view key) const
{
    Lease lease(*this);
    return firstOf(rowsOf(lease->lookup, readArtist, key));
}

std::optional<Catalogue::Artist> Catalogue::artistById(int id) const
{
    Lease lease(*this);
    return firstOf(rowsOf(lease->byId, readArtist, id));
}

std::vector<Catalogue::Artist> Catalogue::artistsInGenre(int genreId, int limit) const
{
    Lease lease(*this);
    return rowsOf(lease->inGenre, readArtist, genreId, limit);
}

std::optional<Catalogue::Track> Catalogue::track(std::int64_t id) const
{
    Lease lease(*this);
    return firstOf(rowsOf(lease->track, readTrack, id));
}

std::vector<Catalogue::Track> Catalogue::tracksInGenre(int genreId, int limit) const
{
    Lease lease(*this);
    return rowsOf(lease->genreTracks, readTrack, genreId, limit);
}
