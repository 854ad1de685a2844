#include "platform/specialFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

namespace {
QString existingLocation(QStandardPaths::StandardLocation location)
{
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QDir(path).exists())
        return {};
    return path;
}
} // namespace

QString musicFolder()
{
    return existingLocation(QStandardPaths::MusicLocation);
}

QString documentsFolder()
{
    return existingLocation(QStandardPaths::DocumentsLocation);
}

QString temporaryFolderFromEnvironment()
{
    for (const char *name : {"TMP", "TEMP", "tmp", "temp"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QString userCacheFolder()
{
    QString path = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (path.isEmpty())
        path = QDir::homePath() + QStringLiteral("/.cache");
    // A fresh account may not have it yet; it is the user's own, so make it.
    QDir().mkpath(path);
    return path;
}

} // namespace platform
