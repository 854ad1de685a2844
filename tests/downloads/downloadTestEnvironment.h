#pragma once

#include "core/configuration.h"
#include "core/settings.h"
#include "core/startup.h"
#include "downloads/sourceSites.h"
#include "testHelpers.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// A fresh home, temp and music folder for the client, with every outside site at one loopback
// port ("<name>.localhost:<port>" resolves to 127.0.0.1).
class DownloadTestEnvironment
{
public:
    explicit DownloadTestEnvironment(const QString &siteSuffix)
    {
        QVERIFY2(m_home.isValid(), "no temporary folder");
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
        qputenv("SONAVEX_CONFIG", m_home.filePath("no-such.ini").toLocal8Bit());
        qputenv("SONAVEX_SITE_SUFFIX", siteSuffix.toLocal8Bit());
        QDir(m_home.path()).mkpath("tmp");
        QDir(m_home.path()).mkpath("Music");
        core::reloadConfiguration();
        downloads::reloadSourceSites();
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

private:
    QTemporaryDir m_home;
};

// "request line|host|referer|cookie" of a recorded request.
inline QString describe(const QByteArray &request)
{
    QStringList parts{QString::fromLatin1(request.left(request.indexOf("\r\n")))};
    for (const QByteArray name : {"Host", "Referer", "Cookie"}) {
        QString value;
        for (const QByteArray &line : request.split('\n')) {
            if (line.startsWith(name + ": "))
                value = QString::fromLatin1(line.mid(name.size() + 2).chopped(1));
        }
        parts << value;
    }
    return parts.join('|');
}
