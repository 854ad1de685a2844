#pragma once

#include <QString>

class QListWidget;

// The music library: the MP3 files in one folder, each listed as "artist - track".
namespace media {

// Clears the list and fills it with the entries the folder holds now, in the folder's order.
void loadLibrary(const QString &folder, QListWidget &list);

// The text before the first " - ", or empty when there is none.
QString artistFromEntry(const QString &entry);
// Everything after the first " - " (it may hold more " - "), or empty when there is none.
QString trackFromEntry(const QString &entry);

} // namespace media
