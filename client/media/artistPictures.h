#pragma once

#include <QString>

class QLabel;
class QTreeWidget;

namespace platform {
class ImageList;
class SocketControl;
} // namespace platform

namespace localMedia {

// Shows the artist's picture in the box, from the cache or fetched once into it; for a duo
// written "A & B" without a picture of its own, A's picture. Never reports a failure.
void showArtistPicture(const QString &artist, QLabel &pictureBox, platform::SocketControl &socket, int slot);

// imageCacheFolder + the name without the characters a file name may not carry + ".jpg".
QString artistCacheFile(const QString &artist);

} // namespace localMedia

// The genre-artists tree of the recommendations panel.
namespace guiRepositioning {

// Fills genreSelection with the recommended artists of one genre group (categories 1..3).
void selectGenreArtists(int group);

// Adds every chosen artist with its picture; true when it has been through the list.
bool loadGenreArtists(platform::SocketControl &socket, QTreeWidget &tree, platform::ImageList &images,
                      int slot);

// Fetches the artist's picture if needed and adds it to the list and the tree; false when the
// artist could not be added (a message says why when the server or the connection failed).
bool addGenreArtist(const QString &artist, platform::SocketControl &socket, QTreeWidget &tree,
                    platform::ImageList &images, int slot);

} // namespace guiRepositioning
