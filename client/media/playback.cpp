#include "media/playback.h"

#include "downloads/outsideLinks.h"
#include "media/artistPictures.h"
#include "media/library.h"
#include "platform/mediaPlayerControl.h"

#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTimer>

namespace media {

namespace {

// Bumped by every playEntry: a call that awaited the player and finds a newer one has taken over
// stops where it is, so an older selection never touches the newer one's display.
quint64 playGeneration = 0;

} // namespace

QCoro::Task<> playEntry(QString entry, QString mp3Folder, downloads::ShopSuggestions &shop,
                        platform::WebBrowserControl &shopBrowser, platform::MediaPlayerControl &player,
                        QTimer &positionTimer, QSlider &slider, QLabel &artistLabel, QLabel &trackLabel,
                        QLabel &pictureBox, platform::SocketControl &socket, http::Slot imageSlot)
{
    const quint64 generation = ++playGeneration;
    QPointer<platform::MediaPlayerControl> alive(&player);

    positionTimer.stop();
    player.stop();
    player.close();

    const QString artist = artistFromEntry(entry);
    const QString track = trackFromEntry(entry);
    artistLabel.setText(artist);
    trackLabel.setText(track);

    if (artist.isEmpty() || track.isEmpty())
        co_return;

    const bool current =
        co_await player.open(mp3Folder + artist + QLatin1String(" - ") + track + QLatin1String(".mp3"));
    if (!alive || !current || generation != playGeneration)
        co_return;
    player.play();

    slider.setMaximum(player.length());
    slider.setValue(player.position());
    positionTimer.start();

    downloads::showShopSuggestions(downloads::encodeQueryText(artist), shop, shopBrowser);
    // A selection made while this waits has its picture shown after this one: the newest stays.
    showArtistPicture(artist, pictureBox, socket, imageSlot);
}

void resumePlayback(platform::MediaPlayerControl &player, QTimer &positionTimer)
{
    player.play();
    positionTimer.start();
}

void pausePlayback(platform::MediaPlayerControl &player, QTimer &positionTimer)
{
    player.pause();
    positionTimer.stop();
}

void stopPlayback(platform::MediaPlayerControl &player, QTimer &positionTimer)
{
    player.stop();
    positionTimer.stop();
}

void seekAndPlay(platform::MediaPlayerControl &player, int position, QTimer &positionTimer)
{
    player.seek(position);
    player.play();
    positionTimer.start();
}

void showPlaybackPosition(platform::MediaPlayerControl &player, QSlider &slider, QLabel &positionLabel,
                          QLabel &lengthLabel)
{
    const int position = player.position();
    // While the user holds the handle it stays where the user put it.
    if (!slider.isSliderDown())
        slider.setValue(position);
    positionLabel.setText(timeText(position));
    lengthLabel.setText(timeText(player.length()));
}

QString timeText(int milliseconds)
{
    const int value = qMax(0, milliseconds);
    const int minutes = value / 1000 / 60;
    const int seconds = value / 1000 - 60 * minutes;
    return QString::number(minutes) + (seconds < 10 ? QLatin1String(":0") : QLatin1String(":")) +
           QString::number(seconds);
}

} // namespace media
