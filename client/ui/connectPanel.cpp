#include "ui/connectPanel.h"

#include "ui/layout.h"
#include "ui/pictures.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

ConnectPanel::ConnectPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Please connect to the server"), parent)
{
    programBadge = named(new QLabel(this), "programBadge");
    networkPicture = named(new QLabel(this), "networkPicture");
    connectButton = named(new QPushButton(QStringLiteral("Connect"), this), "connectButton");

    programBadge->setPixmap(connectBadge(QSize(150, 150)));
    programBadge->setAccessibleName(QStringLiteral("Sonavex"));
    networkPicture->setPixmap(connectNetwork(QSize(360, 190)));
    networkPicture->setAccessibleName(QStringLiteral("Client and server"));
    connectButton->setAccessibleName(QStringLiteral("Connect"));
    connectButton->setMinimumSize(180, 40);
    connectButton->setDefault(true);

    // The two pictures above the connect button, centred.
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(24);
    layout->addStretch(2);
    layout->addWidget(programBadge, 0, Qt::AlignHCenter);
    layout->addWidget(networkPicture, 0, Qt::AlignHCenter);
    layout->addWidget(connectButton, 0, Qt::AlignHCenter);
    layout->addStretch(3);
}

} // namespace ui
