// A search reply of any bytes, read and shown in the grid: the table and the grid stay within
// their bounds and the grid shows exactly the results kept.
#include "fuzzSupport.h"
#include "webservice/search.h"

#include <QTableWidget>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    static QTableWidget grid;
    static const webservice::GenreNames genreNames = [] {
        webservice::GenreNames names;
        for (int id = webservice::GenreNames::FIRST_ID; id <= webservice::GenreNames::LAST_ID; ++id)
            names.set(id, QString::number(id));
        return names;
    }();
    const QList<webservice::SearchRecord> records =
        webservice::parseSearchResults(fuzz::writeInput(data, size));
    fuzz::require(records.size() <= webservice::SEARCH_PARSE_RECORDS, "records within the table");
    // As a search prepares it: the header row and one empty row.
    grid.setColumnCount(3);
    grid.setRowCount(0);
    grid.setRowCount(2);
    webservice::SearchResults results;
    const int shown = webservice::showSearchResults(records, genreNames, results, grid);
    fuzz::require(shown == results.count() && shown <= webservice::SearchResults::MAX_ROWS,
                  "the grid shows the results kept");
    fuzz::require(grid.rowCount() == 2 + shown, "one grid row per result");
    return 0;
}
