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

// Reports a failed page request; true when the page arrived. A stopped track ends quietly.
bool pageArrived(const http::Outcome &outcome)
{
    if (outcome.kind == http::Outcome::Kind::Cancelled)
        return false;
    if (!outcome.ok())
        reportFailedFetch(outcome);
    return outcome.ok();
}
} // namespace

QCoro::Task<> downloadTrack(QString artist, QString track, QString source, TrackJob &job)
{
    const auto &s = downloads::sourceSites();
    bool matched = false;
    // Each test on its own: an address naming two sites goes through both resolvers, unless the
    // first was cancelled.
    if (containsText(source, s.epitonicDomain)) {
        matched = true;
        co_await downloadFromEpitonic(artist, track, source, job);
    }
    if (containsText(source, s.downloadComDomain) && !job.stopped()) {
        matched = true;
        co_await downloadFromDownloadCom(artist, track, source, job);
    }
    if (containsText(source, s.raveDomain) && !job.stopped()) {
        matched = true;
        co_await downloadFromRave(artist, track, source, job);
    }
    if (containsText(source, s.shutEmDownDomain) && !job.stopped()) {
        matched = true;
        co_await downloadFromShutEmDown(artist, track, source, job);
    }
    if (!matched)
        co_await transferTrackFile(artist, track, source, job, QString());
}

QCoro::Task<> downloadFromEpitonic(QString artist, QString track, QString source, TrackJob &job)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        co_return;
    const QString fileName = source.mid(slash + 1);
    if (fileName.isEmpty())
        co_return;
    const auto &s = downloads::sourceSites();
    co_await transferTrackFile(artist, track, s.epitonicCdnPrefix + fileName, job, s.epitonicHome);
}

QCoro::Task<> downloadFromRave(QString artist, QString track, QString source, TrackJob &job)
{
    static const QString marker = QStringLiteral("&track=");
    const qsizetype at = source.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        co_return;
    const QString key = source.mid(at + marker.size());
    if (key.isEmpty())
        co_return;
    co_await transferTrackFile(artist, track, downloads::sourceSites().raveRedirectScript + key, job, source);
}

QCoro::Task<> downloadFromShutEmDown(QString artist, QString track, QString source, TrackJob &job)
{
    const auto &s = downloads::sourceSites();
    const QString page = core::settings().tempFolder + QStringLiteral("tmp_shutEmDown.html");
    // The first answer only sets the cookie the file request needs.
    const http::Outcome outcome = co_await fetchForTrack(job, source, s.downloadComMusicHome, page);
    if (!pageArrived(outcome))
        co_return;
    QFile::remove(page);
    co_await transferTrackFile(artist, track, source, job, s.shutEmDownRefererPage);
}

QCoro::Task<> downloadFromDownloadCom(QString artist, QString track, QString source, TrackJob &job)
{
    const QString page = core::settings().tempFolder + QStringLiteral("tmp_downloadCom.html");
    const http::Outcome outcome =
        co_await fetchForTrack(job, source, downloads::webSearchAddress(artist), page);
    if (!pageArrived(outcome))
        co_return;
    const QString link = findRedirectLink(page, track);
    QFile::remove(page);
    if (link.isEmpty()) {
        platform::messageBox(QStringLiteral("I couldn't find that track,\r\nsomething went wrong.  Sorry."));
        co_return;
    }
    co_await transferTrackFile(artist, track, link, job, source);
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
