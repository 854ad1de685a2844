#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CatalogueConnection;
class KeywordIndex;

// Read access to catalogue.sqlite from many threads at once: connections with their prepared statements
// are lent out from a pool (opening one costs more than most queries); the small fixed lists are read
// once when opening.
class Catalogue
{
public:
    struct Genre
    {
        int id = 0;
        std::string name;
        int category = 0;
    };
    struct Artist
    {
        int id = 0;
        std::string name;
        int genreId = 0;
        unsigned tags = 0;
        bool hasPicture = false;
        int trackCount = 0;
    };
    struct Station
    {
        int id = 0;
        std::string name;
        int genreId = 0;
        std::string path;
    };
    struct Recommended
    {
        std::string name;
        std::string genreName;
        int category = 0;
    };
    struct Track
    {
        std::int64_t id = 0;
        int artistId = 0;
        std::string artist;
        std::string title;
        int genreId = 0;
        int site = 0;
        std::string path;
        int broken = 0;
        int seconds = 0;
    };
    // One search hit as the reply needs it: "artist,genre,title," in Latin-1 and where the track lives.
    struct Hit
    {
        std::string_view head;
        int site;
        std::string_view path;
    };
    enum class SearchKind { Keyword, Artist, Title };

    explicit Catalogue(std::string path);
    ~Catalogue();

    bool open(std::string &error);

    std::int64_t trackCount() const { return m_trackCount; }
    std::int64_t artistCount() const { return m_artistCount; }
    int engineVersion() const { return m_engineVersion; }
    std::uint64_t seed() const { return m_seed; }
    const std::vector<Genre> &genres() const { return m_genres; }
    const std::vector<Recommended> &recommended() const { return m_recommended; }
    const std::vector<Station> &stations() const { return m_stations; }
    const Genre *genreById(int id) const;

    // Calls sink for each hit, best first, at most limit times. genreId 0 means any genre.
    void search(SearchKind kind, std::string_view text, int genreId, int limit,
                const std::function<void(const Hit &)> &sink) const;
    std::optional<Artist> artistByLookupKey(std::string_view key) const;
    std::optional<Artist> artistById(int id) const;
    // Artists of a genre in catalogue order (at most limit).
    std::vector<Artist> artistsInGenre(int genreId, int limit) const;
    std::optional<Track> track(std::int64_t id) const;
    // Playable tracks of a genre, for radio playlists.
    std::vector<Track> tracksInGenre(int genreId, int limit) const;

private:
    class Lease;
    std::unique_ptr<CatalogueConnection> acquire() const;
    void release(std::unique_ptr<CatalogueConnection> connection) const;
    bool loadLines(std::string &error);
    bool lineOf(std::int64_t id, Hit &hit) const;

    std::string m_path;
    std::int64_t m_trackCount = 0;
    std::int64_t m_artistCount = 0;
    int m_engineVersion = 0;
    std::uint64_t m_seed = 0;
    std::vector<Genre> m_genres;
    std::vector<Recommended> m_recommended;
    std::vector<Station> m_stations;
    // Every track's reply line, packed by id: one site byte, two bytes of head length, head, path.
    // Held in memory so a search costs its index walk, not a table lookup per hit.
    std::string m_lines;
    std::vector<std::uint64_t> m_lineStarts; // by id; the entry after an id's is where its line ends
    // Keyword searches run here: a common word costs as little as a rare one.
    std::unique_ptr<KeywordIndex> m_keywords;
    mutable std::mutex m_poolMutex;
    mutable std::vector<std::unique_ptr<CatalogueConnection>> m_pool;
};
