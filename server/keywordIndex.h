#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Splits text into words with SQLite's unicode61 tokenizer, case and accents folded, so names and
// what is typed fold alike. One per connection: the tokenizer keeps a buffer of its own.
class WordSplitter
{
public:
    WordSplitter() = default;
    ~WordSplitter();
    WordSplitter(const WordSplitter &) = delete;
    WordSplitter &operator=(const WordSplitter &) = delete;

    bool open(sqlite3 *db);
    // Appends the folded words of utf8 to words.
    void split(std::string_view utf8, std::vector<std::string> &words) const;

private:
    fts5_tokenizer m_api{};
    Fts5Tokenizer *m_tokenizer = nullptr;
};

// Every word of each track's artist and title, held both ways: the tracks of each word, and the
// words of each track. A keyword search walks the shortest list and skips ahead in the others, so a
// very common word costs as little as a rare one.
class KeywordIndex
{
public:
    class Builder
    {
    public:
        // Words of the artist with this id; given before its tracks.
        void addArtist(int artistId, const std::vector<std::string> &words);
        // Tracks in ascending id order.
        void addTrack(std::uint32_t id, int artistId, int genreId,
                      const std::vector<std::string> &titleWords);
        KeywordIndex finish();

    private:
        std::uint32_t wordId(const std::string &word);

        std::unordered_map<std::string, std::uint32_t> m_ids;
        std::vector<std::string> m_words;
        std::vector<std::vector<std::uint32_t>> m_artistWords;
        std::vector<std::uint32_t> m_trackWords;
        std::vector<std::uint32_t> m_trackStarts{0};
        std::vector<std::uint8_t> m_genres; // by track id; its size is the id count
        std::vector<std::uint32_t> m_scratch;
    };

    // Ids of tracks holding every word (the last one as a prefix) in genreId (0: any), ascending,
    // at most limit.
    std::vector<std::uint32_t> search(const std::vector<std::string> &words, int genreId, int limit) const;

private:
    // Whether the track holds a word whose id is in [first, end).
    bool hasWordIn(std::uint32_t id, std::uint32_t first, std::uint32_t end) const;

    std::vector<std::string> m_words;                    // sorted
    std::vector<std::uint32_t> m_postingStarts;          // by word id
    std::vector<std::uint32_t> m_postings;               // track ids, ascending within a word
    std::vector<std::uint32_t> m_trackStarts;            // by track id
    std::vector<std::uint32_t> m_trackWords;             // word ids, ascending within a track
    std::vector<std::uint8_t> m_genres;                  // by track id
    std::vector<std::uint32_t> m_genreStarts;            // by genre id
    std::vector<std::uint32_t> m_genreTracks;            // track ids, ascending within a genre
    std::vector<std::vector<std::uint64_t>> m_genreBits; // by genre id: a bit per track id, or none
    static constexpr std::uint32_t noDense = UINT32_MAX;
    std::vector<std::uint32_t> m_denseOf;            // by word id: its bits in m_dense, or noDense
    std::vector<std::vector<std::uint64_t>> m_dense; // a bit per track id
};
