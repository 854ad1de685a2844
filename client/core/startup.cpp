#include "core/startup.h"

#include "core/configuration.h"
#include "core/settings.h"
#include "platform/messageBox.h"

#include <QDir>

namespace core {

namespace {
bool ensureFolder(const QString &folder)
{
    if (QDir(folder).exists())
        return true;
    // One level only: the parent must be there already (the root is made first).
    if (QDir().mkdir(folder))
        return true;
    platform::messageBox(QStringLiteral("Sonavex could not create the folder\r\n%1\r\nand has to close.")
                             .arg(QDir::toNativeSeparators(folder)));
    return false;
}
} // namespace

bool startUp()
{
    reloadConfiguration();
    loadSettings();
    const Settings &s = settings();

    for (const QString &folder : {s.tempRootFolder, s.mp3Folder, s.imageCacheFolder, s.tempFolder}) {
        if (!ensureFolder(folder))
            return false;
    }
    return true;
}

} // namespace core
