#include "downloads/transfer.h"

#include "core/files.h"
#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/messageBox.h"
#include "platform/signalWait.h"
#include "platform/socketControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>

#include <limits>

namespace downloads {

namespace {

constexpr int MAX_RETRIES = 3;
int firstRetryPauseMs = 2000;

QString crlf()
{
    return QStringLiteral("\r\n");
}

QString cannotSaveMessage(const QString &path)
{
    return transferErrorText() + crlf() + QStringLiteral("The file could not be saved as ") +
           QDir::toNativeSeparators(path);
}

// A name that comes from the network must stay a plain file in the music folder and be one the
// file system accepts; trying to create the temporary file finds out the latter.
bool fileNameUsable(const QString &tempFile)
{
    if (tempFile.contains(QChar(0)))
        return false;
    const QFileInfo info(tempFile);
    if (QDir::cleanPath(info.absolutePath()) !=
        QDir::cleanPath(QDir(core::settings().mp3Folder).absolutePath()))
        return false;
    QFile probe(tempFile);
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}
} // namespace

QString socketErrorMessage()
{
    return QStringLiteral("A Socket error occurred while downloading");
}

void reportFailedFetch(const http::Outcome &outcome)
{
    platform::messageBox(outcome.status == 0 ? socketErrorMessage()
                                             : http::httpErrorMessage(transferErrorText(), outcome.status));
}

QString alreadyDownloadedMessage()
{
    return QStringLiteral("This track has already been downloaded.") + crlf() +
           QStringLiteral("If you want this file instead, delete the old one.");
}

QString transferErrorText()
{
    return QStringLiteral("An error occurred while downloading");
}

QString fileNameSafe(const QString &text)
{
    QString safe = text;
    for (const QChar c : {u'/', u'\\', u'?', u'*', u':', u'|', u'>'})
        safe.replace(c, QLatin1Char('-'));
    return safe;
}

QString trackFileStem(const QString &artist, const QString &track)
{
    return core::settings().mp3Folder + fileNameSafe(artist) + QStringLiteral(" - ") + fileNameSafe(track);
}

void TrackJob::cancel()
{
    m_stopped = true;
    if (!m_keptFile.isEmpty())
        QFile::remove(m_keptFile);
    http::cancel(m_slot);
    if (m_socket)
        m_socket->close();
    Q_EMIT cancelled();
}

QCoro::Task<http::Outcome> fetchForTrack(TrackJob &job, QString url, QString referer, QString targetFile,
                                         bool resumable)
{
    using Kind = http::Outcome::Kind;
    http::Range range{0, {}, resumable};
    // Failures in a row since the last one that got further; a link that keeps dropping costs pauses,
    // not the track, as long as each try adds bytes.
    int failures = 0;
    while (!job.stopped()) {
        const http::Outcome outcome = co_await http::fetchUrl(url, referer, core::settings().userAgent,
                                                              *job.socket(), targetFile, job.slot(), range);
        if (outcome.stopped())
            job.stop();
        // A cancel that came after the last byte but before this resumed still ends the track.
        if (job.stopped())
            break;
        const bool answered = outcome.kind == Kind::Done;
        if (range.from > 0 && answered && outcome.status == http::HTTP_PARTIAL_CONTENT)
            co_return http::Outcome{Kind::Done, http::HTTP_OK, outcome.contentLength, outcome.cookie};
        // A resume the server would not serve starts over.
        const bool refusedRange = range.from > 0 && answered && !outcome.ok();
        const bool mayPass = outcome.status == 0 || outcome.status / 100 == 5 || refusedRange;
        const QString validator = http::slotRecord(job.slot()).rangeValidator;
        const qint64 kept =
            resumable && !refusedRange && !validator.isEmpty() ? QFileInfo(targetFile).size() : 0;
        failures = kept > range.from ? 1 : failures + 1;
        if (!mayPass || failures > MAX_RETRIES)
            co_return outcome;

        range.validator = validator;
        range.from = kept;
        if (range.from == 0)
            QFile::remove(targetFile);
        job.keepUntilCancel(targetFile);
        const int step = failures - 1;
        Q_EMIT job.notice(QStringLiteral("retrying in %1 s\u2026").arg(2 << step));
        // A cancel ends the pause; one that came as it was shown has ended it already.
        if (!job.stopped())
            co_await platform::SignalWait(&job, &TrackJob::cancelled, firstRetryPauseMs << step);
        if (!job.stopped())
            Q_EMIT job.notice(QString());
    }
    QFile::remove(targetFile);
    co_return http::Outcome{Kind::Cancelled, 0, 0, {}};
}

void setFirstRetryPause(int ms)
{
    firstRetryPauseMs = qMax(1, ms);
}

QCoro::Task<> transferTrackFile(QString artist, QString track, QString fileAddress, TrackJob &job,
                                QString referer)
{
    if (job.stopped())
        co_return;
    const QString stem = trackFileStem(artist, track);
    const QString tempFile = stem + QStringLiteral(".tmp");
    const QString finalFile = stem + QStringLiteral(".mp3");

    if (core::fileExists(finalFile)) {
        platform::messageBox(alreadyDownloadedMessage());
        co_return;
    }
    if (!fileNameUsable(tempFile)) {
        platform::messageBox(cannotSaveMessage(finalFile));
        co_return;
    }

    if (referer.isEmpty())
        referer = QStringLiteral("http://") + http::hostFromUrl(fileAddress) + QStringLiteral("/index.html");
    fileAddress.replace(QLatin1Char(' '), QLatin1String("%20"));

    const http::Outcome outcome = co_await fetchForTrack(job, fileAddress, referer, tempFile, true);
    // A stopped download is thrown away whatever had arrived; the user asked for nothing more.
    if (outcome.kind == http::Outcome::Kind::Cancelled)
        co_return;
    if (!outcome.ok()) {
        QFile::remove(tempFile);
        reportFailedFetch(outcome);
        co_return;
    }

    // A rename never leaves half a file under the final name, and never replaces one.
    const bool saved =
        QFileInfo(tempFile).isFile() && !QFileInfo::exists(finalFile) && QFile::rename(tempFile, finalFile);
    if (!saved) {
        QFile::remove(tempFile);
        platform::messageBox(cannotSaveMessage(finalFile));
    }
}

QString thousandsText(qint64 bytes)
{
    if (bytes <= 0)
        return {};
    const qint64 whole = bytes / 1000;
    const qint64 fraction = bytes % 1000;
    QString text = whole > 0 ? QString::number(whole) : QString();
    if (fraction > 0) {
        QString decimals = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (decimals.endsWith(QLatin1Char('0')))
            decimals.chop(1);
        text += QLatin1Char('.') + decimals;
    }
    return text;
}

void showTransferProgress(const DownloadPanel &panel, qint64 &lastBytes)
{
    const http::SlotRecord &record = http::slotRecord(panel.slot);
    const qint64 received = record.bytesReceived;
    const qint64 length = record.contentLength;

    if (!record.lengthUnknown && panel.progressBar) {
        // The bar counts in int; very large files are shown in coarser steps.
        const qint64 scale = length / std::numeric_limits<int>::max() + 1;
        if (length > 0)
            panel.progressBar->setMaximum(int(length / scale));
        if (received > 0 && received < length)
            panel.progressBar->setValue(int(received / scale));
    }

    const qint64 delta = received - lastBytes;
    lastBytes = received;
    if (delta > 0 && panel.rateText)
        panel.rateText->setText(thousandsText(delta));

    const qint64 kilobytes = received / 1024;
    if (kilobytes > 0 && panel.kilobytesText)
        panel.kilobytesText->setText(QString::number(kilobytes));
}

} // namespace downloads
