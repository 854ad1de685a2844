#include "webservice/radio.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "core/utilityFunctions.h"
#include "http/httpAgent.h"
#include "platform/eventPump.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "webservice/similarArtists.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

namespace webService {

QString radioQueryUrl(const QString &encodedName)
{
    return httpGlobals::serverBaseUrl + QStringLiteral("trelvoRadioByKeyword.php?search=%") + encodedName +
           QStringLiteral("%");
}

void parseRadioRecommendations(const QString &responseFile, QListWidget &stationList)
{
    stationList.clear();
    QFile file(responseFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    int k = 0;
    // Stop where the address table ends, so every listed station keeps its own address.
    while (!file.atEnd() && k < appGlobals::RADIO_STATION_SLOTS) {
        const QString line = utilityFunctions::readLine(file);
        const qsizetype c1 = line.indexOf(QLatin1Char(','));
        if (c1 < 0)
            continue;
        const qsizetype c2 = line.indexOf(QLatin1Char(','), c1 + 1);
        if (c2 < 0)
            continue;
        QString address = line.mid(c2 + 1);
        address.remove(QStringLiteral("<br>"), Qt::CaseInsensitive);
        stationList.addItem(line.mid(c1 + 1, c2 - c1 - 1));
        appGlobals::radioStationAddresses[size_t(k)] = address;
        ++k;
    }
}

void recommendRadioStations(const QString &name, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                            QListWidget &stationList)
{
    const QString workFile = httpGlobals::tempFolder + QStringLiteral("webServiceRecommendRadio_tmp.html");
    const QString address = radioQueryUrl(encodeArtistName(name.trimmed()));
    queryEchoBox.setText(address);
    platform::doEvents();

    bool superseded = false;
    const int status = requestOnSimilarArtistsSlot(address, socket, workFile, superseded);
    if (superseded)
        return;
    if (status == 0) {
        platform::messageBox(QStringLiteral("An Socket error occured while searching"));
        return;
    }
    if (status != httpGlobals::HTTP_OK) {
        platform::messageBox(
            httpAgent::httpErrorMessage(QStringLiteral("An error occurred while searching"), status));
        return;
    }
    parseRadioRecommendations(workFile, stationList);
    QFile::remove(workFile);
}

QString radioStationAddress(int line)
{
    if (line < 0 || line >= appGlobals::RADIO_STATION_SLOTS)
        return {};
    return appGlobals::radioStationAddresses[size_t(line)];
}

} // namespace webService
