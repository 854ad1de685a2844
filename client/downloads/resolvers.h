#pragma once

#include "downloads/transfer.h"

#include <QCoro/QCoroTask>
#include <QString>

// Each known source site has its own way from a catalogue address to the MP3 file; the resolvers
// find the file address (fetching a page of the site where needed) and hand it to the transfer.
namespace downloads {

// Runs every resolver whose site's domain text occurs in the source address (in the order
// epitonic, download site, rave, shutemdown) until the job is stopped; any other address is
// fetched as the file itself.
QCoro::Task<> downloadTrack(QString artist, QString track, QString source, TrackJob &job);

// Each fetches the site's pages it needs, then the file; a stopped job fetches nothing more.
QCoro::Task<> downloadFromEpitonic(QString artist, QString track, QString source, TrackJob &job);
QCoro::Task<> downloadFromDownloadCom(QString artist, QString track, QString source, TrackJob &job);
QCoro::Task<> downloadFromRave(QString artist, QString track, QString source, TrackJob &job);
QCoro::Task<> downloadFromShutEmDown(QString artist, QString track, QString source, TrackJob &job);

// The redirector link that follows the track title in a saved page of the download site, or an
// empty text.
QString findRedirectLink(const QString &pagePath, const QString &trackTitle);

} // namespace downloads
