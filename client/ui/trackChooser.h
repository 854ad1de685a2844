#pragma once

#include "downloads/chooser.h"

#include <QCoro/QCoroTask>
#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform {
class SocketControl;
}

namespace ui {

// The track action chooser: five choices for one track and "do it". Created once with the main
// window and afterwards only shown and hidden, so the last choice stays selected. Its pictureSocket
// carries the chooser-picture slot.
// "do it" records the selected option's action and is enabled only once an option is selected;
// hiding or closing the chooser while no choice is recorded records "forget", so the awaiting main
// window always goes on; while it waits, the chooser keeps itself in front.
class TrackChooser : public QDialog
{
    Q_OBJECT
public:
    explicit TrackChooser(QWidget *parent = nullptr);

    QGroupBox *choicesFrame = nullptr;
    QRadioButton *downloadOption = nullptr;
    QRadioButton *moreFromArtistOption = nullptr;
    QRadioButton *forgetOption = nullptr;
    QRadioButton *showSourceOption = nullptr;
    QRadioButton *webSearchOption = nullptr;
    QPushButton *doItButton = nullptr;
    QLabel *artistPicture = nullptr;
    platform::SocketControl *pictureSocket = nullptr;

    // The last choice made: empty while the main window waits for one.
    QString chosenAction;

    // Shows the chooser and yields the action chosen ("forget" when it is closed).
    QCoro::Task<QString> choice();

    // The five options in the order the chooser logic reads them.
    downloads::ChoiceButtons choiceButtons() const;

Q_SIGNALS:
    void choiceMade(const QString &action);

protected:
    bool event(QEvent *event) override;

private:
    std::array<QRadioButton *, 5> options() const;
    void recordChoice(const QString &action);
    void updateDoIt();
};

} // namespace ui
