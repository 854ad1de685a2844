#include "downloads/chooser.h"

#include <QAbstractButton>

#include <array>

namespace downloads {

namespace {
// The action word of each option, in the options' order.
constexpr std::array<const char *, 5> actions{"download", "artist", "forget", "source", "google"};

void setCaption(QAbstractButton *option, const QString &caption)
{
    if (option)
        option->setText(QString(caption).replace(QLatin1Char('&'), QLatin1String("&&"))); // no mnemonic
}
} // namespace

void prepareChoices(const ChoiceButtons &options, const QString &artist, const QString &track,
                    QLabel &picture, platform::SocketControl &imageSocket, http::Slot imageSlot,
                    const ArtistPictureFunction &showArtistPicture)
{
    setCaption(options[0], QStringLiteral("Download ") + track);
    setCaption(options[1], QStringLiteral("Find more from ") + artist);
    setCaption(options[2], QStringLiteral("Forget about it.  Changed my mind."));
    setCaption(options[4], QStringLiteral("Google for ") + artist);
    if (showArtistPicture)
        showArtistPicture(artist, picture, imageSocket, imageSlot);
}

QString selectedAction(const ChoiceButtons &options)
{
    // The last checked option wins, as "do it" tests them in order.
    QString action;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] && options[i]->isChecked())
            action = QString::fromLatin1(actions[i]);
    }
    return action.isEmpty() ? QStringLiteral("forget") : action;
}

} // namespace downloads
