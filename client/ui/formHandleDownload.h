#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace platform {
class SocketControl;
}

// The track action chooser: five choices for one track and "do it". Created once with the main
// window and afterwards only shown and hidden, so the last choice stays selected. Its Winsock1
// carries the main window's result-picture slot.
class formHandleDownload : public QDialog
{
    Q_OBJECT
public:
    explicit formHandleDownload(QWidget *parent = nullptr);

    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QRadioButton *Option4 = nullptr;
    QRadioButton *Option5 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Picture1 = nullptr;
    platform::SocketControl *Winsock1 = nullptr;

    // The choice handed to the waiting main window: empty while it waits.
    QString chosenAction;
};
