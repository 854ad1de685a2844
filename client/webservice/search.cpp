#include "webservice/search.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "core/utilityFunctions.h"
#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"
#include "platform/eventPump.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTableWidget>

#include <cmath>

namespace webService {

namespace {

constexpr int GRID_COLUMNS = 3;

// Counts the searches started on each slot. A search started while another waits takes the slot
// over; the older one then comes back without a result and must leave the grid to the newer one.
std::array<int, httpGlobals::SLOT_COUNT> searchesStarted{};

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
        QString line = utilityFunctions::readLine(file);
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
    const QString &base = httpGlobals::serverBaseUrl;
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

QString genreNameForId(const QString &genreIdField)
{
    bool isNumber = false;
    const double id = genreIdField.toDouble(&isNumber);
    if (!isNumber || !(id > 0 && id < 255))
        return {};
    // Halves go to the even neighbour; 254.5 lands on 254, 254.6 on the never-written 255.
    const int index = int(std::nearbyint(id));
    if (index < 1 || index >= appGlobals::GENRE_NAME_SLOTS)
        return {};
    return appGlobals::genreNames[size_t(index)];
}

int showSearchResults(const QList<SearchRecord> &records, QTableWidget &resultsGrid)
{
    // One repaint for the whole fill instead of one per cell.
    const bool updates = resultsGrid.updatesEnabled();
    resultsGrid.setUpdatesEnabled(false);
    int shown = 0;
    for (const SearchRecord &record : records) {
        if (record[RECORD_ARTIST].isEmpty())
            continue;
        // The results table has room for so many rows; the grid shows what the table holds.
        if (appGlobals::searchResultCount >= appGlobals::SEARCH_RESULT_ROWS)
            break;
        const QString genreText = genreNameForId(record[RECORD_GENRE_ID]);
        ++shown;
        ++appGlobals::searchResultCount;
        resultsGrid.insertRow(resultsGrid.rowCount());
        writeGridRow(resultsGrid, shown, record[RECORD_ARTIST], record[RECORD_TITLE], genreText);
        auto &row = appGlobals::searchResults[size_t(appGlobals::searchResultCount)];
        row[appGlobals::RESULT_ARTIST] = record[RECORD_ARTIST];
        row[appGlobals::RESULT_TRACK] = record[RECORD_TITLE];
        row[appGlobals::RESULT_GENRE] = genreText;
        row[appGlobals::RESULT_SOURCE] = record[RECORD_SOURCE];
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

void searchTracks(const QString &searchType, const QString &searchText, QComboBox &genreList,
                  QLineEdit &queryEchoBox, QGroupBox &resultsFrame, platform::SocketControl &socket,
                  QTableWidget &resultsGrid, platform::WebBrowserControl &shopBrowser, int slot)
{
    const QString workFile = httpGlobals::tempFolder + QStringLiteral("webService_tmp.html");
    appGlobals::searchResultCount = 0;
    if (!httpGlobals::isValidSlot(slot))
        return;
    const int generation = ++searchesStarted[size_t(slot)];

    const QString encoded = encodeQueryText(searchText);
    showShopSuggestions(encoded, appLocalisation::shopLocale, shopBrowser);

    const QString address = searchQueryUrl(searchType, encoded, genreList.currentIndex());
    queryEchoBox.setText(address);
    resultsFrame.setTitle(QStringLiteral("Search Results : Search (by ") + searchType +
                          QStringLiteral(") in progress."));
    prepareGrid(resultsGrid);
    platform::doEvents();
    if (generation != searchesStarted[size_t(slot)])
        return;

    const int status = httpAgent::sendGetRequest(httpAgent::hostFromUrl(address), QStringLiteral("80"),
                                                 httpAgent::pathFromUrl(address), httpGlobals::serverBaseUrl,
                                                 httpGlobals::userAgent, socket, workFile, slot);
    if (generation != searchesStarted[size_t(slot)])
        return;
    if (status == 0) {
        platform::messageBox(QStringLiteral("A Socket error occurred while searching"));
        return;
    }
    if (status != httpGlobals::HTTP_OK) {
        platform::messageBox(
            httpAgent::httpErrorMessage(QStringLiteral("An error occurred while searching"), status));
        return;
    }

    const int found = showSearchResults(parseSearchResults(workFile), resultsGrid);
    QFile::remove(workFile);
    resultsFrame.setTitle(searchResultsCaption(found));
}

} // namespace webService
