#pragma once

#include "downloads/outsideLinks.h"
#include "http/httpAgent.h"

#include <QCoro/QCoroTask>
#include <QString>

class QLabel;
class QSlider;
class QTimer;

namespace platform {
class MediaPlayerControl;
class SocketControl;
class WebBrowserControl;
} // namespace platform

// Playing one library entry at a time, and the display that follows the player.
namespace media {

// Ends whatever plays, opens and plays the entry's file from the MP3 folder, shows artist and
// track, then the shop suggestions and the artist's picture. Reports nothing: a file that is
// gone leaves the player closed and the times at zero. A later call takes over at once; the
// earlier one then does nothing more.
QCoro::Task<> playEntry(QString entry, QString mp3Folder, downloads::ShopSuggestions &shop,
                        platform::WebBrowserControl &shopBrowser, platform::MediaPlayerControl &player,
                        QTimer &positionTimer, QSlider &slider, QLabel &artistLabel, QLabel &trackLabel,
                        QLabel &pictureBox, platform::SocketControl &socket, http::Slot imageSlot);

void resumePlayback(platform::MediaPlayerControl &player, QTimer &positionTimer);
void pausePlayback(platform::MediaPlayerControl &player, QTimer &positionTimer);
void stopPlayback(platform::MediaPlayerControl &player, QTimer &positionTimer);
// Plays from `position` milliseconds, whatever the player was doing.
void seekAndPlay(platform::MediaPlayerControl &player, int position, QTimer &positionTimer);

// The position timer's tick: slider and both time texts follow the player.
void showPlaybackPosition(platform::MediaPlayerControl &player, QSlider &slider, QLabel &positionLabel,
                          QLabel &lengthLabel);

// Minutes, ":", two-digit seconds ("0:09", "62:05"); no hours field.
QString timeText(int milliseconds);

} // namespace media
