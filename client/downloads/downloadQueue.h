#pragma once

#include <QList>
#include <QString>

#include <optional>

class QListWidget;

namespace downloads {

struct DownloadPanel;

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

    // True while a pump step works through a track of this queue.
    bool pumpStepRunning() const { return m_stepRunning; }

    // From now on every change is written to this file at once, the taken track first until its step
    // has ended (queueFile.cpp).
    void keepIn(const QString &path);
    bool isKept() const { return !m_filePath.isEmpty(); }

private:
    friend bool pumpDownloadQueue(const DownloadPanel &panel);
    void save() const;
    void endStep();

    QList<QueuedTrack> m_tracks;
    bool m_stepRunning = false;
    QString m_filePath;
    std::optional<QueuedTrack> m_running;
};

// Appends a track and redraws the list; a full queue drops it without a word.
void enqueueDownload(DownloadQueue &queue, const QueuedTrack &track, QListWidget &list);

// One tick of the download pump: when no download runs and a track waits, takes the oldest off
// the queue and downloads it to its end, with the progress timer running meanwhile. A tick that
// arrives while a step is still running does nothing, even when a cancel has already emptied
// the current-download text. Returns true when it ran a step.
bool pumpDownloadQueue(const DownloadPanel &panel);

} // namespace downloads
