#pragma once

#include "http/httpAgent.h"

#include <QString>

#include <array>
#include <functional>

class QAbstractButton;
class QLabel;

namespace platform {
class SocketControl;
}

// The track action chooser: five options for one track; the main window awaits the choice.
namespace downloads {

// The artist picture of the chooser, fetched on the given socket and slot.
using ArtistPictureFunction = std::function<void(const QString &artist, QLabel &picture,
                                                 platform::SocketControl &socket, http::Slot slot)>;

// The chooser's five options in their fixed order: download, more from the artist, forget,
// source page, web search.
using ChoiceButtons = std::array<QAbstractButton *, 5>;

// Sets the option captions for the track (texts joined as they stand) and starts the chooser's
// artist picture.
void prepareChoices(const ChoiceButtons &options, const QString &artist, const QString &track,
                    QLabel &picture, platform::SocketControl &imageSocket, http::Slot imageSlot,
                    const ArtistPictureFunction &showArtistPicture);

// The action word of the chooser's selected option ("download", "artist", "forget", "source",
// "google"); "forget" when none is selected.
QString selectedAction(const ChoiceButtons &options);

} // namespace downloads
