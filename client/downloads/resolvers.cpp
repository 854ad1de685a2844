#include "downloads/resolvers.h"

#include "core/files.h"
#include "core/settings.h"
#include "downloads/outsideLinks.h"
#include "downloads/sourceSites.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "platform/messageBox.h"

#include <QFile>

namespace downloads {

namespace {

// An empty text is found in any text that is not empty; in an empty text nothing is.
bool containsText(const QString &text, const QString &what)
{
    return !text.isEmpty() && text.contains(what, Qt::CaseInsensitive);
}

bool cancelled(http::Slot slot)
{
    return http::slotRecord(slot).state == http::SlotRecord::State::Cancelled;
}

int requestPage(const QString &address, const QString &referer, platform::SocketControl &socket,
                const QString &targetFile, http::Slot slot)
{
    return http::getUrl(address, referer, core::settings().userAgent, socket, targetFile, slot);
}

// Reports a failed page request; true when the page arrived. A cancel ends the track quietly.
bool pageArrived(int status, http::Slot slot)
{
    if (cancelled(slot))
        return false;
    if (status == 0) {
        platform::messageBox(socketErrorMessage());
        return false;
    }
    if (status != http::HTTP_OK) {
        platform::messageBox(http::httpErrorMessage(transferErrorText(), status));
        return false;
    }
    return true;
}
} // namespace

void downloadTrack(const QString &artist, const QString &track, const QString &source,
                   platform::SocketControl &socket, http::Slot slot)
{
    const auto &s = downloads::sourceSites();
    bool matched = false;
    // Each test on its own: an address naming two sites goes through both resolvers.
    if (containsText(source, s.epitonicDomain)) {
        matched = true;
        downloadFromEpitonic(artist, track, source, socket, slot);
    }
    if (containsText(source, s.downloadComDomain)) {
        matched = true;
        downloadFromDownloadCom(artist, track, source, socket, slot);
    }
    if (containsText(source, s.raveDomain)) {
        matched = true;
        downloadFromRave(artist, track, source, socket, slot);
    }
    if (containsText(source, s.shutEmDownDomain)) {
        matched = true;
        downloadFromShutEmDown(artist, track, source, socket, slot);
    }
    if (!matched) {
        QString fileAddress = source;
        transferTrackFile(artist, track, fileAddress, socket, slot, QString());
    }
}

void downloadFromEpitonic(const QString &artist, const QString &track, const QString &source,
                          platform::SocketControl &socket, http::Slot slot)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    const QString fileName = source.mid(slash + 1);
    if (fileName.isEmpty())
        return;
    const auto &s = downloads::sourceSites();
    QString fileAddress = s.epitonicCdnPrefix + fileName;
    transferTrackFile(artist, track, fileAddress, socket, slot, s.epitonicHome);
}

void downloadFromRave(const QString &artist, const QString &track, const QString &source,
                      platform::SocketControl &socket, http::Slot slot)
{
    static const QString marker = QStringLiteral("&track=");
    const qsizetype at = source.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return;
    const QString key = source.mid(at + marker.size());
    if (key.isEmpty())
        return;
    QString fileAddress = downloads::sourceSites().raveRedirectScript + key;
    transferTrackFile(artist, track, fileAddress, socket, slot, source);
}

void downloadFromShutEmDown(const QString &artist, const QString &track, const QString &source,
                            platform::SocketControl &socket, http::Slot slot)
{
    const auto &s = downloads::sourceSites();
    const QString page = core::settings().tempFolder + QStringLiteral("tmp_shutEmDown.html");
    // The first answer only sets the cookie the file request needs.
    const int status = requestPage(source, s.downloadComMusicHome, socket, page, slot);
    if (!pageArrived(status, slot))
        return;
    QFile::remove(page);
    QString fileAddress = source;
    transferTrackFile(artist, track, fileAddress, socket, slot, s.shutEmDownRefererPage);
}

void downloadFromDownloadCom(const QString &artist, const QString &track, const QString &source,
                             platform::SocketControl &socket, http::Slot slot)
{
    const QString page = core::settings().tempFolder + QStringLiteral("tmp_downloadCom.html");
    const int status = requestPage(source, downloads::webSearchAddress(artist), socket, page, slot);
    if (!pageArrived(status, slot))
        return;
    QString link = findRedirectLink(page, track);
    QFile::remove(page);
    if (link.isEmpty()) {
        platform::messageBox(QStringLiteral("I couldn't find that track,\r\nsomething went wrong.  Sorry."));
        return;
    }
    transferTrackFile(artist, track, link, socket, slot, source);
}

QString findRedirectLink(const QString &pagePath, const QString &trackTitle)
{
    QFile file(pagePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};

    const QString prefix = downloads::sourceSites().downloadComRedirectorPrefix;
    static const QString imageMarker = QStringLiteral("<img src=");
    bool titleSeen = false;
    bool collecting = false;
    bool done = false;
    QString buffer;
    QString result;

    while (!file.atEnd() && !done) {
        const QString line = core::readLineToLf(file);
        if (collecting) {
            const qsizetype marker = line.indexOf(imageMarker, 0, Qt::CaseInsensitive);
            if (marker >= 0) {
                // The two characters before the marker close the link; a marker at the very
                // start leaves nothing of this line to take.
                buffer += line.left(qMax<qsizetype>(marker - 2, 0));
                result = buffer;
                done = true;
                collecting = false;
            } else {
                buffer += line.left(qMax<qsizetype>(line.size() - 2, 0));
            }
        }
        if (!titleSeen && containsText(line, trackTitle))
            titleSeen = true;
        if (titleSeen && containsText(line, prefix)) {
            buffer = prefix;
            collecting = true;
        }
    }
    return result;
}

} // namespace downloads
