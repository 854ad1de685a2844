#pragma once

#include "downloads/downloadQueue.h"

#include <QList>
#include <QString>

#include <optional>

class QListWidget;

namespace downloads {

// The download queue kept on disk between runs, as JSON:
//   {"version": 1, "tracks": [{"artist": "...", "track": "...", "source": "..."}, ...]}
// JSON because names and addresses are free text (commas, quotes, tabs): Qt escapes them, and a file
// cut short or garbled fails as a whole instead of yielding half a queue. The running track stays
// first until it has ended, so a run that ends mid-track finds it at the head next time.
namespace queueFile {

// "downloadQueue.json" in the program's data folder.
QString path();

// The tracks in the file, in order; none when there is no file. Nothing when the file cannot be read
// or is not a queue file of this version.
std::optional<QList<QueuedTrack>> read(const QString &path);

// By way of a temporary file renamed over the old one: a crash leaves the old queue or the new one,
// never a mix. False when that failed; the old file stays then.
bool write(const QString &path, const QList<QueuedTrack> &tracks);

// Renames a file out of the way, to "<path>.damaged-<date and time>"; the new name, empty on failure.
QString setAside(const QString &path);

} // namespace queueFile

// After a connect: puts the saved tracks back on the queue, in order, and from then on keeps the file
// in step with every change. A damaged file is set aside with a message. Once per queue.
void restoreDownloadQueue(DownloadQueue &queue, QListWidget &list);

} // namespace downloads
