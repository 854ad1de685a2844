#include "ui/trackChooser.h"

#include "core/settings.h"
#include "downloads/chooser.h"
#include "http/httpAgent.h"
#include "platform/signalWait.h"
#include "platform/socketControl.h"
#include "ui/layout.h"
#include "ui/pictures.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

TrackChooser::TrackChooser(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("trackChooser"));
    setWindowTitle(QStringLiteral("What to do?"));
    setWindowIcon(ui::programIcon());

    choicesFrame = named(new QGroupBox(QStringLiteral("Your choices :"), this), "choicesFrame");
    downloadOption = named(new QRadioButton(QStringLiteral("Download"), choicesFrame), "downloadOption");
    moreFromArtistOption =
        named(new QRadioButton(QStringLiteral("Find more from"), choicesFrame), "moreFromArtistOption");
    forgetOption = named(new QRadioButton(QStringLiteral("Forget about it.  Changed my mind."), choicesFrame),
                         "forgetOption");
    showSourceOption = named(new QRadioButton(QStringLiteral("Show me where this came from."), choicesFrame),
                             "showSourceOption");
    webSearchOption = named(new QRadioButton(QStringLiteral("Google for"), choicesFrame), "webSearchOption");
    doItButton = named(new QPushButton(QStringLiteral("do it"), this), "doItButton");
    artistPicture = named(new QLabel(this), "artistPicture");
    pictureSocket = named(new platform::SocketControl(this), "pictureSocket");

    artistPicture->setAccessibleName(QStringLiteral("Artist picture"));
    artistPicture->setFixedSize(150, 142);
    artistPicture->setAlignment(Qt::AlignCenter);
    artistPicture->setFrameShape(QFrame::StyledPanel);
    doItButton->setDefault(true);
    doItButton->setMinimumWidth(110);

    auto *choices = new QVBoxLayout(choicesFrame);
    choices->setSpacing(8);
    for (QRadioButton *option : options())
        choices->addWidget(option);
    choices->addStretch();

    auto *side = new QVBoxLayout;
    side->addWidget(artistPicture);
    side->addStretch();
    side->addWidget(doItButton, 0, Qt::AlignRight);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(choicesFrame, 1);
    layout->addLayout(side);
    setMinimumWidth(520);

    http::attachSocket(*pictureSocket, http::Slot::ChooserPicture);

    for (QRadioButton *option : options())
        connect(option, &QRadioButton::toggled, this, &TrackChooser::updateDoIt);
    updateDoIt();
    connect(doItButton, &QPushButton::clicked, this, [this] {
        recordChoice(downloads::selectedAction(choiceButtons()));
        hide();
    });
}

QCoro::Task<QString> TrackChooser::choice()
{
    chosenAction.clear();
    show();
    raise();
    activateWindow();
    co_await platform::SignalWait(this, &TrackChooser::choiceMade);
    co_return QString(chosenAction); // a copy: QCoro would move a member out
}

void TrackChooser::recordChoice(const QString &action)
{
    chosenAction = action;
    Q_EMIT choiceMade(action);
}

downloads::ChoiceButtons TrackChooser::choiceButtons() const
{
    return {downloadOption, moreFromArtistOption, forgetOption, showSourceOption, webSearchOption};
}

std::array<QRadioButton *, 5> TrackChooser::options() const
{
    return {downloadOption, moreFromArtistOption, forgetOption, showSourceOption, webSearchOption};
}

void TrackChooser::updateDoIt()
{
    bool anySelected = false;
    for (QRadioButton *option : options())
        anySelected = anySelected || option->isChecked();
    doItButton->setEnabled(anySelected);
}

bool TrackChooser::event(QEvent *event)
{
    const bool waiting = chosenAction.isEmpty();
    if (event->type() == QEvent::Hide && !isVisible() && parentWidget()) {
        // The keyboard goes back to the main window, where the row was chosen.
        parentWidget()->activateWindow();
    }
    if (event->type() == QEvent::Hide && waiting && !isVisible()) {
        // Whatever took the chooser away, the main window must not wait for it for ever.
        recordChoice(QStringLiteral("forget"));
    } else if (event->type() == QEvent::WindowDeactivate && waiting && isVisible()) {
        // Come back to the front once the click elsewhere has been handled.
        QTimer::singleShot(0, this, [this] {
            if (chosenAction.isEmpty() && isVisible())
                raise();
        });
    }
    return QDialog::event(event);
}

} // namespace ui
