#pragma once

#include <QString>

class QLineEdit;
class QListWidget;

namespace platform {
class SocketControl;
}

// Radio stations that match an artist: station names in the list, addresses kept beside them.
namespace webService {

// serverBaseUrl + "trelvoRadioByKeyword.php?search=%" + encodedName + "%".
QString radioQueryUrl(const QString &encodedName);

// Refills the list and radioStationAddresses from a radio reply; lines and addresses stay paired.
void parseRadioRecommendations(const QString &responseFile, QListWidget &stationList);

// Asks for the stations of an artist and lists them; a failed request leaves the list as it was.
void recommendRadioStations(const QString &name, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                            QListWidget &stationList);

// The address stored for a line of the list; empty for no line or a line without one.
QString radioStationAddress(int line);

} // namespace webService
