#include "platform/shellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

void shellOpen(const QString &address)
{
    if (address.isEmpty())
        return;
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

} // namespace platform
