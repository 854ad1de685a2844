#include "downloads/downloadQueue.h"

#include "downloads/resolvers.h"
#include "downloads/transfer.h"
#include "platform/eventPump.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

namespace downloads {

namespace {
void setProgress(const DownloadPanel &panel, int value)
{
    if (panel.progressBar)
        panel.progressBar->setValue(value);
}

void showQueue(const DownloadQueue &queue, QListWidget &list)
{
    list.clear();
    for (int i = 0; i < queue.count(); ++i)
        list.addItem(queue.at(i).artist + QStringLiteral(" - ") + queue.at(i).track);
}
} // namespace

void DownloadQueue::add(const QueuedTrack &track)
{
    if (m_tracks.size() >= MAX_TRACKS)
        return;
    m_tracks.append(track);
    save();
}

QueuedTrack DownloadQueue::takeFirst()
{
    if (m_tracks.isEmpty())
        return {};
    m_running = m_tracks.takeFirst();
    save();
    return *m_running;
}

void enqueueDownload(DownloadQueue &queue, const QueuedTrack &track, QListWidget &list)
{
    if (queue.count() >= DownloadQueue::MAX_TRACKS)
        return;
    queue.add(track);
    showQueue(queue, list);
}

bool pumpDownloadQueue(const DownloadPanel &panel)
{
    if (!panel.queue || panel.queue->m_stepRunning || !panel.currentDownload || !panel.queueList ||
        !panel.socket)
        return false;
    DownloadQueue &queue = *panel.queue;
    if (!panel.currentDownload->text().isEmpty() || queue.isEmpty())
        return false;
    queue.m_stepRunning = true;

    const QueuedTrack next = queue.takeFirst();
    panel.currentDownload->setText(next.artist + QStringLiteral(" - ") + next.track);
    showQueue(queue, *panel.queueList);
    platform::doEvents();

    setProgress(panel, 0);
    if (panel.progressTimer)
        panel.progressTimer->start();
    // No cookie of an earlier track may reach this one's site.
    http::forgetSlotHistory(panel.slot);

    downloadTrack(next.artist, next.track, next.source, *panel.socket, panel.slot);

    if (panel.progressTimer)
        panel.progressTimer->stop();
    setProgress(panel, 0);
    if (panel.rateText)
        panel.rateText->clear();
    if (panel.kilobytesText)
        panel.kilobytesText->clear();
    panel.currentDownload->clear();
    http::forgetSlotHistory(panel.slot);
    setProgress(panel, 0);

    queue.endStep();
    return true;
}

} // namespace downloads
