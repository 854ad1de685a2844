#include "platform/messageBox.h"

#include "platform/shutdown.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

void messageBox(const QString &text)
{
    if (platform::shutdownRequested())
        return;
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Sonavex"), text, QMessageBox::Ok,
                                QApplication::activeWindow());
    box->setObjectName(QStringLiteral("sonavexMessageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace platform
