#include "webservice/similarArtists.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "core/utilityFunctions.h"
#include "http/httpAgent.h"
#include "platform/eventPump.h"
#include "platform/imageList.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "webservice/radio.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>

namespace webService {

namespace {

constexpr int LAST_RANKED_POSITION = 101;

// Requests started on the similar-artists slot. A request started while another waits takes the
// slot over; the older one comes back with 0, which is no failure to report.
int slotRequestsStarted = 0;

} // namespace

int requestOnSimilarArtistsSlot(const QString &address, platform::SocketControl &socket,
                                const QString &workFile, bool &superseded)
{
    const int mine = ++slotRequestsStarted;
    const int status =
        httpAgent::sendGetRequest(httpAgent::hostFromUrl(address), QStringLiteral("80"),
                                  httpAgent::pathFromUrl(address), httpGlobals::serverBaseUrl,
                                  httpGlobals::userAgent, socket, workFile, httpGlobals::similarArtistsSlot);
    superseded = mine != slotRequestsStarted;
    return status;
}

QString encodeArtistName(const QString &name)
{
    QString encoded = name;
    encoded.replace(QLatin1Char(' '), QLatin1String("%20"));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    encoded.remove(QLatin1Char('/'));
    encoded.remove(QLatin1Char('\\'));
    return encoded;
}

QString readValidatedArtistName(const QString &responseFile)
{
    QFile file(responseFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The name follows a two-line preamble unless the server is known to send none.
    const int skipped = httpGlobals::responseHasNoPreamble ? 0 : 2;
    for (int i = 0; i < skipped; ++i) {
        if (file.atEnd())
            return {};
        utilityFunctions::readLine(file);
    }
    if (file.atEnd())
        return {};
    return utilityFunctions::readLine(file);
}

int parseSimilarArtists(const QString &responseFile, QTreeWidget &tree, platform::ImageList &iconList)
{
    appGlobals::similarArtistCount = 0;
    QFile file(responseFile);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QString line = utilityFunctions::readLine(file);
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            if (comma < 0)
                continue;
            // The table has a fixed size; a longer list is cut here.
            if (appGlobals::similarArtistCount >= appGlobals::SIMILAR_ARTIST_SLOTS)
                break;
            const auto entry = size_t(appGlobals::similarArtistCount);
            appGlobals::similarArtistNames[entry] = line.mid(comma + 1);
            // Only an explicit "1" makes an artist available; an unknown flag never inherits
            // the flag of some earlier list.
            appGlobals::similarArtistAvailable[entry] = line.startsWith(QLatin1Char('1'));
            ++appGlobals::similarArtistCount;
        }
    }
    return fillSimilarArtistsTree(tree, iconList);
}

int fillSimilarArtistsTree(QTreeWidget &tree, platform::ImageList &iconList)
{
    tree.clear();
    platform::attachImageList(tree, iconList);
    const int count = appGlobals::similarArtistCount;
    int placed = 0;
    for (int i = 0; i < count; ++i) {
        const auto entry = size_t(i);
        if (!appGlobals::similarArtistAvailable[entry] && appGlobals::onlyShowAvailable)
            continue;
        const QString &name = appGlobals::similarArtistNames[entry];
        // A refused node (a name that is already a key) is skipped but still counts.
        if (QTreeWidgetItem *node = platform::addTreeNode(tree, name, name, &iconList, relevanceIconKey(i)))
            node->setToolTip(0, QStringLiteral("%1 of %2").arg(i + 1).arg(count));
        ++placed;
    }
    return placed;
}

QString relevanceIconKey(int position)
{
    if (position < 0 || position > LAST_RANKED_POSITION)
        return {};
    // Ten positions a level; the last level also takes positions 100 and 101.
    const int level = std::max(0, 9 - position / 10);
    return QStringLiteral("level_") + QString::number(level);
}

void findSimilarArtists(const QString &typedText, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                        QTreeWidget &tree, platform::ImageList &iconList, QLabel &countLabel,
                        QListWidget &stationList, const std::function<void(const QString &)> &showPicture)
{
    const QString workFile = httpGlobals::tempFolder + QStringLiteral("webServiceRecommend_tmp.html");
    bool superseded = false;
    QString name = typedText;
    name.replace(QLatin1Char('&'), QLatin1String("%26"));
    name.replace(QLatin1Char(' '), QLatin1String("%20"));

    const QString checkAddress = httpGlobals::serverBaseUrl +
                                 QStringLiteral("trelvoSimilarArtists.php?artist=") + encodeArtistName(name);
    queryEchoBox.setText(checkAddress);
    platform::doEvents();

    int status = requestOnSimilarArtistsSlot(checkAddress, socket, workFile, superseded);
    if (superseded)
        return;
    if (status == 0) {
        platform::messageBox(QStringLiteral("A socket error occured while validating the name"));
        return;
    }
    if (status != httpGlobals::HTTP_OK && status != httpGlobals::HTTP_NOT_FOUND) {
        platform::messageBox(httpAgent::httpErrorMessage(
            QStringLiteral("An error occurred while validating the name"), status));
        return;
    }
    const QString validated = readValidatedArtistName(workFile);
    const bool confirmed = validated.size() > 3;
    if (confirmed)
        name = validated;
    QFile::remove(workFile);

    int shown = 0;
    if (confirmed) {
        const QString listAddress = httpGlobals::similarArtistsBaseUrl + encodeArtistName(name);
        queryEchoBox.setText(listAddress);
        platform::doEvents();

        status = requestOnSimilarArtistsSlot(listAddress, socket, workFile, superseded);
        if (superseded)
            return;
        if (status == 0) {
            platform::messageBox(QStringLiteral("An Socket error occured while searching"));
            return;
        }
        if (status != httpGlobals::HTTP_OK && status != httpGlobals::HTTP_NOT_FOUND) {
            platform::messageBox(
                httpAgent::httpErrorMessage(QStringLiteral("An error occurred while searching"), status));
            return;
        }
        shown = parseSimilarArtists(workFile, tree, iconList);
        if (showPicture)
            showPicture(name);
        QFile::remove(workFile);
    }

    countLabel.setText(QStringLiteral("Similar Artists : ") + QString::number(shown));
    socket.close();
    recommendRadioStations(name, queryEchoBox, socket, stationList);
}

} // namespace webService
