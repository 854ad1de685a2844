#pragma once

#include <QString>

namespace core {

// The client's minor version, compared with the newest one the server names.
constexpr int CLIENT_MINOR_VERSION = SONAVEX_VERSION_MINOR;

// Addresses and folders, computed once at start-up and only read after that. Every address
// and folder ends in "/".
struct Settings
{
    QString serverBaseUrl;
    QString similarArtistsBaseUrl;
    QString artistImagesBaseUrl;
    QString productHomeUrl;
    QString userAgent;
    QString tempRootFolder;
    QString mp3Folder;
    QString imageCacheFolder;
    QString tempFolder;
};

const Settings &settings();

// Computes the settings from the configuration, the environment and the user's folders.
void loadSettings();

} // namespace core
