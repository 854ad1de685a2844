#include "webservice/similarArtists.h"

#include "core/files.h"
#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/imageList.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"
#include "webservice/radio.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>

namespace webservice {

namespace {

constexpr int LAST_RANKED_POSITION = 101;

// Requests started on the similar-artists slot. A request started while another waits takes the
// slot over; the older one then ends without a word, even when its reply was already in.
int slotRequestsStarted = 0;

} // namespace

void SimilarArtists::add(const QString &name, bool available)
{
    if (!isFull())
        m_artists.append(Artist{name, available});
}

QCoro::Task<std::optional<int>> requestOnSimilarArtistsSlot(QString address, platform::SocketControl &socket,
                                                            QString workFile)
{
    const int mine = ++slotRequestsStarted;
    const http::Outcome outcome =
        co_await http::fetchUrl(address, core::settings().serverBaseUrl, core::settings().userAgent, socket,
                                workFile, http::Slot::SimilarArtists);
    if (outcome.stopped() || mine != slotRequestsStarted)
        co_return std::nullopt;
    co_return outcome.status;
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
    // The name follows a two-line preamble.
    for (int i = 0; i < 2; ++i) {
        if (file.atEnd())
            return {};
        core::readLine(file);
    }
    if (file.atEnd())
        return {};
    return core::readLine(file);
}

int parseSimilarArtists(const QString &responseFile, SimilarArtists &artists, QTreeWidget &tree,
                        platform::ImageList &iconList)
{
    artists.clear();
    QFile file(responseFile);
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QString line = core::readLine(file);
            const qsizetype comma = line.indexOf(QLatin1Char(','));
            if (comma < 0)
                continue;
            if (artists.isFull())
                break;
            // Only an explicit "1" makes an artist available.
            artists.add(line.mid(comma + 1), line.startsWith(QLatin1Char('1')));
        }
    }
    return fillSimilarArtistsTree(artists, tree, iconList);
}

int fillSimilarArtistsTree(const SimilarArtists &artists, QTreeWidget &tree, platform::ImageList &iconList)
{
    tree.clear();
    platform::attachImageList(tree, iconList);
    const int count = artists.count();
    int placed = 0;
    for (int i = 0; i < count; ++i) {
        if (!artists.at(i).available && artists.onlyShowAvailable)
            continue;
        const QString &name = artists.at(i).name;
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

QCoro::Task<> findSimilarArtists(QString typedText, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                                 SimilarArtists &artists, QTreeWidget &tree, platform::ImageList &iconList,
                                 QLabel &countLabel, RadioStations &stations, QListWidget &stationList,
                                 std::function<void(const QString &)> showPicture)
{
    const QString workFile = core::settings().tempFolder + QStringLiteral("webServiceRecommend_tmp.html");
    const ControlsGuard controls{&queryEchoBox, &socket, &tree, &iconList, &countLabel, &stationList};
    QString name = typedText;
    name.replace(QLatin1Char('&'), QLatin1String("%26"));
    name.replace(QLatin1Char(' '), QLatin1String("%20"));

    const QString checkAddress = core::settings().serverBaseUrl +
                                 QStringLiteral("trelvoSimilarArtists.php?artist=") + encodeArtistName(name);
    queryEchoBox.setText(checkAddress);

    std::optional<int> status = co_await requestOnSimilarArtistsSlot(checkAddress, socket, workFile);
    if (!status || !controls.alive())
        co_return;
    if (*status == 0) {
        platform::messageBox(QStringLiteral("A socket error occured while validating the name"));
        co_return;
    }
    if (*status != http::HTTP_OK && *status != http::HTTP_NOT_FOUND) {
        platform::messageBox(
            http::httpErrorMessage(QStringLiteral("An error occurred while validating the name"), *status));
        co_return;
    }
    const QString validated = readValidatedArtistName(workFile);
    const bool confirmed = validated.size() > 3;
    if (confirmed)
        name = validated;
    QFile::remove(workFile);

    int shown = 0;
    if (confirmed) {
        const QString listAddress = core::settings().similarArtistsBaseUrl + encodeArtistName(name);
        queryEchoBox.setText(listAddress);

        status = co_await requestOnSimilarArtistsSlot(listAddress, socket, workFile);
        if (!status || !controls.alive())
            co_return;
        if (*status == 0) {
            platform::messageBox(QStringLiteral("An Socket error occured while searching"));
            co_return;
        }
        if (*status != http::HTTP_OK && *status != http::HTTP_NOT_FOUND) {
            platform::messageBox(
                http::httpErrorMessage(QStringLiteral("An error occurred while searching"), *status));
            co_return;
        }
        shown = parseSimilarArtists(workFile, artists, tree, iconList);
        if (showPicture)
            showPicture(name);
        QFile::remove(workFile);
    }

    countLabel.setText(QStringLiteral("Similar Artists : ") + QString::number(shown));
    socket.close();
    co_await recommendRadioStations(name, queryEchoBox, socket, stations, stationList);
}

bool ControlsGuard::alive() const
{
    return std::all_of(m_controls.begin(), m_controls.end(),
                       [](const QPointer<QObject> &control) { return !control.isNull(); });
}

} // namespace webservice
