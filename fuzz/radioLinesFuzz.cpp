// A radio reply of any bytes: every listed station has its own address, within the bound.
#include "fuzzSupport.h"
#include "webservice/radio.h"

#include <QListWidget>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    static QListWidget stationList;
    static webservice::RadioStations stations;
    webservice::parseRadioRecommendations(fuzz::writeInput(data, size), stations, stationList);
    fuzz::require(stationList.count() == stations.count(), "names and addresses paired");
    fuzz::require(stations.count() <= webservice::RadioStations::MAX_STATIONS, "stations within the bound");
    return 0;
}
