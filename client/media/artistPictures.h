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

// The genre-artists tree of the recommendations panel: adds every artist with its picture;
// true when it has been through the list.
bool loadGenreArtists(const QStringList &artists, platform::SocketControl &socket, QTreeWidget &tree,
                      platform::ImageList &images, http::Slot slot);

// Fetches the artist's picture if needed and adds it to the list and the tree; false when the
// artist could not be added (a message says why when the server or the connection failed).
bool addGenreArtist(const QString &artist, platform::SocketControl &socket, QTreeWidget &tree,
                    platform::ImageList &images, http::Slot slot);

} // namespace media
