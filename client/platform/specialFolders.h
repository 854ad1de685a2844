#pragma once

#include <QString>

namespace platform {

// The user's folders, or the empty text when the folder does not exist.
QString musicFolder();
QString documentsFolder();

// The first non-empty of TMP, TEMP, tmp, temp; empty when none is set.
QString temporaryFolderFromEnvironment();

// Where the program keeps its files when no temporary folder is named:
// the user's own cache folder, never a shared world-writable path.
QString userCacheFolder();

} // namespace platform
