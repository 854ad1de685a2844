#include "downloads/chooser.h"

#include "platform/eventPump.h"

#include <QAbstractButton>
#include <QWidget>

#include <array>

namespace downloads {

namespace {
struct Choice
{
    const char *control;
    const char *action;
};

// In the order "do it" tests them.
constexpr std::array<Choice, 5> choices{{
    {"Option1", "download"},
    {"Option2", "artist"},
    {"Option3", "forget"},
    {"Option4", "source"},
    {"Option5", "google"},
}};

void setCaption(QWidget &chooser, const char *control, const QString &caption)
{
    if (auto *option = chooser.findChild<QAbstractButton *>(QLatin1String(control)))
        option->setText(caption);
}
} // namespace

void prepareChoices(QWidget &chooser, const QString &artist, const QString &track, QLabel &picture,
                    platform::SocketControl &imageSocket, http::Slot imageSlot,
                    const ArtistPictureFunction &showArtistPicture)
{
    setCaption(chooser, "Option1", QStringLiteral("Download ") + track);
    setCaption(chooser, "Option2", QStringLiteral("Find more from ") + artist);
    setCaption(chooser, "Option3", QStringLiteral("Forget about it.  Changed my mind."));
    setCaption(chooser, "Option5", QStringLiteral("Google for ") + artist);
    if (showArtistPicture)
        showArtistPicture(artist, picture, imageSocket, imageSlot);
}

void waitForChoice(QString &chosenAction)
{
    chosenAction.clear();
    while (chosenAction.isEmpty() && !platform::shutdownRequested())
        platform::waitForEvents(100);
    if (chosenAction.isEmpty())
        chosenAction = QStringLiteral("forget");
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

} // namespace downloads
