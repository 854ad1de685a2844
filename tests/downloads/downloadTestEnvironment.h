#pragma once

#include "windowTestEnvironment.h"

#include "core/settings.h"
#include "core/startup.h"

#include <QFile>

// The client's folders, with every outside site at one loopback port ("<name>.localhost:<port>").
struct DownloadTestEnvironment : WindowTestEnvironment
{
    explicit DownloadTestEnvironment(quint16 port)
        : WindowTestEnvironment("http://127.0.0.1:1/", QStringLiteral("localhost:%1").arg(port))
    {
        QVERIFY(core::startUp());
    }

    static QByteArray readMusicFile(const QString &name)
    {
        QFile file(core::settings().mp3Folder + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    // Every file in the music folder, to show nothing else (a temporary file) is left.
    static QStringList musicFolderFiles()
    {
        return QDir(core::settings().mp3Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static void emptyMusicFolder()
    {
        for (const QString &name : musicFolderFiles())
            QFile::remove(core::settings().mp3Folder + name);
    }
};

// "request line|host|referer|cookie" of a recorded request.
inline QString describe(const QByteArray &request)
{
    QStringList parts{QString::fromLatin1(request.left(request.indexOf("\r\n")))};
    for (const QByteArray name : {"Host", "Referer", "Cookie"}) {
        const qsizetype at = request.indexOf("\r\n" + name + ": ");
        parts << (at < 0 ? QString()
                         : QString::fromLatin1(request.mid(at + name.size() + 4).split('\r').first()));
    }
    return parts.join('|');
}
