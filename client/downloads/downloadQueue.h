#pragma once

#include "downloads/transfer.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QListWidget;

namespace downloads {

// One track waiting for the download connection.
struct QueuedTrack
{
    QString artist;
    QString track;
    QString source;
};

// The first-in, first-out queue of tracks waiting for the download connection: at most 99,
// further tracks are dropped without a word.
class DownloadQueue
{
public:
    static constexpr int MAX_TRACKS = 99;

    void add(const QueuedTrack &track);
    // The oldest track, taken off the queue (the file keeps it first until its step has ended); an
    // empty track when the queue is empty.
    QueuedTrack takeFirst();
    void clear()
    {
        m_tracks.clear();
        save();
    }
    bool isEmpty() const { return m_tracks.isEmpty(); }
    int count() const { return int(m_tracks.size()); }
    const QueuedTrack &at(int index) const { return m_tracks.at(index); }

    // True while the pump works through this queue.
    bool pumpStepRunning() const { return m_stepRunning; }

    // From now on every change is written to this file at once, the taken track first until its step
    // has ended (queueFile.cpp).
    void keepIn(const QString &path);
    bool isKept() const { return !m_filePath.isEmpty(); }

private:
    friend class DownloadPump;
    void save() const;
    void endStep();

    QList<QueuedTrack> m_tracks;
    bool m_stepRunning = false;
    QString m_filePath;
    std::optional<QueuedTrack> m_running;
};

// Appends a track and redraws the list; a full queue drops it without a word.
void enqueueDownload(DownloadQueue &queue, const QueuedTrack &track, QListWidget &list);

// Downloads the panel's queue one track at a time, oldest first, showing each in the panel while
// it runs. Owned by the main window; its loop touches nothing once the pump has gone.
class DownloadPump : public QObject
{
    Q_OBJECT
public:
    DownloadPump(const DownloadPanel &panel, QObject *parent);
    ~DownloadPump() override;

    // Starts the loop when a track waits; a tick that comes while it runs starts nothing.
    void wake();
    // Ends the current track at whatever step it is and empties the current-download text.
    void cancel();

private:
    QCoro::Task<> run();

    DownloadPanel m_panel;
    TrackJob *m_job = nullptr; // the current track's, while one runs
};

} // namespace downloads
