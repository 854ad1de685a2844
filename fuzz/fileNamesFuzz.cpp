// Cache and file names made of network text (bytes read one to one as characters, as the reply
// readers do): the name never leaves its folder and is never empty. The input is "artist\ntrack".
#include "core/settings.h"
#include "downloads/transfer.h"
#include "fuzzSupport.h"
#include "media/artistPictures.h"

#include <QDir>

namespace {

// `path` names a file directly inside `folder` (which ends in '/'). Qt refuses any path that holds
// a NUL, so the whole text is what a file operation would use.
void requireInside(const QString &path, const QString &folder, const char *what)
{
    fuzz::require(path.startsWith(folder), what);
    const QString name = path.mid(folder.size());
    fuzz::require(!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."), what);
    fuzz::require(!name.contains(QLatin1Char('/')), what);
    fuzz::require(QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + QLatin1Char('/')), what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::start();
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype end = input.indexOf('\n');
    const QString artist = QString::fromLatin1(end < 0 ? input : input.first(end));
    const QString track = end < 0 ? QString() : QString::fromLatin1(input.sliced(end + 1));

    requireInside(media::artistCacheFile(artist), core::settings().imageCacheFolder, "artist cache file");
    const QString stem = downloads::trackFileStem(artist, track);
    requireInside(stem + QStringLiteral(".mp3"), core::settings().mp3Folder, "track file");
    requireInside(stem + QStringLiteral(".tmp"), core::settings().mp3Folder, "track temporary file");
    const QString safe = downloads::fileNameSafe(artist);
    fuzz::require(safe.size() == artist.size() && !safe.contains(QLatin1Char('/')), "file name safe");
    return 0;
}
