#include "webservice/radio.h"

#include "core/files.h"
#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "webservice/similarArtists.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>

namespace webservice {

void RadioStations::add(const QString &address)
{
    if (!isFull())
        m_addresses.append(address);
}

QString radioQueryUrl(const QString &encodedName)
{
    return core::settings().serverBaseUrl + QStringLiteral("trelvoRadioByKeyword.php?search=%") +
           encodedName + QStringLiteral("%");
}

void parseRadioRecommendations(const QString &responseFile, RadioStations &stations, QListWidget &stationList)
{
    stationList.clear();
    stations.clear();
    QFile file(responseFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Stop where the stations are full, so every listed station keeps its own address.
    while (!file.atEnd() && !stations.isFull()) {
        const QString line = core::readLine(file);
        const qsizetype c1 = line.indexOf(QLatin1Char(','));
        if (c1 < 0)
            continue;
        const qsizetype c2 = line.indexOf(QLatin1Char(','), c1 + 1);
        if (c2 < 0)
            continue;
        QString address = line.mid(c2 + 1);
        address.remove(QStringLiteral("<br>"), Qt::CaseInsensitive);
        stationList.addItem(line.mid(c1 + 1, c2 - c1 - 1));
        stations.add(address);
    }
}

QCoro::Task<> recommendRadioStations(QString name, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                                     RadioStations &stations, QListWidget &stationList)
{
    const QString workFile =
        core::settings().tempFolder + QStringLiteral("webServiceRecommendRadio_tmp.html");
    const ControlsGuard controls{&stationList};
    const QString address = radioQueryUrl(encodeArtistName(name.trimmed()));
    queryEchoBox.setText(address);

    const std::optional<int> status = co_await requestOnSimilarArtistsSlot(address, socket, workFile);
    if (!status || !controls.alive())
        co_return;
    if (*status == 0) {
        platform::messageBox(QStringLiteral("An Socket error occured while searching"));
        co_return;
    }
    if (*status != http::HTTP_OK) {
        platform::messageBox(
            http::httpErrorMessage(QStringLiteral("An error occurred while searching"), *status));
        co_return;
    }
    parseRadioRecommendations(workFile, stations, stationList);
    QFile::remove(workFile);
}

} // namespace webservice
