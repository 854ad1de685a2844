#pragma once

#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"
#include "webservice/statistics.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>

#include <array>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QTableWidget;

namespace platform {
class SocketControl;
class WebBrowserControl;
} // namespace platform

// Track search: asks the server's search scripts and lists the hits in the results grid.
namespace webservice {

// One reply record: artist, genre id, track title, source address (reply order).
enum SearchRecordField { RECORD_ARTIST = 0, RECORD_GENRE_ID = 1, RECORD_TITLE = 2, RECORD_SOURCE = 3 };
using SearchRecord = std::array<QString, 4>;

// One row of the results grid.
struct SearchResult
{
    QString artist;
    QString track;
    QString genre;
    QString source;
};

// The rows the results grid shows: at most 305, further rows are dropped.
class SearchResults
{
public:
    static constexpr int MAX_ROWS = 305;

    void clear() { m_rows.clear(); }
    bool isFull() const { return m_rows.size() >= MAX_ROWS; }
    void add(const SearchResult &row);
    int count() const { return int(m_rows.size()); }
    // Result `index` counted from 0; grid row n shows result n - 1.
    const SearchResult &at(int index) const { return m_rows.at(index); }

private:
    QList<SearchResult> m_rows;
};

// The parse table holds at most this many records; the last one is overwritten after that.
constexpr int SEARCH_PARSE_RECORDS = 1000;

// Four-field lines of a search reply, "<br>" (this exact case) removed first; anything else skipped.
QList<SearchRecord> parseSearchResults(const QString &responseFile);

// The query address for "Keyword", "Artist" or "Title"; empty for any other type.
QString searchQueryUrl(const QString &searchType, const QString &encodedText, int genrePosition);

// The genre name for a reply's genre id field; empty unless the field is a number in 1..254.
QString genreNameForId(const QString &genreIdField, const GenreNames &genreNames);

// Fills the grid (header row, results, one trailing empty row) and the results, bounded at
// their size; returns the number of rows shown.
int showSearchResults(const QList<SearchRecord> &records, const GenreNames &genreNames,
                      SearchResults &results, QTableWidget &resultsGrid);

// "Search Results : 1 free track found" / "... n free tracks found".
QString searchResultsCaption(int found);

// The tables a search fills; they live as long as the controls it is handed.
struct SearchTables
{
    const GenreNames &genreNames;
    SearchResults &results;
    downloads::ShopSuggestions &shop;
};

// Runs one search on the given slot and shows the outcome in the given controls: the shop page,
// then the tracks. Completes with true once the results or a message are shown; with false, having
// touched nothing after the wait, when a newer search on the slot took it over, the request was
// cancelled or the results controls went.
QCoro::Task<bool> searchTracks(QString searchType, QString searchText, QComboBox &genreList,
                               QLineEdit &queryEchoBox, QGroupBox &resultsFrame,
                               platform::SocketControl &socket, QTableWidget &resultsGrid,
                               platform::WebBrowserControl &shopBrowser, http::Slot slot,
                               SearchTables tables);

} // namespace webservice
