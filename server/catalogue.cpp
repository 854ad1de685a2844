#include "catalogue.h"

#include "catalogueGenerator.h"
#include "sqliteHandle.h"
#include "textCodec.h"

#include <algorithm>
#include <map>
#include <stdexcept>

struct CatalogueConnection
{
    SqliteHandle db;
    SqliteStatement keyword, words, artist, artistInGenre, title, titleInGenre, lookup, byId, inGenre, track,
        genreTracks;
};

namespace {

// The catalogue is read-only while serving: no locking, memory-mapped pages shared by all threads.
void prepare(CatalogueConnection &c)
{
    sqlite3_exec(c.db, "PRAGMA query_only=1; PRAGMA mmap_size=4294967296; PRAGMA cache_size=-8192;"
                       "PRAGMA temp_store=MEMORY;",
                 nullptr, nullptr, nullptr);
    auto make = [&](SqliteStatement &s, const char *sql) {
        if (!s.prepare(c.db, sql))
            throw std::runtime_error(std::string("catalogue query does not prepare: ") + sqlite3_errmsg(c.db));
    };
    // Searches read ids only, from indexes that hold them (covering), in index order: the lines
    // themselves come from memory.
    make(c.keyword, "SELECT rowid FROM track_fts WHERE track_fts MATCH ?1 LIMIT ?2");
    make(c.words, "SELECT term FROM word WHERE term >= ?1 AND term < ?2 LIMIT ?3");
    make(c.artist, "SELECT id FROM track INDEXED BY track_artist"
                   " WHERE artist_key >= ?1 AND artist_key < ?2 ORDER BY artist_key, id LIMIT ?3");
    make(c.artistInGenre, "SELECT id FROM track INDEXED BY track_genre_artist"
                          " WHERE genre_id = ?3 AND artist_key >= ?1 AND artist_key < ?2"
                          " ORDER BY artist_key, id LIMIT ?4");
    make(c.title, "SELECT id FROM track INDEXED BY track_title"
                  " WHERE title_key >= ?1 AND title_key < ?2 ORDER BY title_key, id LIMIT ?3");
    make(c.titleInGenre, "SELECT id FROM track INDEXED BY track_genre_title"
                         " WHERE genre_id = ?3 AND title_key >= ?1 AND title_key < ?2 ORDER BY title_key, id LIMIT ?4");
    make(c.lookup, "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE lookup_key = ?1");
    make(c.byId, "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE id = ?1");
    make(c.inGenre, "SELECT id, name, genre_id, tags, has_picture, track_count FROM artist WHERE genre_id = ?1"
                    " ORDER BY id LIMIT ?2");
    make(c.track, "SELECT t.id, t.artist_id, a.name, t.title, t.genre_id, t.site, t.path, t.broken, t.seconds"
                  " FROM track t JOIN artist a ON a.id = t.artist_id WHERE t.id = ?1");
    make(c.genreTracks, "SELECT t.id, t.artist_id, a.name, t.title, t.genre_id, t.site, t.path, t.broken, t.seconds"
                        " FROM track t JOIN artist a ON a.id = t.artist_id WHERE t.genre_id = ?1 AND t.broken = 0"
                        " ORDER BY t.id LIMIT ?2");
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

bool isTokenChar(char32_t c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    if (c < 0x80)
        return false;
    // Latin-1 letters and number signs, as the unicode61 tokenizer sees them.
    if (c == 0xAA || c == 0xB2 || c == 0xB3 || c == 0xB5 || c == 0xB9 || c == 0xBA || (c >= 0xBC && c <= 0xBE))
        return true;
    if (c >= 0xC0 && c <= 0xFF)
        return c != 0xD7 && c != 0xF7;
    return c > 0xFF;
}

// Any string starting with prefix sorts below this: UTF-8 text never holds the byte 0xFF.
std::string prefixEnd(const std::string &prefix)
{
    return prefix + '\xFF';
}

// A last word this short is read from its prefix index as one doclist.
constexpr size_t longestIndexedPrefix = 4;
// A longer one is widened to the words it begins when they are this few; past that, a plain prefix query.
constexpr int mostWidenedWords = 32;

bool isAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

// Hands a pooled connection to one query and puts it back afterwards.
class Catalogue::Lease
{
public:
    explicit Lease(const Catalogue &catalogue)
        : m_catalogue(catalogue)
        , m_connection(catalogue.acquire())
    {
    }
    ~Lease() { m_catalogue.release(std::move(m_connection)); }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;
    CatalogueConnection &operator*() const { return *m_connection; }

private:
    const Catalogue &m_catalogue;
    std::unique_ptr<CatalogueConnection> m_connection;
};

Catalogue::Catalogue(std::string path)
    : m_path(std::move(path))
{
}

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
            m_recommended.push_back(
                {std::string(recommended.text(0)), std::string(recommended.text(1)), int(recommended.integer(2))});
    }
    {
        SqliteStatement stations(db, "SELECT id, name, genre_id, path FROM radio ORDER BY id");
        while (stations.step())
            m_stations.push_back({int(stations.integer(0)), std::string(stations.text(1)), int(stations.integer(2)),
                                  std::string(stations.text(3))});
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
    SqliteStatement rows(c.db, "SELECT id, head, site, path FROM track ORDER BY id");
    SqliteStatement last(c.db, "SELECT max(id) FROM track");
    if (!rows.valid() || !last.valid() || !last.step()) {
        error = m_path + ": cannot read the tracks: " + sqlite3_errmsg(c.db);
        return false;
    }
    const std::int64_t maxId = last.integer(0);
    last.reset();
    if (maxId < 1 || maxId > (std::int64_t(1) << 32)) {
        error = m_path + ": track ids out of range";
        return false;
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
    }
    while (next < std::int64_t(m_lineStarts.size()))
        m_lineStarts[size_t(next++)] = m_lines.size();
    m_lines.shrink_to_fit();
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
    const size_t headLength = size_t(static_cast<unsigned char>(line[1])) | size_t(static_cast<unsigned char>(line[2])) << 8;
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

std::vector<std::string> Catalogue::keywordTokens(std::string_view utf8)
{
    std::vector<std::string> tokens;
    std::string current;
    size_t i = 0;
    while (i <= utf8.size()) {
        char32_t c = 0;
        size_t length = 1;
        if (i < utf8.size()) {
            const auto b = static_cast<unsigned char>(utf8[i]);
            if (b >= 0xC0 && b < 0xE0 && i + 1 < utf8.size()) {
                c = char32_t(((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
                length = 2;
            } else if (b >= 0xE0 && b < 0xF0 && i + 2 < utf8.size()) {
                c = 0x800; // beyond Latin-1: treated as part of a word
                length = 3;
            } else if (b >= 0xF0 && i + 3 < utf8.size()) {
                c = 0x10000;
                length = 4;
            } else {
                c = b < 0x80 ? b : 0;
            }
        }
        if (i < utf8.size() && isTokenChar(c)) {
            current.append(utf8.substr(i, length));
        } else if (!current.empty()) {
            tokens.push_back(std::move(current));
            current.clear();
        }
        i += length;
    }
    return tokens;
}

std::string Catalogue::keywordExpression(std::string_view text, int genreId) const
{
    Lease lease(*this);
    return keywordMatch(*lease, text, genreId);
}

std::string Catalogue::keywordMatch(CatalogueConnection &c, std::string_view text, int genreId)
{
    auto tokens = keywordTokens(text);
    if (tokens.empty())
        return {};
    if (tokens.size() > 8)
        tokens.resize(8); // beyond a handful of words nothing gets more precise, only slower
    SqliteStatement &words = c.words;
    // Folded as the index folds them; only ASCII is folded here, the rest is left to FTS5.
    auto indexedWords = [&](const std::string &prefix, int limit) {
        std::vector<std::string> found;
        words.reset();
        words.bind(1, prefix).bind(2, prefixEnd(prefix)).bind(3, limit);
        while (words.step())
            found.emplace_back(words.text(0));
        words.reset();
        return found;
    };
    std::string match;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string &token = tokens[i];
        const bool last = i + 1 == tokens.size();
        const bool folded = isAscii(token);
        const std::string word = folded ? textCodec::toLowerAscii(token) : token;
        if (i > 0)
            match += " AND ";
        match += "{artist title}: ";
        if (!last) {
            if (folded && indexedWords(word, 1) != std::vector<std::string>{word})
                return {}; // a word no track has: nothing can match
            match += '"' + word + '"';
            continue;
        }
        if (!folded || word.size() <= longestIndexedPrefix) {
            match += '"' + word + "\"*";
            continue;
        }
        const auto widened = indexedWords(word, mostWidenedWords + 1);
        if (widened.empty())
            return {};
        if (int(widened.size()) > mostWidenedWords) {
            match += '"' + word + "\"*";
            continue;
        }
        // The same tracks as the prefix query, but read lazily, so LIMIT stops the work early.
        match += '(';
        for (size_t w = 0; w < widened.size(); ++w)
            match += (w ? " OR \"" : "\"") + widened[w] + '"';
        match += ')';
    }
    if (genreId != 0)
        match += " AND g: \"" + std::string(catalogueGenerator::genreWordMark) + std::to_string(genreId) + '"';
    return match;
}

void Catalogue::search(SearchKind kind, std::string_view text, int genreId, int limit,
                       const std::function<void(const Hit &)> &sink) const
{
    if (limit <= 0)
        return;
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    std::string match;
    if (kind == SearchKind::Keyword) {
        match = keywordMatch(c, text, genreId);
        if (match.empty())
            return;
    }
    int delivered = 0;
    auto emit = [&](SqliteStatement &s) {
        Hit hit{};
        while (delivered < limit && s.step()) {
            if (!lineOf(s.integer(0), hit))
                continue;
            sink(hit);
            ++delivered;
        }
        s.reset();
    };
    switch (kind) {
    case SearchKind::Keyword:
        c.keyword.reset();
        c.keyword.bind(1, match).bind(2, limit);
        emit(c.keyword);
        break;
    case SearchKind::Artist:
    case SearchKind::Title: {
        // Both are prefix ranges over a key index; an exact name sorts first, being the shortest.
        const std::string key = textCodec::searchKey(text);
        const bool byArtist = kind == SearchKind::Artist;
        SqliteStatement &s = genreId != 0 ? (byArtist ? c.artistInGenre : c.titleInGenre) : (byArtist ? c.artist : c.title);
        s.reset();
        s.bind(1, key).bind(2, prefixEnd(key));
        if (genreId != 0)
            s.bind(3, genreId).bind(4, limit);
        else
            s.bind(3, limit);
        emit(s);
        break;
    }
    }
}

std::string Catalogue::searchPlan(SearchKind kind, bool inGenre) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    const SqliteStatement &s = kind == SearchKind::Keyword ? c.keyword
                               : kind == SearchKind::Artist ? (inGenre ? c.artistInGenre : c.artist)
                                                            : (inGenre ? c.titleInGenre : c.title);
    SqliteStatement explain(c.db, ("EXPLAIN QUERY PLAN " + std::string(s.sql())).c_str());
    std::string plan;
    while (explain.step())
        plan += std::string(explain.text(3)) + '\n';
    return plan;
}

std::optional<Catalogue::Artist> Catalogue::artistByLookupKey(std::string_view key) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    c.lookup.reset();
    c.lookup.bind(1, key);
    std::optional<Artist> found;
    if (c.lookup.step())
        found = readArtist(c.lookup);
    c.lookup.reset();
    return found;
}

std::optional<Catalogue::Artist> Catalogue::artistById(int id) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    c.byId.reset();
    c.byId.bind(1, id);
    std::optional<Artist> found;
    if (c.byId.step())
        found = readArtist(c.byId);
    c.byId.reset();
    return found;
}

std::vector<Catalogue::Artist> Catalogue::artistsInGenre(int genreId, int limit) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    std::vector<Artist> artists;
    c.inGenre.reset();
    c.inGenre.bind(1, genreId).bind(2, limit);
    while (c.inGenre.step())
        artists.push_back(readArtist(c.inGenre));
    return artists;
}

std::optional<Catalogue::Track> Catalogue::track(std::int64_t id) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    c.track.reset();
    c.track.bind(1, id);
    std::optional<Track> found;
    if (c.track.step())
        found = readTrack(c.track);
    c.track.reset();
    return found;
}

std::vector<Catalogue::Track> Catalogue::tracksInGenre(int genreId, int limit) const
{
    Lease lease(*this);
    CatalogueConnection &c = *lease;
    std::vector<Track> tracks;
    c.genreTracks.reset();
    c.genreTracks.bind(1, genreId).bind(2, limit);
    while (c.genreTracks.step())
        tracks.push_back(readTrack(c.genreTracks));
    return tracks;
}
