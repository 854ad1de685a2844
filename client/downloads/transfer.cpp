#include "downloads/transfer.h"

#include "core/files.h"
#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/eventPump.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>

#include <limits>

namespace downloads {

namespace {

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

void transferTrackFile(const QString &artist, const QString &track, QString &fileAddress,
                       platform::SocketControl &socket, http::Slot slot, const QString &referer)
{
    const QString stem = trackFileStem(artist, track);
    const QString tempFile = stem + QStringLiteral(".tmp");
    const QString finalFile = stem + QStringLiteral(".mp3");

    if (core::fileExists(finalFile)) {
        platform::messageBox(alreadyDownloadedMessage());
        return;
    }
    if (!fileNameUsable(tempFile)) {
        platform::messageBox(cannotSaveMessage(finalFile));
        return;
    }

    QString usedReferer = referer;
    if (usedReferer.isEmpty())
        usedReferer =
            QStringLiteral("http://") + http::hostFromUrl(fileAddress) + QStringLiteral("/index.html");

    fileAddress.replace(QLatin1Char(' '), QLatin1String("%20"));

    const int status =
        http::getUrl(fileAddress, usedReferer, core::settings().userAgent, socket, tempFile, slot);

    // A cancelled download is thrown away whatever had arrived; the user asked for nothing more.
    if (http::slotRecord(slot).state == http::SlotRecord::State::Cancelled) {
        QFile::remove(tempFile);
        return;
    }
    if (status == 0) {
        QFile::remove(tempFile);
        platform::messageBox(socketErrorMessage());
        return;
    }
    if (status != http::HTTP_OK) {
        QFile::remove(tempFile);
        platform::messageBox(http::httpErrorMessage(transferErrorText(), status));
        return;
    }

    platform::doEvents();
    // A rename never leaves half a file under the final name, and never replaces one.
    const bool saved =
        QFileInfo(tempFile).isFile() && !QFileInfo::exists(finalFile) && QFile::rename(tempFile, finalFile);
    if (!saved) {
        QFile::remove(tempFile);
        platform::messageBox(cannotSaveMessage(finalFile));
    }
    platform::doEvents();
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

    platform::doEvents();
}

void cancelDownload(const DownloadPanel &panel)
{
    http::cancel(panel.slot);
    if (panel.socket)
        panel.socket->close();
    if (panel.currentDownload)
        panel.currentDownload->clear();
}

} // namespace downloads
