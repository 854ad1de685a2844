#include "core/httpGlobals.h"

#include "core/configuration.h"
#include "core/utilityFunctions.h"
#include "platform/specialFolders.h"

namespace httpGlobals {

void initialise(qintptr ownerWindow)
{
    responseHasNoPreamble = false;
    serverBaseUrl = configuration::serverBaseUrl();
    similarArtistsBaseUrl = serverBaseUrl + QStringLiteral("artistSimilar/");
    artistImagesBaseUrl = serverBaseUrl + QStringLiteral("artistImages/");
    productHomeUrl = configuration::value(QStringLiteral("productHomeUrl"), serverBaseUrl);
    userAgent = QStringLiteral(
        "Mozilla/5.0 (Windows; U; Windows NT 5.0; en-GB; rv:1.7.12) Gecko/20050919 Firefox/1.0.7");
    clientMinorVersion = 4;

    QString tempValue = platform::temporaryFolderFromEnvironment();
    if (tempValue.isEmpty())
        tempValue = platform::userCacheFolder();
    tempRootFolder = tempValue + QStringLiteral("/Sonavex/");

    QString music = utilityFunctions::getSpecialFolder(utilityFunctions::FOLDER_MUSIC, 0, ownerWindow);
    if (music.isEmpty())
        music = utilityFunctions::getSpecialFolder(utilityFunctions::FOLDER_DOCUMENTS, 0, ownerWindow);
    if (music.isEmpty())
        music = tempRootFolder.left(tempRootFolder.size() - 1);
    mp3Folder = music + QStringLiteral("/MP3s from Sonavex/");

    imageCacheFolder = tempRootFolder + QStringLiteral("imageCache/");
    tempFolder = tempRootFolder + QStringLiteral("tempDir/");
}

} // namespace httpGlobals
