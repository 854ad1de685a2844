// A statistics reply of any bytes: the genre list always starts with "Any", and each genre name
// that was read has a genre line of its own.
#include "fuzzSupport.h"
#include "webservice/statistics.h"

#include <QComboBox>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    static QComboBox genreList;
    webservice::ServerStatistics statistics;
    webservice::GenreNames genreNames;
    webservice::parseStatistics(fuzz::writeInput(data, size), genreList, statistics, genreNames);
    fuzz::closeMessageBoxes();
    fuzz::require(genreList.count() >= 1 && genreList.itemText(0) == QLatin1String("Any"), "Any first");
    fuzz::require(genreList.count() <= qsizetype(size) + 1, "a genre per line at most");
    return 0;
}
