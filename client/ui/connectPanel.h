#pragma once

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace ui {

// Shown until the server has answered: the program's badge, a picture of client and server, and
// the connect button.
class ConnectPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ConnectPanel(QWidget *parent);

    QLabel *programBadge = nullptr;
    QLabel *networkPicture = nullptr;
    QPushButton *connectButton = nullptr;
};

} // namespace ui
