#include "downloads/downloadQueue.h"

#include "downloads/resolvers.h"
#include "platform/shutdown.h"
#include "platform/socketControl.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
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

DownloadPump::DownloadPump(const DownloadPanel &panel, QObject *parent) : QObject(parent), m_panel(panel)
{
    // Quitting ends the current track like a cancel: nothing of it is kept.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        if (m_job)
            m_job->cancel();
    });
}

DownloadPump::~DownloadPump()
{
    if (m_job)
        m_job->cancel();
}

void DownloadPump::wake()
{
    if (!m_panel.queue || m_panel.queue->m_stepRunning || m_panel.queue->isEmpty() ||
        !m_panel.currentDownload || !m_panel.queueList || !m_panel.socket)
        return;
    run();
}

void DownloadPump::cancel()
{
    if (m_job)
        m_job->cancel();
    else
        http::cancel(m_panel.slot);
    if (m_panel.socket)
        m_panel.socket->close();
    if (m_panel.currentDownload)
        m_panel.currentDownload->clear();
}

QCoro::Task<> DownloadPump::run()
{
    const QPointer<DownloadPump> pump(this);
    const DownloadPanel &panel = m_panel;
    DownloadQueue &queue = *panel.queue;
    queue.m_stepRunning = true;
    while (!queue.isEmpty()) {
        const QueuedTrack next = queue.takeFirst();
        // The job exists before the track shows, so a cancel from then on ends it.
        TrackJob job(*panel.socket, panel.slot);
        m_job = &job;
        const QString shown = next.artist + QStringLiteral(" - ") + next.track;
        connect(&job, &TrackJob::notice, this, [&panel, shown](const QString &text) {
            panel.currentDownload->setText(text.isEmpty() ? shown : text);
        });
        panel.currentDownload->setText(shown);
        showQueue(queue, *panel.queueList);

        setProgress(panel, 0);
        if (panel.progressTimer)
            panel.progressTimer->start();
        // No cookie of an earlier track may reach this one's site.
        http::forgetSlotHistory(panel.slot);

        co_await downloadTrack(next.artist, next.track, next.source, job);
        // The window, and with it the queue and the panel, may have gone meanwhile.
        if (!pump)
            co_return;
        m_job = nullptr;

        if (panel.progressTimer)
            panel.progressTimer->stop();
        setProgress(panel, 0);
        if (panel.rateText)
            panel.rateText->clear();
        if (panel.kilobytesText)
            panel.kilobytesText->clear();
        panel.currentDownload->clear();
        http::forgetSlotHistory(panel.slot);
        queue.endStep();
        // A closing program keeps the track in the queue file and starts no other.
        if (platform::shutdownRequested())
            break;
    }
    queue.m_stepRunning = false;
}

} // namespace downloads
