#include "keywordIndex.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace {

// Words split and fold as in a full-text table: letters and digits, case and accents ignored.
constexpr const char *tokenizerName = "unicode61";
constexpr const char *tokenizerArgs[] = {"remove_diacritics", "2"};

fts5_api *fts5Of(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

} // namespace

WordSplitter::~WordSplitter()
{
    if (m_tokenizer)
        m_api.xDelete(m_tokenizer);
}

bool WordSplitter::open(sqlite3 *db)
{
    fts5_api *api = fts5Of(db);
    void *context = nullptr;
    if (!api || api->xFindTokenizer(api, tokenizerName, &context, &m_api) != SQLITE_OK)
        return false;
    const char *args[std::size(tokenizerArgs)];
    std::copy(std::begin(tokenizerArgs), std::end(tokenizerArgs), args);
    return m_api.xCreate(context, args, int(std::size(args)), &m_tokenizer) == SQLITE_OK;
}

void WordSplitter::split(std::string_view utf8, std::vector<std::string> &words) const
{
    if (!m_tokenizer || utf8.empty())
        return;
    auto take = [](void *context, int, const char *token, int length, int, int) {
        if (length > 0)
            static_cast<std::vector<std::string> *>(context)->emplace_back(token, size_t(length));
        return SQLITE_OK;
    };
    m_api.xTokenize(m_tokenizer, &words, FTS5_TOKENIZE_DOCUMENT, utf8.data(), int(utf8.size()), take);
}

std::uint32_t KeywordIndex::Builder::wordId(const std::string &word)
{
    const auto [at, added] = m_ids.emplace(word, std::uint32_t(m_words.size()));
    if (added)
        m_words.push_back(word);
    return at->second;
}

void KeywordIndex::Builder::addArtist(int artistId, const std::vector<std::string> &words)
{
    if (artistId < 0 || artistId > (1 << 24))
        return;
    if (size_t(artistId) >= m_artistWords.size())
        m_artistWords.resize(size_t(artistId) + 1);
    auto &ids = m_artistWords[size_t(artistId)];
    ids.clear();
    for (const auto &word : words)
        ids.push_back(wordId(word));
}

void KeywordIndex::Builder::addTrack(std::uint32_t id, int artistId, int genreId,
                                     const std::vector<std::string> &titleWords)
{
    // Ids without a track get no words.
    while (m_genres.size() < id) {
        m_genres.push_back(0);
        m_trackStarts.push_back(std::uint32_t(m_trackWords.size()));
    }
    if (m_genres.size() != id)
        return; // not ascending: ignored
    m_scratch.clear();
    if (artistId >= 0 && size_t(artistId) < m_artistWords.size())
        m_scratch = m_artistWords[size_t(artistId)];
    for (const auto &word : titleWords)
        m_scratch.push_back(wordId(word));
    std::sort(m_scratch.begin(), m_scratch.end());
    m_scratch.erase(std::unique(m_scratch.begin(), m_scratch.end()), m_scratch.end());
    m_trackWords.insert(m_trackWords.end(), m_scratch.begin(), m_scratch.end());
    m_trackStarts.push_back(std::uint32_t(m_trackWords.size()));
    m_genres.push_back(std::uint8_t(std::clamp(genreId, 0, 255)));
}

KeywordIndex KeywordIndex::Builder::finish()
{
    KeywordIndex index;
    // Word ids in sorted order, so the words a prefix begins are one range of ids.
    std::vector<std::uint32_t> order(m_words.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return m_words[a] < m_words[b]; });
    std::vector<std::uint32_t> rank(m_words.size());
    index.m_words.reserve(m_words.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        rank[order[i]] = i;
        index.m_words.push_back(std::move(m_words[order[i]]));
    }
    for (auto &word : m_trackWords)
        word = rank[word];
    for (size_t id = 0; id < m_genres.size(); ++id)
        std::sort(m_trackWords.begin() + m_trackStarts[id], m_trackWords.begin() + m_trackStarts[id + 1]);

    // Postings by counting, filled in ascending track order.
    index.m_postingStarts.assign(index.m_words.size() + 1, 0);
    for (auto word : m_trackWords)
        ++index.m_postingStarts[word + 1];
    std::partial_sum(index.m_postingStarts.begin(), index.m_postingStarts.end(),
                     index.m_postingStarts.begin());
    index.m_postings.resize(m_trackWords.size());
    std::vector<std::uint32_t> fill(index.m_postingStarts.begin(), index.m_postingStarts.end() - 1);
    index.m_genreStarts.assign(257, 0);
    for (size_t id = 0; id < m_genres.size(); ++id) {
        for (auto at = m_trackStarts[id]; at < m_trackStarts[id + 1]; ++at)
            index.m_postings[fill[m_trackWords[at]]++] = std::uint32_t(id);
        ++index.m_genreStarts[size_t(m_genres[id]) + 1];
    }
    std::partial_sum(index.m_genreStarts.begin(), index.m_genreStarts.end(), index.m_genreStarts.begin());
    index.m_genreTracks.resize(m_genres.size());
    std::vector<std::uint32_t> genreFill(index.m_genreStarts.begin(), index.m_genreStarts.end() - 1);
    index.m_genreBits.resize(256);
    for (size_t id = 0; id < m_genres.size(); ++id) {
        index.m_genreTracks[genreFill[m_genres[id]]++] = std::uint32_t(id);
        auto &bits = index.m_genreBits[m_genres[id]];
        if (bits.empty())
            bits.resize((m_genres.size() + 63) / 64);
        bits[id / 64] |= std::uint64_t(1) << (id % 64);
    }

    // Words in a large share of the tracks are also held as bits, so checking one costs a bit test.
    const size_t denseFrom = std::max<size_t>(4096, m_genres.size() / 32);
    index.m_denseOf.assign(index.m_words.size(), noDense);
    for (std::uint32_t word = 0; word < index.m_words.size(); ++word) {
        const auto first = index.m_postingStarts[word], end = index.m_postingStarts[word + 1];
        if (end - first < denseFrom)
            continue;
        index.m_denseOf[word] = std::uint32_t(index.m_dense.size());
        auto &bits = index.m_dense.emplace_back((m_genres.size() + 63) / 64);
        for (auto at = first; at < end; ++at)
            bits[index.m_postings[at] / 64] |= std::uint64_t(1) << (index.m_postings[at] % 64);
    }
    index.m_trackStarts = std::move(m_trackStarts);
    index.m_trackWords = std::move(m_trackWords);
    index.m_genres = std::move(m_genres);
    index.m_trackStarts.shrink_to_fit();
    index.m_trackWords.shrink_to_fit();
    *this = Builder();
    return index;
}

namespace {

// The union of a few ascending lists of track ids, read forward: the lists sit in a heap by their
// next id, so moving past many ids in one list costs a galloping search, not a step per id.
class Cursor
{
public:
    void add(const std::uint32_t *first, const std::uint32_t *last)
    {
        if (first != last) {
            m_runs.push_back({*first, first, last});
            m_size += size_t(last - first);
        }
    }
    void start() { std::make_heap(m_runs.begin(), m_runs.end(), later); }
    size_t size() const { return m_size; }
    // The next ids and their end, while there is one list.
    const std::uint32_t *front() const { return m_runs.front().at; }
    const std::uint32_t *back() const { return m_runs.front().end; }
    size_t lists() const { return m_runs.size(); }
    // The first id at or past id, or none.
    std::uint32_t seek(std::uint32_t id)
    {
        while (!m_runs.empty() && m_runs.front().next < id) {
            std::pop_heap(m_runs.begin(), m_runs.end(), later);
            Run &run = m_runs.back();
            run.at = gallop(run.at, run.end, id);
            if (run.at == run.end) {
                m_runs.pop_back();
            } else {
                run.next = *run.at;
                std::push_heap(m_runs.begin(), m_runs.end(), later);
            }
        }
        return m_runs.empty() ? none : m_runs.front().next;
    }

    static constexpr std::uint32_t none = UINT32_MAX;

private:
    struct Run
    {
        std::uint32_t next; // *at, kept here so the heap compares without reading the lists
        const std::uint32_t *at, *end;
    };
    static bool later(const Run &a, const Run &b) { return a.next > b.next; }
    static const std::uint32_t *gallop(const std::uint32_t *at, const std::uint32_t *end, std::uint32_t id)
    {
        size_t step = 1;
        while (step < size_t(end - at) && at[step] < id)
            step *= 2;
        return std::lower_bound(at + step / 2, at + std::min(step + 1, size_t(end - at)), id);
    }

    std::vector<Run> m_runs;
    size_t m_size = 0;
};

} // namespace

bool KeywordIndex::hasWordIn(std::uint32_t id, std::uint32_t first, std::uint32_t end) const
{
    const std::uint32_t *words = m_trackWords.data() + m_trackStarts[id];
    const std::uint32_t *last = m_trackWords.data() + m_trackStarts[id + 1];
    const std::uint32_t *at = std::lower_bound(words, last, first);
    return at != last && *at < end;
}

std::vector<std::uint32_t> KeywordIndex::search(const std::vector<std::string> &words, int genreId,
                                                int limit) const
{
    std::vector<std::uint32_t> found;
    if (words.empty() || limit <= 0 || m_genres.size() < 2 || genreId < 0 || genreId > 255)
        return found;
    std::vector<std::uint32_t> exact;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        const auto at = std::lower_bound(m_words.begin(), m_words.end(), words[i]);
        if (at == m_words.end() || *at != words[i])
            return found; // a word no track has
        exact.push_back(std::uint32_t(at - m_words.begin()));
    }
    std::sort(exact.begin(), exact.end());
    exact.erase(std::unique(exact.begin(), exact.end()), exact.end());
    // Folded words are UTF-8, which never holds the byte 0xFF: every word the prefix begins sorts below this.
    const std::string &prefix = words.back();
    const auto prefixFirst =
        std::uint32_t(std::lower_bound(m_words.begin(), m_words.end(), prefix) - m_words.begin());
    const auto prefixEnd =
        std::uint32_t(std::lower_bound(m_words.begin(), m_words.end(), prefix + '\xFF') - m_words.begin());
    if (prefixFirst == prefixEnd)
        return found;

    // One list of tracks per exact word, and the prefix's words together.
    std::vector<Cursor> lists(exact.size() + 1);
    for (size_t i = 0; i < exact.size(); ++i)
        lists[i].add(m_postings.data() + m_postingStarts[exact[i]],
                     m_postings.data() + m_postingStarts[exact[i] + 1]);
    Cursor &prefixed = lists.back();
    for (auto word = prefixFirst; word < prefixEnd; ++word)
        prefixed.add(m_postings.data() + m_postingStarts[word],
                     m_postings.data() + m_postingStarts[word + 1]);
    for (auto &list : lists)
        list.start();
    // The shortest list proposes tracks, in ascending order; the rest only check them.
    size_t lead = 0;
    for (size_t i = 1; i < lists.size(); ++i)
        if (lists[i].size() < lists[lead].size())
            lead = i;
    const bool genreLeads =
        genreId != 0 &&
        m_genreStarts[size_t(genreId) + 1] - m_genreStarts[size_t(genreId)] < lists[lead].size();
    const size_t leadSize =
        genreLeads ? m_genreStarts[size_t(genreId) + 1] - m_genreStarts[size_t(genreId)] : lists[lead].size();
    // Tracks the lead is likely to propose before the limit is reached, the others being independent.
    const double tracks = double(m_genres.size());
    double share = 1.0;
    for (size_t i = 0; i < lists.size(); ++i)
        if (i != lead || genreLeads)
            share *= double(lists[i].size()) / tracks;
    if (genreId != 0 && !genreLeads)
        share *= double(m_genreStarts[size_t(genreId) + 1] - m_genreStarts[size_t(genreId)]) / tracks;
    const double proposed = std::min(double(leadSize), double(limit) / std::max(share, 1e-9));
    // The checks: bits to test where setting them costs less than the lookups they spare (or where
    // they are held already); else a walk along one list; a prefix of several words, among the
    // track's own words.
    const size_t bitWordCount = (m_genres.size() + 63) / 64;
    std::vector<std::vector<std::uint64_t>> madeBits;
    std::vector<const std::uint64_t *> bitsOf(lists.size(), nullptr);
    for (size_t i = 0; i < lists.size(); ++i) {
        if (i == lead && !genreLeads)
            continue;
        if (i < exact.size() && m_denseOf[exact[i]] != noDense) {
            bitsOf[i] = m_dense[m_denseOf[exact[i]]].data();
            continue;
        }
        if (double(lists[i].size()) > 8 * proposed)
            continue;
        auto &bits = madeBits.emplace_back(bitWordCount);
        const auto first = i < exact.size() ? exact[i] : prefixFirst;
        const auto end = i < exact.size() ? exact[i] + 1 : prefixEnd;
        for (auto at = m_postingStarts[first]; at < m_postingStarts[end]; ++at)
            bits[m_postings[at] / 64] |= std::uint64_t(1) << (m_postings[at] % 64);
        bitsOf[i] = bits.data();
    }
    auto accept = [&](std::uint32_t id) {
        if (genreId != 0 && !genreLeads && m_genres[id] != genreId)
            return false;
        for (size_t i = 0; i < lists.size(); ++i) {
            if (i == lead && !genreLeads)
                continue;
            if (bitsOf[i]) {
                if (!(bitsOf[i][id / 64] >> (id % 64) & 1))
                    return false;
            } else if (i < exact.size() || prefixed.lists() == 1) {
                if (lists[i].seek(id) != id)
                    return false;
            } else if (!hasWordIn(id, prefixFirst, prefixEnd)) {
                return false;
            }
        }
        return true;
    };
    auto take = [&](std::uint32_t id) {
        if (accept(id))
            found.push_back(id);
        return found.size() < size_t(limit);
    };
    // Reading one list, the tracks' words and genres are fetched a few tracks ahead when looked at.
    const bool readsWords = (lead != exact.size() || genreLeads) && !bitsOf.back() && prefixed.lists() > 1;
    const bool readsGenre = genreId != 0 && !genreLeads;
    auto walk = [&](const std::uint32_t *at, const std::uint32_t *end) {
        constexpr std::ptrdiff_t ahead = 16;
        for (; at != end; ++at) {
            if (end - at > 2 * ahead) {
                if (readsGenre)
                    __builtin_prefetch(&m_genres[at[2 * ahead]]);
                if (readsWords) {
                    __builtin_prefetch(&m_trackStarts[at[2 * ahead]]);
                    __builtin_prefetch(m_trackWords.data() + m_trackStarts[at[ahead]]);
                }
            }
            if (!take(*at))
                break;
        }
    };
    // Every track by bits, a word of them at a time: the genre's and the lists' bits rule most out at once.
    const std::uint64_t *genreBits = genreId != 0 ? m_genreBits[size_t(genreId)].data() : nullptr;
    auto scan = [&](const std::uint64_t *base) {
        bool more = true;
        for (size_t w = 0; w < bitWordCount && more; ++w) {
            std::uint64_t word = base[w] & (genreBits ? genreBits[w] : ~std::uint64_t(0));
            for (size_t i = 0; i < lists.size() && word; ++i)
                word &= bitsOf[i] ? bitsOf[i][w] : ~std::uint64_t(0);
            for (; word && more; word &= word - 1)
                more = take(std::uint32_t(w * 64 + size_t(std::countr_zero(word))));
        }
    };
    const bool checksAreBits = genreLeads && std::all_of(bitsOf.begin(), bitsOf.end(),
                                                         [](const std::uint64_t *bits) { return bits; });
    if (checksAreBits) {
        scan(genreBits);
    } else if (genreLeads) {
        walk(m_genreTracks.data() + m_genreStarts[size_t(genreId)],
             m_genreTracks.data() + m_genreStarts[size_t(genreId) + 1]);
    } else if (lists[lead].lists() == 1) {
        const std::uint32_t *first = lists[lead].seek(1) == Cursor::none ? nullptr : lists[lead].front();
        walk(first, first ? lists[lead].back() : nullptr);
    } else if (exact.empty() && genreId == 0) {
        // A prefix alone: its first tracks are most likely all taken.
        for (std::uint32_t id = lists[lead].seek(1); id != Cursor::none; id = lists[lead].seek(id + 1))
            if (!take(id))
                break;
    } else {
        // The prefix's words are many lists, most of whose tracks the others turn down: set them as
        // bits, then read the bits in order, rather than merging list by list.
        std::vector<std::uint64_t> bits(bitWordCount);
        for (auto word = prefixFirst; word < prefixEnd; ++word)
            for (auto at = m_postingStarts[word]; at < m_postingStarts[word + 1]; ++at)
                bits[m_postings[at] / 64] |= std::uint64_t(1) << (m_postings[at] % 64);
        scan(bits.data());
    }
    return found;
}
