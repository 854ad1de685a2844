#pragma once

#include "http/httpAgent.h"

#include <QString>

namespace platform {
class SocketControl;
}

// Each known source site has its own way from a catalogue address to the MP3 file; the resolvers
// find the file address (fetching a page of the site where needed) and hand it to the transfer.
namespace downloads {

// Runs every resolver whose site's domain text occurs in the source address (in the order
// epitonic, download site, rave, shutemdown); any other address is fetched as the file itself.
void downloadTrack(const QString &artist, const QString &track, const QString &source,
                   platform::SocketControl &socket, http::Slot slot);

void downloadFromEpitonic(const QString &artist, const QString &track, const QString &source,
                          platform::SocketControl &socket, http::Slot slot);
void downloadFromDownloadCom(const QString &artist, const QString &track, const QString &source,
                             platform::SocketControl &socket, http::Slot slot);
void downloadFromRave(const QString &artist, const QString &track, const QString &source,
                      platform::SocketControl &socket, http::Slot slot);
void downloadFromShutEmDown(const QString &artist, const QString &track, const QString &source,
                            platform::SocketControl &socket, http::Slot slot);

// The redirector link that follows the track title in a saved page of the download site, or an
// empty text.
QString findRedirectLink(const QString &pagePath, const QString &trackTitle);

} // namespace downloads
