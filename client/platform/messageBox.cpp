#include "platform/messageBox.h"

#include "platform/eventPump.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

void messageBox(const QString &text)
{
    if (platform::shutdownRequested())
        return;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sonavex"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("sonavexMessageBox"));
    box.exec();
}

} // namespace platform
