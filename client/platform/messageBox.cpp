#include "platform/messageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

void messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Sonavex"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("sonavexMessageBox"));
    box.exec();
}

} // namespace platform
