#pragma once

#include "scriptedServer.h"

#include "core/settings.h"

// Window tests get the whole widget set and test library from here.
#include <QtTest>
#include <QtWidgets>

// A fresh home and temp folder for a client that talks to serverUrl; made before the window.
class WindowTestEnvironment
{
public:
    explicit WindowTestEnvironment(const QString &serverUrl, const QString &siteSuffix = QString())
    {
        QVERIFY2(m_home.isValid(), "no temporary folder");
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
        qputenv("XDG_DATA_HOME", m_home.filePath(".local/share").toLocal8Bit());
        qputenv("SONAVEX_CONFIG", m_home.filePath("no-such.ini").toLocal8Bit());
        qputenv("SONAVEX_SERVER_URL", serverUrl.toLocal8Bit());
        qputenv("SONAVEX_SITE_SUFFIX", siteSuffix.toLocal8Bit()); // empty: the default
        QDir(m_home.path()).mkpath("tmp");
    }

    QString home() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
};

// A real JPEG file's bytes.
inline QByteArray jpegBytes()
{
    QImage image(48, 48, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return buffer.data();
}

// What the server answers a Connect: its statistics, then the recommended artists.
inline QList<ScriptedServer::Script> connectReplies(int latestClientVersion = 4)
{
    return {ScriptedServer::ok(
                "engineVersion,3<br>\r\nlatestClientVersion," + QByteArray::number(latestClientVersion) +
                "<br>\r\ntrackCount,150000<br>\r\nartistCount,40000<br>\r\ngenreCount,2<br>\r\n"
                "1,Rock<br>\r\n7,Jazz<br>\r\n"),
            ScriptedServer::ok("1,\"Ann Arbor\",x,2\r\n2,\"Bob Dylan Tribute\",y,2\r\n3,\"Cleo\",z,1\r\n")};
}

// Every file in the music folder, hidden ones too: a temporary file left behind shows.
inline QStringList musicFolderFiles()
{
    return QDir(core::settings().mp3Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

inline void emptyMusicFolder()
{
    for (const QString &name : musicFolderFiles())
        QVERIFY(QFile::remove(core::settings().mp3Folder + name));
}

// The address a request line ("GET /x HTTP/1.1") asks the server for, as the echo field shows it.
inline QString echoOf(const QByteArray &requestLine)
{
    return core::settings().serverBaseUrl + QString::fromLatin1(requestLine.mid(5, requestLine.size() - 14));
}
