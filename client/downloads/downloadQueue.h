#pragma once

#include <QString>

class QListWidget;

namespace handleDownloads {
struct DownloadPanel;
}

// The first-in, first-out queue of tracks waiting for the download connection.
namespace handleDownloads {

// Appends a track and redraws the list; a full queue (99 entries) drops it without a word.
void enqueueDownload(const QString &artist, const QString &track, const QString &source, QListWidget &list);

// Removes the oldest entry and redraws the list.
void dequeueDownload(QListWidget &list);

// Fields of the oldest entry, or empty texts when the queue is empty.
QString peekDownloadArtist();
QString peekDownloadTrack();
QString peekDownloadSource();

// One tick of the download pump: when no download runs and a track waits, takes the oldest off
// the queue and downloads it to its end, with the progress timer running meanwhile. A tick that
// arrives while a step is still running does nothing, even when a cancel has already emptied
// the current-download text. Returns true when it ran a step.
bool pumpDownloadQueue(const DownloadPanel &panel);

// True while a pump step runs.
bool pumpStepRunning();

} // namespace handleDownloads
