#pragma once

#include "http/httpAgent.h"

#include <QString>

#include <functional>

class QLabel;
class QWidget;

namespace platform {
class SocketControl;
}

// The track action chooser: five options for one track, the choice handed to the waiting main
// window through the chooser's chosen action.
namespace downloads {

// The artist picture of the chooser, fetched on the given socket and slot.
using ArtistPictureFunction = std::function<void(const QString &artist, QLabel &picture,
                                                 platform::SocketControl &socket, http::Slot slot)>;

// Sets the option captions of the chooser window for the track (texts joined as they stand) and
// starts its artist picture.
void prepareChoices(QWidget &chooser, const QString &artist, const QString &track, QLabel &picture,
                    platform::SocketControl &imageSocket, http::Slot imageSlot,
                    const ArtistPictureFunction &showArtistPicture);

// Empties chosenAction and lets events run until the chooser has recorded a choice there.
void waitForChoice(QString &chosenAction);

// The action word of the chooser's selected option ("download", "artist", "forget", "source",
// "google"); "forget" when none is selected.
QString selectedAction(const QWidget &chooser);

} // namespace downloads
