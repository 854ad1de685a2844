#include "platform/messageBox.h"

#include "platform/eventPump.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

namespace platform {

namespace {
QMessageBox *makeBox(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Sonavex"), text, QMessageBox::Ok,
                                QApplication::activeWindow());
    box->setObjectName(QStringLiteral("sonavexMessageBox"));
    return box;
}
} // namespace

void messageBox(const QString &text)
{
    if (platform::shutdownRequested())
        return;
    QMessageBox *box = makeBox(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void messageBoxBeforeEventLoop(const QString &text)
{
    // main() ends the program without running its loop when start-up fails.
    const std::unique_ptr<QMessageBox> box(makeBox(text));
    box->exec();
}

} // namespace platform
