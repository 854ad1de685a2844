#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>

class QLineEdit;
class QListWidget;

namespace platform {
class SocketControl;
}

// Radio stations that match an artist: station names in the list, addresses kept beside them.
namespace webservice {

// The addresses of the listed stations, line by line: at most 102, further ones are dropped.
class RadioStations
{
public:
    static constexpr int MAX_STATIONS = 102;

    void clear() { m_addresses.clear(); }
    void add(const QString &address);
    bool isFull() const { return m_addresses.size() >= MAX_STATIONS; }
    int count() const { return int(m_addresses.size()); }
    // Empty for a line that has no station.
    QString address(int line) const { return m_addresses.value(line); }

private:
    QList<QString> m_addresses;
};

// serverBaseUrl + "trelvoRadioByKeyword.php?search=%" + encodedName + "%".
QString radioQueryUrl(const QString &encodedName);

// Refills the list and the stations from a radio reply; lines and addresses stay paired.
void parseRadioRecommendations(const QString &responseFile, RadioStations &stations,
                               QListWidget &stationList);

// Asks for the stations of an artist and lists them; a failed request leaves the list as it was.
// Taken over, cancelled or with the list gone, it does nothing more.
QCoro::Task<> recommendRadioStations(QString name, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                                     RadioStations &stations, QListWidget &stationList);

} // namespace webservice
