#include "core/startup.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "platform/messageBox.h"

#include <QDir>

namespace startup {

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

bool runStartupSequence(qintptr ownerWindow)
{
    httpGlobals::initialise(ownerWindow);

    for (const QString &folder : {httpGlobals::tempRootFolder, httpGlobals::mp3Folder,
                                  httpGlobals::imageCacheFolder, httpGlobals::tempFolder}) {
        if (!ensureFolder(folder))
            return false;
    }

    appGlobals::similarArtistCount = 0;
    appGlobals::onlyShowAvailable = true;
    appGlobals::downloadCount = 0;
    appLocalisation::shopLocale = 2;
    return true;
}

} // namespace startup
