#pragma once

#include "testHelpers.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

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
