#pragma once

#include <QString>

#include <array>

// Application state: fixed-size tables with a separate count. Every writer keeps within the
// bounds given here; further records are ignored.
namespace appGlobals {

// Server counters from the statistics reply.
inline int serverEngineVersion = 0;
inline int serverTrackCount = 0;
inline int serverArtistCount = 0;
inline int serverGenreCount = 0;

// Genre names by the server's genre id; only ids 1..254 are ever written.
constexpr int GENRE_NAME_SLOTS = 256;
inline std::array<QString, GENRE_NAME_SLOTS> genreNames;

// Recommended artists: entries 0..200, the count stays at most 199.
constexpr int RECOMMENDED_ARTIST_SLOTS = 201;
constexpr int RECOMMENDED_ARTIST_LAST = 199;
inline std::array<QString, RECOMMENDED_ARTIST_SLOTS> recommendedArtistNames;
inline std::array<int, RECOMMENDED_ARTIST_SLOTS> recommendedArtistCategories{};
inline int recommendedArtistCount = 0;

// Search results: rows 1..305 (row 0 unused), four texts per row.
constexpr int SEARCH_RESULT_ROWS = 305;
enum SearchField { RESULT_ARTIST = 0, RESULT_TRACK = 1, RESULT_GENRE = 2, RESULT_SOURCE = 3 };
inline std::array<std::array<QString, 4>, SEARCH_RESULT_ROWS + 1> searchResults;
inline int searchResultCount = 0;

// Similar artists: entries 0..105.
constexpr int SIMILAR_ARTIST_SLOTS = 106;
inline std::array<QString, SIMILAR_ARTIST_SLOTS> similarArtistNames;
inline std::array<bool, SIMILAR_ARTIST_SLOTS> similarArtistAvailable{};
inline int similarArtistCount = 0;
inline bool onlyShowAvailable = true;

// Radio station addresses, paired with the lines of the station list: entries 0..101.
constexpr int RADIO_STATION_SLOTS = 102;
inline std::array<QString, RADIO_STATION_SLOTS> radioStationAddresses;

// Download queue: places 1..99 hold entries (place 0 unused, place 100 always empty).
constexpr int DOWNLOAD_QUEUE_SLOTS = 101;
constexpr int DOWNLOAD_QUEUE_MAX = 99;
inline std::array<QString, DOWNLOAD_QUEUE_SLOTS> downloadQueueArtist;
inline std::array<QString, DOWNLOAD_QUEUE_SLOTS> downloadQueueTrack;
inline std::array<QString, DOWNLOAD_QUEUE_SLOTS> downloadQueueSource;
inline int downloadCount = 0;

// Hand-over between the track action chooser and the waiting main window.
inline QString chosenAction;

// Names picked for the genre-artists tree: entries 0..200.
constexpr int GENRE_SELECTION_SLOTS = 201;
inline std::array<QString, GENRE_SELECTION_SLOTS> genreSelection;

inline bool searchPanelShown = false;

} // namespace appGlobals

// Shop-suggestion settings.
namespace appLocalisation {
inline int shopLocale = 2;
inline QString lastShopTerm;
} // namespace appLocalisation
