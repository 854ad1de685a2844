#include "core/settings.h"

#include "core/configuration.h"
#include "platform/specialFolders.h"

namespace core {

namespace {
Settings &current()
{
    static Settings value;
    return value;
}
} // namespace

const Settings &settings()
{
    return current();
}

void loadSettings()
{
    Settings s;
    s.serverBaseUrl = configuredServerBaseUrl();
    s.similarArtistsBaseUrl = s.serverBaseUrl + QStringLiteral("artistSimilar/");
    s.artistImagesBaseUrl = s.serverBaseUrl + QStringLiteral("artistImages/");
    s.productHomeUrl = configValue(QStringLiteral("productHomeUrl"), s.serverBaseUrl);
    s.userAgent = QStringLiteral(
        "Mozilla/5.0 (Windows; U; Windows NT 5.0; en-GB; rv:1.7.12) Gecko/20050919 Firefox/1.0.7");

    QString tempValue = platform::temporaryFolderFromEnvironment();
    if (tempValue.isEmpty())
        tempValue = platform::userCacheFolder();
    s.tempRootFolder = tempValue + QStringLiteral("/Sonavex/");

    QString music = platform::musicFolder();
    if (music.isEmpty())
        music = platform::documentsFolder();
    if (music.isEmpty())
        music = s.tempRootFolder.left(s.tempRootFolder.size() - 1);
    s.mp3Folder = music + QStringLiteral("/MP3s from Sonavex/");

    s.imageCacheFolder = s.tempRootFolder + QStringLiteral("imageCache/");
    s.tempFolder = s.tempRootFolder + QStringLiteral("tempDir/");
    current() = s;
}

} // namespace core
