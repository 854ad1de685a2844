#include "downloads/downloadQueue.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/resolvers.h"
#include "downloads/transfer.h"
#include "platform/eventPump.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

namespace handleDownloads {

namespace {
using namespace appGlobals;

bool stepRunning = false;

void setProgress(const DownloadPanel &panel, int value)
{
    if (panel.progressBar)
        panel.progressBar->setValue(value);
}

void redraw(QListWidget &list)
{
    list.clear();
    for (int i = 1; i <= downloadCount; ++i)
        list.addItem(downloadQueueArtist[i] + QStringLiteral(" - ") + downloadQueueTrack[i]);
}

void emptyPlace(int place)
{
    downloadQueueArtist[place].clear();
    downloadQueueTrack[place].clear();
    downloadQueueSource[place].clear();
}
} // namespace

void enqueueDownload(const QString &artist, const QString &track, const QString &source, QListWidget &list)
{
    if (downloadCount >= DOWNLOAD_QUEUE_MAX)
        return;
    ++downloadCount;
    downloadQueueArtist[downloadCount] = artist;
    downloadQueueTrack[downloadCount] = track;
    downloadQueueSource[downloadCount] = source;
    redraw(list);
}

void dequeueDownload(QListWidget &list)
{
    if (downloadCount < 1)
        return;
    emptyPlace(1);
    // Place 100 is read when 99 entries wait; it is never written, so it is always empty.
    for (int i = 1; i <= downloadCount && i + 1 < DOWNLOAD_QUEUE_SLOTS; ++i) {
        downloadQueueArtist[i] = downloadQueueArtist[i + 1];
        downloadQueueTrack[i] = downloadQueueTrack[i + 1];
        downloadQueueSource[i] = downloadQueueSource[i + 1];
    }
    emptyPlace(downloadCount);
    --downloadCount;
    redraw(list);
}

QString peekDownloadArtist()
{
    return downloadCount < 1 ? QString() : downloadQueueArtist[1];
}

QString peekDownloadTrack()
{
    return downloadCount < 1 ? QString() : downloadQueueTrack[1];
}

QString peekDownloadSource()
{
    return downloadCount < 1 ? QString() : downloadQueueSource[1];
}

bool pumpStepRunning()
{
    return stepRunning;
}

bool pumpDownloadQueue(const DownloadPanel &panel)
{
    if (stepRunning || !panel.currentDownload || !panel.queueList || !panel.socket)
        return false;
    if (!panel.currentDownload->text().isEmpty() || downloadCount < 1)
        return false;
    stepRunning = true;

    const QString artist = peekDownloadArtist();
    const QString track = peekDownloadTrack();
    const QString source = peekDownloadSource();
    panel.currentDownload->setText(artist + QStringLiteral(" - ") + track);
    dequeueDownload(*panel.queueList);
    platform::doEvents();

    setProgress(panel, 0);
    if (panel.progressTimer)
        panel.progressTimer->start();
    if (httpGlobals::isValidSlot(panel.slot)) {
        // No cookie of an earlier track may reach this one's site.
        httpGlobals::slotBytesReceived[panel.slot] = 0;
        httpGlobals::slotCookie[panel.slot].clear();
    }

    downloadTrack(artist, track, source, *panel.socket, panel.slot);

    if (panel.progressTimer)
        panel.progressTimer->stop();
    setProgress(panel, 0);
    if (panel.rateText)
        panel.rateText->clear();
    if (panel.kilobytesText)
        panel.kilobytesText->clear();
    panel.currentDownload->clear();
    if (httpGlobals::isValidSlot(panel.slot))
        httpGlobals::slotBytesReceived[panel.slot] = 0;
    setProgress(panel, 0);

    stepRunning = false;
    return true;
}

} // namespace handleDownloads
