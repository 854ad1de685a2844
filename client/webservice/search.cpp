#include "webservice/search.h"

#include "core/files.h"
#include "core/settings.h"
#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>

#include <cmath>
#include <map>

namespace webservice {

namespace {

constexpr int GRID_COLUMNS = 3;

// Counts the searches started on each slot. A search started while another waits takes the slot
// over; the older one then leaves the grid to the newer one, even when its reply was already in.
std::map<http::Slot, int> searchesStarted;

QTableWidgetItem *gridCell(const QString &text)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return cell;
}

void writeGridRow(QTableWidget &grid, int row, const QString &a, const QString &b, const QString &c)
{
    grid.setItem(row, 0, gridCell(a));
    grid.setItem(row, 1, gridCell(b));
    grid.setItem(row, 2, gridCell(c));
}

// Header in row 0 and one empty row below it, so grid row n is result n.
void prepareGrid(QTableWidget &grid)
{
    if (grid.columnCount() < GRID_COLUMNS)
        grid.setColumnCount(GRID_COLUMNS);
    grid.setRowCount(0);
    grid.setRowCount(2);
    writeGridRow(grid, 0, QStringLiteral("Artist"), QStringLiteral("Track"), QStringLiteral("Genre"));
}

} // namespace

QList<SearchRecord> parseSearchResults(const QString &responseFile)
{
    QList<SearchRecord> table;
    QFile file(responseFile);
    if (!file.open(QIODevice::ReadOnly))
        return table;
    while (!file.atEnd()) {
        QString line = core::readLine(file);
        line.remove(QStringLiteral("<br>"), Qt::CaseSensitive);
        if (!line.contains(QLatin1Char(',')))
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != 4)
            continue;
        const SearchRecord record{fields[0], fields[1], fields[2], fields[3]};
        if (table.size() < SEARCH_PARSE_RECORDS)
            table.append(record);
        else
            table.last() = record;
    }
    return table;
}

QString searchQueryUrl(const QString &searchType, const QString &encodedText, int genrePosition)
{
    const QString genre = QString::number(genrePosition);
    const QString &base = core::settings().serverBaseUrl;
    if (searchType == QLatin1String("Artist"))
        return base + QStringLiteral("trelvoTracksByArtist.php?genre=") + genre + QStringLiteral("&artist=") +
               encodedText + QStringLiteral("%&track=");
    if (searchType == QLatin1String("Title"))
        return base + QStringLiteral("trelvoTracksByTitle.php?genre=") + genre +
               QStringLiteral("&artist=&track=") + encodedText + QStringLiteral("%");
    if (searchType == QLatin1String("Keyword"))
        return base + QStringLiteral("trelvoTracksByKeyword.php?genre=") + genre +
               QStringLiteral("&keyword=") + encodedText + QStringLiteral("&track=");
    return {};
}

void SearchResults::add(const SearchResult &row)
{
    if (!isFull())
        m_rows.append(row);
}

QString genreNameForId(const QString &genreIdField, const GenreNames &genreNames)
{
    bool isNumber = false;
    const double id = genreIdField.toDouble(&isNumber);
    if (!isNumber || !(id > 0 && id < 255))
        return {};
    // Halves go to the even neighbour; 254.5 lands on 254, 254.6 on the never-written 255.
    return genreNames.name(int(std::nearbyint(id)));
}

int showSearchResults(const QList<SearchRecord> &records, const GenreNames &genreNames,
                      SearchResults &results, QTableWidget &resultsGrid)
{
    // One repaint for the whole fill instead of one per cell.
    const bool updates = resultsGrid.updatesEnabled();
    resultsGrid.setUpdatesEnabled(false);
    int shown = 0;
    for (const SearchRecord &record : records) {
        if (record[RECORD_ARTIST].isEmpty())
            continue;
        // The grid shows what the results hold.
        if (results.isFull())
            break;
        const QString genreText = genreNameForId(record[RECORD_GENRE_ID], genreNames);
        ++shown;
        results.add({record[RECORD_ARTIST], record[RECORD_TITLE], genreText, record[RECORD_SOURCE]});
        resultsGrid.insertRow(resultsGrid.rowCount());
        writeGridRow(resultsGrid, shown, record[RECORD_ARTIST], record[RECORD_TITLE], genreText);
    }
    resultsGrid.setUpdatesEnabled(updates);
    return shown;
}

QString searchResultsCaption(int found)
{
    if (found == 1)
        return QStringLiteral("Search Results : 1 free track found");
    return QStringLiteral("Search Results : ") + QString::number(found) +
           QStringLiteral(" free tracks found");
}

QCoro::Task<bool> searchTracks(QString searchType, QString searchText, QComboBox &genreList,
                               QLineEdit &queryEchoBox, QGroupBox &resultsFrame,
                               platform::SocketControl &socket, QTableWidget &resultsGrid,
                               platform::WebBrowserControl &shopBrowser, http::Slot slot, SearchTables tables)
{
    const QString workFile = core::settings().tempFolder + QStringLiteral("webService_tmp.html");
    tables.results.clear();
    const int generation = ++searchesStarted[slot];
    const QPointer<QGroupBox> frame(&resultsFrame);
    const QPointer<QTableWidget> grid(&resultsGrid);

    const QString encoded = downloads::encodeQueryText(searchText);
    downloads::showShopSuggestions(encoded, tables.shop, shopBrowser);

    const QString address = searchQueryUrl(searchType, encoded, genreList.currentIndex());
    queryEchoBox.setText(address);
    resultsFrame.setTitle(QStringLiteral("Search Results : Search (by ") + searchType +
                          QStringLiteral(") in progress."));
    prepareGrid(resultsGrid);

    const http::Outcome outcome = co_await http::fetchUrl(address, core::settings().serverBaseUrl,
                                                          core::settings().userAgent, socket, workFile, slot);
    // A newer search, the window closing or the controls going ends this one without a word.
    if (outcome.stopped() || generation != searchesStarted[slot] || !frame || !grid)
        co_return false;
    if (outcome.status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while searching"));
        co_return true;
    }
    if (outcome.status != http::HTTP_OK) {
        platform::messageBox(
            http::httpErrorMessage(QStringLiteral("An error occurred while searching"), outcome.status));
        co_return true;
    }

    const int found =
        showSearchResults(parseSearchResults(workFile), tables.genreNames, tables.results, resultsGrid);
    QFile::remove(workFile);
    resultsFrame.setTitle(searchResultsCaption(found));
    co_return true;
}

} // namespace webservice
