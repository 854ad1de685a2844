#include "media/library.h"

#include "core/files.h"

#include <QListWidget>

namespace media {

namespace {
const QLatin1String entrySeparator(" - ");
}

void loadLibrary(const QString &folder, QListWidget &list)
{
    list.clear();
    const QStringList names = core::folderFileNames(folder);
    for (const QString &name : names) {
        if (!name.contains(QLatin1String(".mp3"), Qt::CaseInsensitive))
            continue;
        // Whatever the last four characters are, they go: "x.mp3.bak" lists as "x.mp3".
        const QString base = name.left(name.size() - 4);
        const QString artist = artistFromEntry(base);
        const QString track = trackFromEntry(base);
        if (!artist.isEmpty() && !track.isEmpty())
            list.addItem(artist + entrySeparator + track);
    }
}

QString artistFromEntry(const QString &entry)
{
    const qsizetype at = entry.indexOf(entrySeparator);
    return at < 0 ? QString() : entry.left(at);
}

QString trackFromEntry(const QString &entry)
{
    const qsizetype at = entry.indexOf(entrySeparator);
    return at < 0 ? QString() : entry.mid(at + entrySeparator.size());
}

} // namespace media
