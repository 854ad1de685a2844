#include "media/artistPictures.h"

#include "core/files.h"
#include "core/settings.h"
#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"
#include "platform/imageList.h"
#include "platform/messageBox.h"
#include "platform/socketControl.h"

#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QTreeWidget>

namespace {

// A file that does not decode as a picture is no picture: it is removed so it is fetched again.
bool readPicture(const QString &file, QPixmap &picture)
{
    if (picture.load(file))
        return true;
    QFile::remove(file);
    return false;
}

void showInBox(QLabel &box, const QPixmap &picture)
{
    const QSize room = box.contentsRect().size();
    box.setPixmap(room.isEmpty() ? picture
                                 : picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// Steps 2 to 5 for one name: true once the box shows a picture, or when nothing more should be tried.
enum class Outcome { Shown, NotAvailable, Stop };

// The newest picture request of each slot; an older one that finds itself behind shows nothing more.
QHash<http::Slot, quint64> &pictureRequests()
{
    static QHash<http::Slot, quint64> requests;
    return requests;
}

QCoro::Task<Outcome> showOne(QString name, QPointer<QLabel> box, platform::SocketControl &socket,
                             http::Slot slot, quint64 request)
{
    const QString cacheFile = media::artistCacheFile(name);
    QPixmap picture;
    if (core::fileExists(cacheFile) && readPicture(cacheFile, picture)) {
        showInBox(*box, picture);
        co_return Outcome::Shown;
    }
    const QString address =
        core::settings().artistImagesBaseUrl + downloads::encodeQueryText(name) + QStringLiteral(".jpg");
    const http::Outcome fetched = co_await http::fetchUrl(
        address, core::settings().serverBaseUrl, core::settings().userAgent, socket, cacheFile, slot);
    if (fetched.stopped() || !box || request != pictureRequests().value(slot))
        co_return Outcome::Stop;
    if (!fetched.ok())
        co_return Outcome::NotAvailable;
    if (!readPicture(cacheFile, picture))
        co_return Outcome::Stop;
    showInBox(*box, picture);
    co_return Outcome::Shown;
}

// Fetches the artist's picture into the cache unless it is there; a failure is told and the fill
// goes on with the next artist. False when the fill is over: the request was taken over or
// cancelled.
QCoro::Task<bool> fetchGenreArtistPicture(QString artist, platform::SocketControl &socket, http::Slot slot)
{
    // The same cache name as the single pictures: a name from the server never leaves the cache folder.
    const QString cacheFile = media::artistCacheFile(artist);
    if (core::fileExists(cacheFile))
        co_return true;
    QString encoded = artist;
    encoded.replace(QLatin1Char(' '), QLatin1String("%20"));
    const QString address = core::settings().artistImagesBaseUrl + encoded + QStringLiteral(".jpg");
    const http::Outcome fetched = co_await http::fetchUrl(
        address, core::settings().serverBaseUrl, core::settings().userAgent, socket, cacheFile, slot);
    if (fetched.stopped())
        co_return false;
    if (fetched.status == 0)
        platform::messageBox(QStringLiteral("A Socket error occurred while retrieving artist image"));
    else if (fetched.status != http::HTTP_OK)
        platform::messageBox(http::httpErrorMessage(
            QStringLiteral("An error occurred while retrieving artist image"), fetched.status));
    co_return true;
}

// Adds the cached picture to the list and the artist to the tree; nothing when there is no
// picture or the name is already a key.
void addGenreArtist(const QString &artist, QTreeWidget &tree, platform::ImageList &images)
{
    const QString cacheFile = media::artistCacheFile(artist);
    QPixmap picture;
    if (!core::fileExists(cacheFile) || !readPicture(cacheFile, picture))
        return;
    if (!images.add(artist, picture))
        return;
    platform::attachImageList(tree, images);
    platform::addTreeNode(tree, artist, artist, &images, artist);
}

} // namespace

namespace media {

QString artistCacheFile(const QString &artist)
{
    return core::settings().imageCacheFolder + core::stripFileNameChars(artist) + QStringLiteral(".jpg");
}

QCoro::Task<> showArtistPicture(QString artist, QLabel &pictureBox, platform::SocketControl &socket,
                                http::Slot slot)
{
    const quint64 request = ++pictureRequests()[slot];
    const QPointer<QLabel> box(&pictureBox);
    box->clear();
    if (co_await showOne(artist, box, socket, slot, request) != Outcome::NotAvailable)
        co_return;
    const int duo = artist.indexOf(QLatin1String(" & "));
    if (duo < 0)
        co_return;
    // The first name of a duo, up to and including the blank before "&".
    const QString first = artist.left(duo + 1).trimmed();
    if (!first.isEmpty())
        co_await showOne(first, box, socket, slot, request);
}

QCoro::Task<> loadGenreArtists(QStringList artists, platform::SocketControl &socket, QTreeWidget &tree,
                               platform::ImageList &images, http::Slot slot)
{
    const QPointer<QTreeWidget> treeGuard(&tree);
    const QPointer<platform::ImageList> imagesGuard(&images);
    for (const QString &artist : artists) {
        if (artist.isEmpty())
            continue;
        if (!co_await fetchGenreArtistPicture(artist, socket, slot) || !treeGuard || !imagesGuard)
            co_return;
        addGenreArtist(artist, tree, images);
    }
}

} // namespace media
