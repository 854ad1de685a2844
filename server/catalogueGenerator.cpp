#include "catalogueGenerator.h"

#include "genreTable.h"
#include "randomSource.h"
#include "siteNames.h"
#include "sqliteHandle.h"
#include "textCodec.h"

#include <array>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace catalogueGenerator {

namespace {

using siteNames::Site;

struct SpecialArtist
{
    const char *name;
    int genreId;
    bool hasPicture;
};

// Names the client has to cope with: '&', '/', ',', '\'', '?', ':', Latin-1 accents, duos whose
// first half has a picture of its own, names of two and three characters.
constexpr SpecialArtist specialArtists[] = {
    {"Ann", 2, true},
    {"Ann & Bob", 2, false},
    {"Mira Solenne", 3, true},
    {"Theo Vask", 3, true},
    {"Mira Solenne & Theo Vask", 3, false},
    {"Kestrel", 8, true},
    {"Kestrel & Finch", 8, false},
    {"Velvet Harbour", 14, true},
    {"Velvet Harbour & The Tides", 14, false},
    {"Salt & Pepper Trio", 6, true},
    {"Salt/Pepper & Co", 4, true},
    {"Night/Shift", 3, true},
    {"Sun, Moon & Stars", 8, true},
    {"Smith, John", 9, true},
    {"Rosie's Lantern", 14, true},
    {"O'Malley Drift", 1, true},
    {"Who Knows?", 13, true},
    {"Why Not?", 2, true},
    {"Echo: Response", 20, true},
    {"Unit: Seven", 12, true},
    {"Café Noir Ensemble", 6, true},
    {"Zoë Ångström", 8, true},
    {"Müller & Söhne", 1, true},
    {"Hélène Dubois", 33, true},
    {"Señor Nuñez", 42, true},
    {"Jörg Bräuer", 3, true},
    {"Ça Va Trio", 33, true},
    {"Xo", 4, true},
    {"Oy", 13, true},
    {"Zed", 1, true},
    {"Mox", 17, true},
    {"Lumen Drive", 3, true},
    {"The Lost Tapes", 7, true},
    {"Unclassified Noise Unit", 255, true},
    {"Marisol & Dee", 5, true},
    {"Tavi Okoro", 23, true},
    {"Juno Reyes-Park", 11, true},
    {"Dax Holloway", 4, true},
    {"Bria Castellane", 5, true},
    {"Opal Skyline", 17, true},
    {"Hollow Pines", 1, true},
};

// "The Lost Tapes": every track broken on purpose, one per site kind, so error paths can be tried.
constexpr std::string_view lostTapes = "The Lost Tapes";
// "Lumen Drive": one working track per site kind.
constexpr std::string_view siteSampler = "Lumen Drive";

constexpr std::array<const char *, 64> adjectives = {
    "Silver",   "Golden",   "Velvet",  "Electric", "Midnight", "Crimson", "Hollow",   "Broken",
    "Quiet",    "Wild",     "Neon",    "Paper",    "Glass",    "Lonely",  "Burning",  "Frozen",
    "Sleeping", "Restless", "Distant", "Secret",   "Shallow",  "Bright",  "Dark",     "Sweet",
    "Bitter",   "Blue",     "Scarlet", "Amber",    "Gentle",   "Savage",  "Lucky",    "Empty",
    "Endless",  "Fading",   "Rising",  "Falling",  "Hidden",   "Little",  "Northern", "Southern",
    "Faded",    "Holy",     "Lazy",    "Perfect",  "Rusty",    "Cosmic",  "Static",   "Tender",
    "Violet",   "Wooden",   "Young",   "Ancient",  "Copper",   "Desert",  "Electric", "Honey",
    "Iron",     "Jade",     "Lunar",   "Magnetic", "Ocean",    "Polar",   "Radiant",  "Solar"};

constexpr std::array<const char *, 72> nouns = {
    "Heart",   "Night",      "Love",    "Fire",    "Rain",    "River",    "Dream",     "Summer",  "Winter",
    "Shadow",  "Light",      "Road",    "Ghost",   "Ocean",   "Mountain", "City",      "Star",    "Moon",
    "Sun",     "Storm",      "Echo",    "Mirror",  "Garden",  "Harbour",  "Window",    "Engine",  "Signal",
    "Machine", "Tiger",      "Wolf",    "Raven",   "Sparrow", "Rose",     "Lantern",   "Valley",  "Island",
    "Highway", "Letter",     "Secret",  "Season",  "Thunder", "Whisper",  "Diamond",   "Feather", "Horizon",
    "Kingdom", "Lighthouse", "Meadow",  "Morning", "Orchard", "Prism",    "Satellite", "Skyline", "Tide",
    "Velvet",  "Wave",       "Wire",    "Youth",   "Anchor",  "Bridge",   "Canyon",    "Comet",   "Daylight",
    "Ember",   "Forest",     "Glacier", "Hunter",  "Jungle",  "Kite",     "Lagoon",    "Memory",  "Nomad"};

constexpr std::array<const char *, 48> firstNames = {
    "Alex",  "Maya",   "Jonah", "Lena",   "Omar",   "Priya", "Felix",  "Nina",  "Hugo",  "Ivy",
    "Marco", "Sofia",  "Elias", "Clara",  "Tomas",  "Yara",  "Rafael", "Greta", "Milo",  "Nadia",
    "Otis",  "Petra",  "Quinn", "Rosa",   "Silas",  "Thea",  "Umar",   "Vera",  "Wes",   "Xenia",
    "Zoé",   "Renée",  "José",  "Inès",   "Søren",  "Anaïs", "Björn",  "Chloé", "Dário", "Élodie",
    "Fábio", "Gaëlle", "Håkon", "Ingrid", "Jürgen", "Léa",   "Maëlle", "Noël"};

constexpr std::array<const char *, 48> lastNames = {
    "Hart",     "Moreno",     "Lindqvist", "Okafor",  "Brennan",   "Castell",     "Dumont",  "Eriksen",
    "Falk",     "Garnier",    "Holm",      "Ivers",   "Janssen",   "Kowal",       "Larsen",  "Marlowe",
    "Navarro",  "Oyelaran",   "Pryce",     "Quill",   "Rivas",     "Sandoval",    "Thorne",  "Ulrich",
    "Varga",    "Whitlock",   "Yilmaz",    "Zeller",  "Abernathy", "Bellweather", "Côté",    "Dubé",
    "Ferrière", "Gómez",      "Hébert",    "Ibáñez",  "Jäger",     "Krüger",      "Lefèvre", "Möller",
    "Núñez",    "Østergaard", "Pérez",     "Rønning", "Sørensen",  "Thérien",     "Valdés",  "Wójcik"};

constexpr std::array<const char *, 20> verbsIng = {"Running", "Falling", "Dancing", "Waiting",  "Drifting",
                                                   "Burning", "Walking", "Flying",  "Dreaming", "Singing",
                                                   "Chasing", "Holding", "Leaving", "Calling",  "Breaking",
                                                   "Turning", "Shining", "Sailing", "Hiding",   "Fading"};

constexpr std::array<const char *, 8> prepositions = {"Through", "Into",   "Across", "Under",
                                                      "Over",    "Beyond", "Around", "Past"};

constexpr std::array<const char *, 6> versions = {"Remix",      "Live",     "Demo",
                                                  "Radio Edit", "Acoustic", "Extended Mix"};

constexpr std::array<const char *, 6> ensembles = {"Quartet",   "Trio",       "Band",
                                                   "Orchestra", "Collective", "Experience"};

constexpr std::array<const char *, 16> stationWords = {
    "Nova",  "Pulse", "Horizon", "Signal", "Wave", "Beacon",   "Orbit",  "Current",
    "Relay", "Vista", "Drift",   "Prism",  "Echo", "Meridian", "Summit", "Harbour"};

template <typename List> const char *pick(RandomSource &random, const List &list)
{
    return list[size_t(random.below(int(list.size())))];
}

std::string plural(std::string noun)
{
    if (noun.ends_with("y") && !noun.ends_with("ey"))
        return noun.substr(0, noun.size() - 1) + "ies";
    if (noun.ends_with("s") || noun.ends_with("sh") || noun.ends_with("ch"))
        return noun + "es";
    return noun + 's';
}

std::string artistName(RandomSource &random)
{
    switch (random.below(9)) {
    case 0:
        return std::string("The ") + pick(random, adjectives) + ' ' + plural(pick(random, nouns));
    case 1:
    case 2:
        return std::string(pick(random, firstNames)) + ' ' + pick(random, lastNames);
    case 3:
        return std::string(pick(random, adjectives)) + ' ' + pick(random, nouns);
    case 4:
        return std::string(pick(random, nouns)) + ' ' + plural(pick(random, nouns));
    case 5:
        return std::string(random.chance(0.5) ? "DJ " : "MC ") + pick(random, nouns) + ' ' +
               pick(random, lastNames);
    case 6:
        return std::string(pick(random, firstNames)) + ' ' + pick(random, lastNames) + ' ' +
               pick(random, ensembles);
    case 7:
        return std::string(pick(random, nouns)) + " & the " + plural(pick(random, nouns));
    default:
        return std::string(pick(random, adjectives)) + ' ' + pick(random, adjectives) + ' ' +
               pick(random, nouns);
    }
}

std::string trackTitle(RandomSource &random)
{
    switch (random.below(12)) {
    case 0:
    case 1:
        return std::string(pick(random, adjectives)) + ' ' + pick(random, nouns);
    case 2:
        return std::string(pick(random, verbsIng)) + ' ' + pick(random, prepositions) + " the " +
               pick(random, nouns);
    case 3:
        return std::string(pick(random, nouns)) + " of " + plural(pick(random, nouns));
    case 4:
        return std::string("The ") + pick(random, nouns);
    case 5:
        return std::string(pick(random, adjectives)) + ' ' + pick(random, nouns) + " (" +
               pick(random, versions) + ')';
    case 6:
        return std::string(pick(random, nouns)) + ", " + pick(random, nouns); // a comma the reply must hide
    case 7:
        return std::string("Don't ") + "Lose the " + pick(random, nouns);
    case 8:
        return std::string("Café ") + pick(random, nouns);
    case 9:
        return std::string(pick(random, nouns)) + " & " + pick(random, nouns);
    case 10:
        return std::string("Where Is the ") + pick(random, nouns) + '?';
    default:
        return std::string(pick(random, verbsIng)) + ' ' + pick(random, nouns);
    }
}

// Letters and digits of the title, each word capitalised, joined by blanks: an epitonic file name
// with blanks in it, which the client has to send as "%20".
std::string spacedName(const std::string &slug)
{
    std::string out;
    bool start = true;
    for (char c : slug) {
        if (c == '-') {
            out += ' ';
            start = true;
            continue;
        }
        out += start && c >= 'a' && c <= 'z' ? char(c - 32) : c;
        start = false;
    }
    return out;
}

struct ArtistRow
{
    std::string name;
    int genreId = 0;
    unsigned tags = 0;
    bool hasPicture = true;
    bool available = true;
    int trackCount = 0;
};

Site siteForTrack(RandomSource &random)
{
    static constexpr std::array<std::pair<Site, int>, 9> weights = {{
        {Site::Epitonic, 20},
        {Site::DownloadMusic, 20},
        {Site::Rave, 15},
        {Site::ShutEmDown, 10},
        {Site::BetterPropaganda, 5},
        {Site::LemonRed, 5},
        {Site::Insound, 5},
        {Site::Mp3Au, 5},
        {Site::Files, 15},
    }};
    int roll = random.below(100);
    for (const auto &[site, weight] : weights) {
        if (roll < weight)
            return site;
        roll -= weight;
    }
    return Site::Files;
}

std::string sourcePath(Site site, long long id, const std::string &artistSlug, const std::string &titleSlug,
                       const std::string &genreSlug, RandomSource &random)
{
    const std::string number = std::to_string(id);
    switch (site) {
    case Site::Epitonic:
        if (random.chance(0.06))
            return "/artists/" + artistSlug + '/' + spacedName(titleSlug) + ' ' + number + ".mp3";
        return "/artists/" + artistSlug + '/' + artistSlug + '-' + titleSlug + '-' + number + ".mp3";
    case Site::DownloadMusic:
        return "/music/" + genreSlug + '/' + artistSlug + '/' + titleSlug + '-' + number + ".html";
    case Site::Rave:
        if (random.chance(0.15)) // the marker in another letter case, with more parameters after the key
            return "/listen.php?artist=" + artistSlug + "&Track=" + number + "&quality=hi";
        return "/listen.php?artist=" + artistSlug + "&track=" + number;
    case Site::ShutEmDown:
        return "/mp3/" + artistSlug + '-' + titleSlug + '-' + number + ".mp3";
    case Site::BetterPropaganda:
    case Site::LemonRed:
    case Site::Insound:
    case Site::Mp3Au:
        return "/mp3/" + artistSlug + '/' + titleSlug + '-' + number + ".mp3";
    default:
        return "/tracks/" + artistSlug + '-' + titleSlug + '-' + number + ".mp3";
    }
}

bool exec(sqlite3 *db, const char *sql, std::string &error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = std::string(message ? message : "sqlite error") + " in: " + sql;
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool createTables(sqlite3 *db, std::string &error)
{
    // Nothing here needs to survive a crash: the file is renamed into place only when complete.
    return exec(db,
                "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-262144;"
                "PRAGMA page_size=8192; PRAGMA temp_store=MEMORY;",
                error) &&
           exec(db,
                "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID;"
                "CREATE TABLE genre(id INTEGER PRIMARY KEY, position INTEGER, name TEXT, category INTEGER);"
                "CREATE TABLE artist(id INTEGER PRIMARY KEY, name TEXT, search_key TEXT, lookup_key TEXT,"
                " genre_id INTEGER, tags INTEGER, has_picture INTEGER, track_count INTEGER);"
                "CREATE TABLE track(id INTEGER PRIMARY KEY, artist_id INTEGER, genre_id INTEGER, title TEXT,"
                " title_key TEXT, artist_key TEXT, head TEXT, site INTEGER, path TEXT, broken INTEGER,"
                " seconds INTEGER);"
                "CREATE TABLE recommended(line INTEGER PRIMARY KEY, artist_id INTEGER, category INTEGER);"
                "CREATE TABLE radio(id INTEGER PRIMARY KEY, name TEXT, genre_id INTEGER, path TEXT);"
                "BEGIN;",
                error);
}

bool insertGenres(sqlite3 *db, std::string &error)
{
    const auto &genres = genreTable::genres();
    SqliteStatement insert(db, "INSERT INTO genre(id, position, name, category) VALUES(?,?,?,?)");
    for (size_t i = 0; i < genres.size(); ++i) {
        insert.bind(1, genres[i].id).bind(2, int(i) + 1).bind(3, genres[i].name).bind(4, genres[i].category);
        if (!insert.stepDone(error))
            return false;
    }
    return true;
}

// The special names first, then generated ones, every name and key unique.
std::vector<ArtistRow> makeArtists(RandomSource &random, int count)
{
    std::vector<ArtistRow> artists;
    artists.reserve(size_t(count));
    std::unordered_set<std::string> lookupKeys, searchKeys;
    auto addArtist = [&](ArtistRow row) {
        if (!lookupKeys.insert(textCodec::lookupKey(row.name)).second)
            return false;
        if (!searchKeys.insert(textCodec::searchKey(row.name)).second) {
            lookupKeys.erase(textCodec::lookupKey(row.name));
            return false;
        }
        artists.push_back(std::move(row));
        return true;
    };
    for (const auto &special : specialArtists) {
        if (int(artists.size()) >= count)
            break;
        ArtistRow row;
        row.name = special.name;
        row.genreId = special.genreId;
        row.hasPicture = special.hasPicture;
        row.tags = unsigned(random.next() & 0xFFFF) | 1u;
        addArtist(std::move(row));
    }
    while (int(artists.size()) < count) {
        ArtistRow row;
        row.name = artistName(random);
        row.genreId = genreTable::pickWeighted(random);
        row.tags = unsigned(random.next() & 0xFFFF);
        row.hasPicture = random.chance(0.93);
        row.available = random.chance(0.9);
        if (!addArtist(row)) {
            // Crowded name space: number the newcomer.
            row.name += ' ' + std::to_string(artists.size() + 1);
            addArtist(std::move(row));
        }
    }
    return artists;
}

int indexOfArtist(const std::vector<ArtistRow> &artists, std::string_view name)
{
    for (size_t i = 0; i < artists.size(); ++i)
        if (artists[i].name == name)
            return int(i);
    return -1;
}

// Every available artist gets one track, then a skewed share so some have many. Counts each
// artist's tracks; an artist left without any is no longer available.
bool insertTracks(sqlite3 *db, RandomSource &random, std::vector<ArtistRow> &artists, int trackCount,
                  const Progress &progress, std::string &error)
{
    std::vector<int> availableArtists;
    for (size_t i = 0; i < artists.size(); ++i)
        if (artists[i].available)
            availableArtists.push_back(int(i));
    if (availableArtists.empty()) {
        artists[0].available = true;
        availableArtists.push_back(0);
    }
    SqliteStatement insert(db, "INSERT INTO track(id, artist_id, genre_id, title, title_key, artist_key,"
                               " head, site, path, broken, seconds) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
    std::vector<std::string> artistSlugs(artists.size()), artistKeys(artists.size());
    for (size_t i = 0; i < artists.size(); ++i) {
        artistSlugs[i] = textCodec::slug(artists[i].name);
        artistKeys[i] = textCodec::searchKey(artists[i].name);
    }
    const auto &genres = genreTable::genres();
    std::vector<std::string> genreSlugs(256);
    for (const auto &genre : genres)
        genreSlugs[size_t(genre.id)] = textCodec::slug(genre.name);

    const int samplerIndex = indexOfArtist(artists, siteSampler);
    const int lostIndex = indexOfArtist(artists, lostTapes);
    static constexpr std::array<Site, 9> everySite = {
        Site::Epitonic, Site::DownloadMusic, Site::Rave,  Site::ShutEmDown, Site::BetterPropaganda,
        Site::LemonRed, Site::Insound,       Site::Mp3Au, Site::Files};
    int samplerTracks = 0;
    int lostTracks = 0;
    const int count = int(availableArtists.size());
    int percentDone = -1;
    for (long long id = 1; id <= trackCount; ++id) {
        if (progress && int(id * 100 / trackCount) != percentDone)
            progress("tracks", percentDone = int(id * 100 / trackCount));
        int artistIndex;
        if (id <= count) {
            artistIndex = availableArtists[size_t(id - 1)];
        } else if (id <= count + 2 * 9 && samplerIndex >= 0 && lostIndex >= 0) {
            // Enough tracks for the two test artists to cover every site kind.
            artistIndex = (id - count) % 2 == 0 ? samplerIndex : lostIndex;
        } else {
            // Squared uniform: early artists get more tracks.
            const double u = random.unit();
            artistIndex = availableArtists[size_t(double(count) * u * u)];
        }
        ArtistRow &artist = artists[size_t(artistIndex)];
        const int genreId =
            random.chance(0.9) ? artist.genreId : genres[size_t(random.below(int(genres.size())))].id;
        const std::string title = trackTitle(random);
        Site site = siteForTrack(random);
        int broken = random.chance(0.002) ? 1 : 0;
        if (artistIndex == samplerIndex && samplerTracks < int(everySite.size()))
            site = everySite[size_t(samplerTracks++)];
        if (artistIndex == lostIndex) {
            // 2 = the download page lacks its link; 1 = the file is gone.
            site = lostTracks < int(everySite.size()) ? everySite[size_t(lostTracks)] : site;
            ++lostTracks;
            broken = site == Site::DownloadMusic && lostTracks % 2 == 0 ? 2 : 1;
        } else if (broken && site == Site::DownloadMusic && random.chance(0.5)) {
            broken = 2;
        }
        const std::string titleSlug = textCodec::slug(title);
        const std::string path = sourcePath(site, id, artistSlugs[size_t(artistIndex)], titleSlug,
                                            genreSlugs[size_t(genreId)], random);
        const std::string head = textCodec::withoutCommas(artist.name) + ',' + std::to_string(genreId) + ',' +
                                 textCodec::withoutCommas(title) + ',';
        const int seconds = 8 + random.below(23);
        insert.bind(1, id)
            .bind(2, artistIndex + 1)
            .bind(3, genreId)
            .bind(4, title)
            .bind(5, textCodec::searchKey(textCodec::withoutCommas(title)))
            .bind(6, artistKeys[size_t(artistIndex)])
            .bind(7, head)
            .bind(8, int(site))
            .bind(9, path)
            .bind(10, broken)
            .bind(11, seconds);
        if (!insert.stepDone(error))
            return false;
        ++artist.trackCount;
    }
    // With the "every artist one track" pass cut short by a small --tracks, some stay without.
    for (auto &artist : artists)
        artist.available = artist.trackCount > 0;
    return true;
}

bool insertArtists(sqlite3 *db, const std::vector<ArtistRow> &artists, std::string &error)
{
    SqliteStatement insert(db, "INSERT INTO artist(id, name, search_key, lookup_key, genre_id, tags,"
                               " has_picture, track_count) VALUES(?,?,?,?,?,?,?,?)");
    for (size_t i = 0; i < artists.size(); ++i) {
        const ArtistRow &a = artists[i];
        insert.bind(1, int(i) + 1)
            .bind(2, a.name)
            .bind(3, textCodec::searchKey(a.name))
            .bind(4, textCodec::lookupKey(a.name))
            .bind(5, a.genreId)
            .bind(6, int(a.tags))
            .bind(7, a.hasPicture ? 1 : 0)
            .bind(8, a.trackCount);
        if (!insert.stepDone(error))
            return false;
    }
    return true;
}

// Categories 1, 2 and 3 (the client's three genre pictures) interleaved first, so each has plenty
// inside the 200 lines the client keeps; then the other categories.
bool insertRecommended(sqlite3 *db, const std::vector<ArtistRow> &artists, std::string &error)
{
    std::array<std::vector<int>, 10> byCategory;
    for (size_t i = 0; i < artists.size(); ++i) {
        const ArtistRow &a = artists[i];
        if (!a.available || !a.hasPicture || a.name.find_first_of(",/\\?:*|\"<>") != std::string::npos)
            continue;
        const int category = genreTable::categoryOf(a.genreId);
        if (category >= 1 && category <= 9)
            byCategory[size_t(category)].push_back(int(i));
    }
    SqliteStatement insert(db, "INSERT INTO recommended(line, artist_id, category) VALUES(?,?,?)");
    int line = 0;
    std::array<size_t, 10> used{};
    auto take = [&](int category) {
        auto &list = byCategory[size_t(category)];
        if (used[size_t(category)] >= list.size())
            return true;
        const int artist = list[used[size_t(category)]++];
        insert.bind(1, ++line).bind(2, artist + 1).bind(3, category);
        return insert.stepDone(error);
    };
    for (int round = 0; round < 50; ++round)
        for (int category = 1; category <= 3; ++category)
            if (!take(category))
                return false;
    for (int round = 0; round < 40 && line < 270; ++round)
        for (int category = 1; category <= 9; ++category)
            if (!take(category))
                return false;
    return true;
}

std::string stationName(RandomSource &random, const genreTable::Genre &genre, int kind)
{
    const std::string word = pick(random, stationWords);
    switch (kind % 4) {
    case 0:
        return word + ' ' + genre.name + " Radio";
    case 1:
        return std::string(genre.name) + " FM " + word;
    case 2:
        return "Radio " + word + ' ' + std::to_string(88 + random.below(20)) + '.' +
               std::to_string(random.below(10));
    default:
        return "The " + std::string(genre.name) + ' ' + word + " Stream";
    }
}

// Eight stations per genre; some addresses carry commas.
bool insertRadio(sqlite3 *db, RandomSource &random, std::string &error)
{
    SqliteStatement insert(db, "INSERT INTO radio(id, name, genre_id, path) VALUES(?,?,?,?)");
    int id = 0;
    for (const auto &genre : genreTable::genres()) {
        for (int k = 0; k < 8; ++k) {
            ++id;
            const std::string name = stationName(random, genre, k);
            const std::string path =
                k % 3 == 1 ? "/radio/listen?station=" + std::to_string(id) + ",format=m3u,bitrate=128"
                           : "/radio/" + std::to_string(id) + '-' + textCodec::slug(name) + ".m3u";
            insert.bind(1, id).bind(2, name).bind(3, genre.id).bind(4, path);
            if (!insert.stepDone(error))
                return false;
        }
    }
    return true;
}

bool insertMeta(sqlite3 *db, const Options &options, size_t artistCount, std::string &error)
{
    SqliteStatement insert(db, "INSERT INTO meta(key, value) VALUES(?,?)");
    const std::pair<const char *, std::string> values[] = {
        {"seed", std::to_string(options.seed)},
        {"trackCount", std::to_string(options.tracks)},
        {"artistCount", std::to_string(artistCount)},
        {"genreCount", std::to_string(genreTable::genres().size())},
        {"engineVersion", std::to_string(engineVersion)},
        {"layout", std::to_string(catalogueLayout)},
    };
    for (const auto &[key, value] : values) {
        insert.bind(1, key).bind(2, value);
        if (!insert.stepDone(error))
            return false;
    }
    return true;
}

// The indexes the searches and lookups walk, made once the rows are in.
bool createIndexes(sqlite3 *db, std::string &error)
{
    return exec(db,
                "COMMIT;"
                "CREATE INDEX track_title ON track(title_key);"
                "CREATE INDEX track_genre_title ON track(genre_id, title_key);"
                "CREATE INDEX track_artist ON track(artist_key);"
                "CREATE INDEX track_genre_artist ON track(genre_id, artist_key);"
                "CREATE UNIQUE INDEX artist_lookup ON artist(lookup_key);"
                "CREATE INDEX artist_genre ON artist(genre_id);"
                "ANALYZE;",
                error);
}

} // namespace

bool build(const std::string &dataDir, const Options &options, std::string &error, const Progress &progress)
{
    namespace fs = std::filesystem;
    if (options.artists < 1 || options.tracks < 1) {
        error = "--artists and --tracks must be at least 1";
        return false;
    }
    std::error_code ec;
    fs::create_directories(dataDir, ec);
    const fs::path finalPath = fs::path(dataDir) / "catalogue.sqlite";
    const fs::path workPath = fs::path(dataDir) / "catalogue.sqlite.building";
    fs::remove(workPath, ec);

    SqliteHandle db;
    if (!db.open(workPath.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error))
        return false;
    // One seed drives every table, in this order.
    RandomSource random(options.seed);
    std::vector<ArtistRow> artists = makeArtists(random, options.artists);
    const auto step = [&](const char *name, int percent) {
        if (progress)
            progress(name, percent);
        return true;
    };
    const bool built = createTables(db, error) && insertGenres(db, error) &&
                       insertTracks(db, random, artists, options.tracks, progress, error) &&
                       step("artists", 0) && insertArtists(db, artists, error) &&
                       insertRecommended(db, artists, error) && insertRadio(db, random, error) &&
                       insertMeta(db, options, artists.size(), error) && step("indexes", 0) &&
                       createIndexes(db, error) && step("indexes", 100);
    if (!built)
        return false;
    db.close();
    fs::rename(workPath, finalPath, ec);
    if (ec) {
        error = "cannot move the catalogue into place: " + ec.message();
        return false;
    }
    return true;
}

} // namespace catalogueGenerator
