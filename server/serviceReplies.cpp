#include "serviceReplies.h"

#include "mediaStore.h"
#include "randomSource.h"
#include "searchCache.h"
#include "textCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>

namespace serviceReplies {

namespace {

using textCodec::htmlEscape;
using textCodec::utf8ToLatin1;

constexpr std::string_view crlf = "\r\n";

std::string queryValue(std::string_view query, std::string_view key)
{
    std::string value;
    textCodec::rawQueryValue(query, key, value);
    return value;
}

std::uint64_t textHash(std::string_view text)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

} // namespace

int genreIdAtPosition(const Catalogue &catalogue, std::string_view position)
{
    int value = 0;
    const auto [end, error] = std::from_chars(position.data(), position.data() + position.size(), value);
    if (error != std::errc() || end != position.data() + position.size() || value < 1 ||
        value > int(catalogue.genres().size()))
        return 0;
    return catalogue.genres()[size_t(value - 1)].id;
}

std::string statistics(const Catalogue &catalogue, const Settings &settings)
{
    std::string out;
    out += "engineVersion," + std::to_string(catalogue.engineVersion()) + "<br>\r\n";
    out += "latestClientVersion," + std::to_string(settings.latestClientVersion) + "<br>\r\n";
    out += "trackCount," + std::to_string(catalogue.trackCount()) + "<br>\r\n";
    out += "artistCount," + std::to_string(catalogue.artistCount()) + "<br>\r\n";
    out += "genreCount," + std::to_string(catalogue.genres().size()) + "<br>\r\n";
    for (const auto &genre : catalogue.genres())
        out += std::to_string(genre.id) + ',' + utf8ToLatin1(genre.name) + "<br>\r\n";
    return out;
}

std::string recommendedArtists(const Catalogue &catalogue)
{
    // 17,"Name",Genre,2 : the client takes the quoted second field and the last character.
    std::string out;
    int line = 0;
    for (const auto &entry : catalogue.recommended())
        out += std::to_string(++line) + ",\"" + utf8ToLatin1(entry.name) + "\"," +
               utf8ToLatin1(entry.genreName) + ',' + std::to_string(entry.category) + "\r\n";
    return out;
}

namespace {

std::string searchText(Catalogue::SearchKind kind, std::string_view query)
{
    switch (kind) {
    case Catalogue::SearchKind::Keyword:
        return textCodec::queryValueToUtf8(queryValue(query, "keyword"));
    case Catalogue::SearchKind::Artist:
        return textCodec::queryValueToUtf8(queryValue(query, "artist"));
    case Catalogue::SearchKind::Title:
        return textCodec::queryValueToUtf8(queryValue(query, "track"));
    }
    return {};
}

std::string runSearch(const Catalogue &catalogue, const siteNames::Sites &sites, Catalogue::SearchKind kind,
                      const std::string &text, int genreId)
{
    std::array<std::string, 16> bases;
    for (size_t i = 1; i < bases.size(); ++i)
        bases[i] = sites.base(static_cast<siteNames::Site>(i));
    std::string out;
    out.reserve(96 * 1024); // room for 500 typical records, so it is seldom grown and copied
    catalogue.search(kind, text, genreId, maxSearchRecords, [&](const Catalogue::Hit &hit) {
        out += hit.head;
        out += bases[size_t(std::clamp(hit.site, 0, int(bases.size()) - 1))];
        out += hit.path;
        out += "<br>\r\n";
    });
    return out;
}

} // namespace

std::string search(const Catalogue &catalogue, const siteNames::Sites &sites, Catalogue::SearchKind kind,
                   std::string_view query)
{
    return runSearch(catalogue, sites, kind, searchText(kind, query),
                     genreIdAtPosition(catalogue, queryValue(query, "genre")));
}

std::shared_ptr<const std::string> cachedSearch(const Catalogue &catalogue, const siteNames::Sites &sites,
                                                SearchCache *cache, Catalogue::SearchKind kind,
                                                std::string_view query)
{
    const std::string text = searchText(kind, query);
    const int genreId = genreIdAtPosition(catalogue, queryValue(query, "genre"));
    // Texts that search alike share an entry: the searches ignore case and accents.
    const std::string key =
        std::to_string(int(kind)) + ':' + std::to_string(genreId) + ':' + textCodec::searchKey(text);
    auto make = [&] {
        return std::make_shared<const std::string>(runSearch(catalogue, sites, kind, text, genreId));
    };
    return cache ? cache->findOrMake(key, make) : make();
}

std::string nameCheck(const Catalogue &catalogue, std::string_view query, int &status)
{
    const std::string name = textCodec::queryValueToUtf8(queryValue(query, "artist"));
    const auto artist = catalogue.artistByLookupKey(textCodec::lookupKey(name));
    if (!artist) {
        status = 404;
        return "unknown artist\r\n";
    }
    status = 200;
    // The client reads lines ending at each CR and each LF: the third line read is the name.
    return "artist found\r\n" + utf8ToLatin1(artist->name) + "\r\n";
}

std::string similarArtists(const Catalogue &catalogue, std::string_view encodedName, int &status)
{
    const auto artist =
        catalogue.artistByLookupKey(textCodec::lookupKey(textCodec::queryValueToUtf8(encodedName)));
    if (!artist) {
        status = 404;
        return "unknown artist\r\n";
    }
    status = 200;
    // Ranked by what they share: same genre first, then same category, then common tags.
    const int category = [&] {
        const auto *genre = catalogue.genreById(artist->genreId);
        return genre ? genre->category : 0;
    }();
    struct Candidate
    {
        int score;
        std::uint64_t tie;
        const Catalogue::Artist *artist;
    };
    std::vector<Catalogue::Artist> pool = catalogue.artistsInGenre(artist->genreId, 3000);
    for (const auto &genre : catalogue.genres()) {
        if (genre.id != artist->genreId && genre.category == category) {
            auto more = catalogue.artistsInGenre(genre.id, 600);
            pool.insert(pool.end(), more.begin(), more.end());
        }
    }
    std::vector<Candidate> candidates;
    candidates.reserve(pool.size());
    for (const auto &other : pool) {
        if (other.id == artist->id)
            continue;
        const int score =
            (other.genreId == artist->genreId ? 8 : 4) + std::popcount(other.tags & artist->tags);
        candidates.push_back(
            {score, RandomSource::mix(std::uint64_t(artist->id), std::uint64_t(other.id)), &other});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return a.score != b.score ? a.score > b.score : a.tie < b.tie;
    });
    // Lists of every length, some past the 106 entries the client keeps.
    const size_t length =
        size_t(12 + RandomSource::mix(std::uint64_t(artist->id), 7) % (maxSimilarEntries - 11));
    std::string out;
    for (size_t i = 0; i < candidates.size() && i < length; ++i) {
        out += candidates[i].artist->trackCount > 0 ? "1," : "0,";
        out += utf8ToLatin1(candidates[i].artist->name);
        out += crlf;
    }
    return out;
}

std::string radio(const Catalogue &catalogue, const siteNames::Sites &sites, std::string_view query)
{
    const std::string name = textCodec::queryValueToUtf8(queryValue(query, "search"), true);
    const std::string key = textCodec::searchKey(name);
    std::vector<int> genreIds;
    if (const auto artist = catalogue.artistByLookupKey(textCodec::lookupKey(name)))
        genreIds.push_back(artist->genreId);
    std::string trimmed = key;
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.pop_back();
    while (!trimmed.empty() && trimmed.front() == ' ')
        trimmed.erase(0, 1);
    if (trimmed.size() >= 3) {
        for (const auto &genre : catalogue.genres())
            if (textCodec::searchKey(genre.name).find(trimmed) != std::string::npos)
                genreIds.push_back(genre.id);
    }
    const std::string base = sites.base(siteNames::Site::Files);
    std::string out;
    int lines = 0;
    for (const auto &station : catalogue.stations()) {
        const bool byGenre = std::find(genreIds.begin(), genreIds.end(), station.genreId) != genreIds.end();
        const bool byName =
            trimmed.size() >= 3 && textCodec::searchKey(station.name).find(trimmed) != std::string::npos;
        if (!byGenre && !byName)
            continue;
        // id,name,address<br> : the address may hold commas, the name never does.
        out += std::to_string(station.id) + ',' + utf8ToLatin1(textCodec::withoutCommas(station.name)) + ',' +
               base + station.path + "<br>\r\n";
        if (++lines >= 100)
            break;
    }
    return out;
}

std::string shopPage(const Catalogue &catalogue, std::string_view query)
{
    // The shop browser sends the term as UTF-8, the client's own address as single-byte text.
    const std::string term = textCodec::browserValueToUtf8(queryValue(query, "searchTerm"));
    const std::string locale = textCodec::toLowerAscii(queryValue(query, "locale"));
    struct Store
    {
        const char *code;
        const char *name;
        const char *before;
        const char *after;
        double rate;
        bool commaDecimals;
        bool wholeUnits;
    };
    static constexpr std::array<Store, 6> stores = {{
        {"uk", "UK store", "\xC2\xA3", "", 0.8, false, false},
        {"us", "US store", "$", "", 1.0, false, false},
        {"ca", "Canada store", "CA$", "", 1.35, false, false},
        {"fr", "France store", "", " &euro;", 0.92, true, false},
        {"de", "Germany store", "", " &euro;", 0.92, true, false},
        {"jp", "Japan store", "\xC2\xA5", "", 150.0, false, true},
    }};
    const Store *store = &stores[1];
    for (const auto &candidate : stores)
        if (locale == candidate.code)
            store = &candidate;

    auto price = [&](std::uint64_t seed) {
        const double dollars = 5.99 + double(seed % 1500) / 100.0;
        const double value = dollars * store->rate;
        std::string number;
        if (store->wholeUnits) {
            number = std::to_string(long(value / 10.0) * 10);
        } else {
            const long cents = long(value * 100.0) / 100 * 100 + 99;
            number = std::to_string(cents / 100) + (store->commaDecimals ? ',' : '.') + "99";
        }
        return std::string(store->before) + number + store->after;
    };

    // The page is UTF-8 throughout, so every name shows whole.
    const std::string shown = htmlEscape(term);
    std::string items;
    if (term.empty()) {
        items = "<p class=\"hint\">Search for an artist to see suggestions from the " +
                std::string(store->name) + ".</p>\n";
        int count = 0;
        for (const auto &entry : catalogue.recommended()) {
            if (count++ >= 4)
                break;
            items += "<div class=\"item\"><b>" + htmlEscape(entry.name) + "</b> &ndash; Best of<br>" +
                     price(textHash(entry.name)) + "</div>\n";
        }
    } else {
        static constexpr std::array<const char *, 5> formats = {
            "Greatest Hits", "Live at the Harbour", "Early Recordings", "Remixed", "Deluxe Edition"};
        const std::uint64_t seed = textHash(textCodec::searchKey(term));
        for (size_t i = 0; i < formats.size(); ++i)
            items += "<div class=\"item\"><b>" + shown + "</b> &ndash; " + formats[i] + "<br>" +
                     (i % 2 ? "CD " : "MP3 album ") + price(seed + i * 7919) + "</div>\n";
    }
    return "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>Shop suggestions</title>\n"
           "<style>body{font:13px sans-serif;margin:8px;background:#fff;color:#222}"
           ".item{border-bottom:1px solid #ddd;padding:6px 0}.hint{color:#666}h1{font-size:15px}</style>\n"
           "</head><body>\n<h1>" +
           std::string(store->name) + (term.empty() ? std::string() : ": " + shown) + "</h1>\n" + items +
           "</body></html>\n";
}

void handle(const Catalogue &catalogue, MediaStore &media, const siteNames::Sites &sites,
            const Settings &settings, const httpServer::Request &request, httpServer::Response &response)
{
    const std::string_view path = request.path();
    const std::string_view query = request.query();
    const std::string script = textCodec::toLowerAscii(path);
    int status = 200;
    using Kind = Catalogue::SearchKind;
    if (script == "/trelvostats.php") {
        response.setText(200, statistics(catalogue, settings));
    } else if (script == "/recommendedartists.csv") {
        response.setText(200, recommendedArtists(catalogue));
    } else if (script == "/trelvotracksbykeyword.php") {
        response.setShared(200, cachedSearch(catalogue, sites, settings.searchCache, Kind::Keyword, query));
    } else if (script == "/trelvotracksbyartist.php") {
        response.setShared(200, cachedSearch(catalogue, sites, settings.searchCache, Kind::Artist, query));
    } else if (script == "/trelvotracksbytitle.php") {
        response.setShared(200, cachedSearch(catalogue, sites, settings.searchCache, Kind::Title, query));
    } else if (script == "/trelvosimilarartists.php") {
        std::string body = nameCheck(catalogue, query, status);
        response.setText(status, std::move(body));
    } else if (script == "/trelvoradiobykeyword.php") {
        response.setText(200, radio(catalogue, sites, query));
    } else if (script == "/trelvoamazonsearch.php") {
        response.setText(200, shopPage(catalogue, query), "text/html; charset=UTF-8");
    } else if (script.starts_with("/artistsimilar/")) {
        // The whole rest of the target: a name may hold a raw '?'.
        const std::string_view name =
            std::string_view(request.target).substr(std::string_view("/artistSimilar/").size());
        std::string body = similarArtists(catalogue, name, status);
        response.setText(status, std::move(body));
    } else if (script.starts_with("/artistimages/")) {
        std::string_view name =
            std::string_view(request.target).substr(std::string_view("/artistImages/").size());
        const bool isJpeg = textCodec::toLowerAscii(name).ends_with(".jpg");
        const auto artist = isJpeg ? catalogue.artistByLookupKey(textCodec::lookupKey(textCodec::latin1ToUtf8(
                                         textCodec::percentDecode(name.substr(0, name.size() - 4)))))
                                   : std::nullopt;
        std::string picture = artist && artist->hasPicture ? media.picture(artist->id) : std::string();
        if (picture.empty())
            response.setText(404, "no picture\r\n");
        else
            response.setText(200, std::move(picture), "image/jpeg");
    } else if (path == "/" || path.empty()) {
        response.setText(
            200,
            "<!DOCTYPE html>\n<html><head><meta charset=\"ISO-8859-1\"><title>Sonavex</title></head>"
            "<body><h1>Sonavex</h1><p>Free music search: get the Sonavex client to search " +
                std::to_string(catalogue.trackCount()) + " tracks.</p></body></html>\n",
            "text/html; charset=ISO-8859-1");
    } else {
        response.setText(404, "not found\r\n");
    }
}

} // namespace serviceReplies
