#include "downloads/chooser.h"

#include "core/appGlobals.h"
#include "platform/eventPump.h"

#include <QAbstractButton>
#include <QWidget>

#include <array>

namespace handleDownloads {

namespace {
struct Choice
{
    const char *control;
    const char *action;
};

// In the order "do it" tests them.
constexpr std::array<Choice, 5> choices{{
    {"downloadOption", "download"},
    {"moreFromArtistOption", "artist"},
    {"forgetOption", "forget"},
    {"showSourceOption", "source"},
    {"webSearchOption", "google"},
}};

void setCaption(QWidget &chooser, const char *control, const QString &caption)
{
    if (auto *option = chooser.findChild<QAbstractButton *>(QLatin1String(control)))
        option->setText(caption);
}
} // namespace

void prepareChoices(QWidget &chooser, const QString &artist, const QString &track, QLabel &picture,
                    platform::SocketControl &imageSocket, int imageSlot,
                    const ArtistPictureFunction &showArtistPicture)
{
    setCaption(chooser, "downloadOption", QStringLiteral("Download ") + track);
    setCaption(chooser, "moreFromArtistOption", QStringLiteral("Find more from ") + artist);
    setCaption(chooser, "forgetOption", QStringLiteral("Forget about it.  Changed my mind."));
    setCaption(chooser, "webSearchOption", QStringLiteral("Google for ") + artist);
    if (showArtistPicture)
        showArtistPicture(artist, picture, imageSocket, imageSlot);
}

void waitForChoice()
{
    appGlobals::chosenAction.clear();
    while (appGlobals::chosenAction.isEmpty() && !platform::shutdownRequested())
        platform::waitForEvents(100);
    if (appGlobals::chosenAction.isEmpty())
        appGlobals::chosenAction = QStringLiteral("forget");
}

QString selectedAction(const QWidget &chooser)
{
    QString action;
    for (const Choice &choice : choices) {
        const auto *option = chooser.findChild<QAbstractButton *>(QLatin1String(choice.control));
        if (option && option->isChecked())
            action = QString::fromLatin1(choice.action);
    }
    return action.isEmpty() ? QStringLiteral("forget") : action;
}

} // namespace handleDownloads
