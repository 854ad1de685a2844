#pragma once

#include "http/httpAgent.h"

#include <QCoro/QCoroTask>

#include <QString>
#include <QStringList>

class QLabel;
class QTreeWidget;

namespace platform {
class ImageList;
class SocketControl;
} // namespace platform

namespace media {

// Shows the artist's picture in the box, from the cache or fetched once into it; for a duo
// written "A & B" without a picture of its own, A's picture. Never reports a failure. A newer
// request for the same slot wins: the older one shows nothing more. The box may go meanwhile.
QCoro::Task<> showArtistPicture(QString artist, QLabel &pictureBox, platform::SocketControl &socket,
                                http::Slot slot);

// imageCacheFolder + the name without the characters a file name may not carry + ".jpg".
QString artistCacheFile(const QString &artist);

// The genre-artists tree of the recommendations panel: adds every artist with its picture, one
// after the other, each picture fetched once into the cache. A picture that cannot be had is told
// and skipped; a cancel ends the fill, as does the tree going.
QCoro::Task<> loadGenreArtists(QStringList artists, platform::SocketControl &socket, QTreeWidget &tree,
                               platform::ImageList &images, http::Slot slot);

} // namespace media
