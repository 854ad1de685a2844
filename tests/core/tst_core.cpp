#include "core/configuration.h"
#include "core/files.h"
#include "core/settings.h"
#include "core/startup.h"
#include "messageBoxCatcher.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Each case runs with its own home folder and environment, so nothing touches the real user.
class tst_core : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", home().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home() + "/.config").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (home() + "/.cache").toLocal8Bit());
        for (const char *name : {"TMP", "TEMP", "tmp", "temp", "SONAVEX_SERVER_URL", "SONAVEX_SITE_SUFFIX",
                                 "SONAVEX_CONFIG", "XDG_MUSIC_DIR", "XDG_DOCUMENTS_DIR"})
            qunsetenv(name);
        core::reloadConfiguration();
    }

    void temporaryRootFallbacks_data()
    {
        QTest::addColumn<QStringList>("values"); // TMP, TEMP, the root expected
        QTest::newRow("tmp wins") << QStringList{"/a", "/b", "/a/Sonavex/"};
        QTest::newRow("temp when tmp empty") << QStringList{"", "/b", "/b/Sonavex/"};
        QTest::newRow("value used unchanged") << QStringList{"/a/", "", "/a//Sonavex/"};
        QTest::newRow("neither: user cache") << QStringList{"", "", "<home>/.cache/Sonavex/"};
    }

    void temporaryRootFallbacks()
    {
        QFETCH(QStringList, values);
        qputenv("TMP", values[0].toLocal8Bit()); // set but empty counts as missing
        qputenv("TEMP", values[1].toLocal8Bit());
        const QString root = values[2].replace("<home>", home());
        core::loadSettings();
        QCOMPARE(core::settings().tempRootFolder, root);
        QCOMPARE(core::settings().imageCacheFolder, root + "imageCache/");
        QCOMPARE(core::settings().tempFolder, root + "tempDir/");
    }

    void musicFolderFallbacks()
    {
        qputenv("TMP", home().toLocal8Bit());
        // No Music and no Documents folder: the library lies inside the temporary root.
        for (const QString &made : {QString(), QString("Documents"), QString("Music")}) {
            QVERIFY(made.isEmpty() || QDir(home()).mkdir(made));
            core::loadSettings();
            QCOMPARE(core::settings().mp3Folder,
                     home() + (made.isEmpty() ? "/Sonavex" : "/" + made) + "/MP3s from Sonavex/");
        }
    }

    void serverAddressesFromConfiguration()
    {
        qputenv("SONAVEX_SITE_SUFFIX", "localhost:9090");
        core::loadSettings();
        QCOMPARE(core::settings().similarArtistsBaseUrl, "http://sonavex.localhost:9090/artistSimilar/");
        QCOMPARE(core::siteDomainSuffix(), "localhost");
        // An INI file is read; the environment still wins over it.
        QFile ini(home() + "/custom.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly) &&
                ini.write("serverBaseUrl=http://example.localhost:1234\n") > 0);
        ini.close();
        qputenv("SONAVEX_CONFIG", ini.fileName().toLocal8Bit());
        core::reloadConfiguration();
        core::loadSettings();
        QCOMPARE(core::settings().artistImagesBaseUrl, "http://example.localhost:1234/artistImages/");
        qputenv("SONAVEX_SERVER_URL", "http://127.0.0.1:5555");
        core::loadSettings();
        QCOMPARE(core::settings().serverBaseUrl, "http://127.0.0.1:5555/");
    }

    void foldersAreMadeOnceOrReported()
    {
        qputenv("TMP", home().toLocal8Bit());
        QVERIFY(core::startUp());
        const core::Settings &s = core::settings();
        for (const QString &folder : {s.tempRootFolder, s.mp3Folder, s.imageCacheFolder, s.tempFolder})
            QVERIFY2(QDir(folder).exists(), qPrintable(folder));
        QFile kept(s.imageCacheFolder + "Ann.jpg");
        QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("picture") == 7 && kept.flush());
        QVERIFY(core::startUp());
        QCOMPARE(kept.size(), 7);
        // A parent that is not there: the user is told which folder, and start-up fails.
        qputenv("TMP", (home() + "/no/such/parent").toLocal8Bit());
        MessageBoxCatcher boxes;
        QVERIFY(!core::startUp());
        QTRY_COMPARE(boxes.count(), 1);
        QVERIFY2(boxes.texts().first().contains("no/such/parent/Sonavex"), qPrintable(boxes.texts().first()));
        QVERIFY(!QDir(home() + "/no").exists());
    }

    void readLineSplitsAtEachLineEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("lfOnly");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF, any end") << QByteArray("a\r\nb") << false << QStringList{"a", "", "b"};
        QTest::newRow("CR LF, LF only") << QByteArray("a\r\nb") << true << QStringList{"a\r", "b"};
        QTest::newRow("bare CR") << QByteArray("a\rb\r") << false << QStringList{"a", "b"};
        QTest::newRow("bare CR, LF only") << QByteArray("a\rb\r") << true << QStringList{"a\rb\r"};
        QTest::newRow("empty lines kept") << QByteArray("\n\nx\n") << true << QStringList{"", "", "x"};
        QTest::newRow("bytes stay Latin-1") << QByteArray("Bj\xf6rk\n") << false << QStringList{"Björk"};
    }

    void readLineSplitsAtEachLineEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, lfOnly);
        QFETCH(QStringList, lines);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QStringList read;
        while (!buffer.atEnd())
            read << (lfOnly ? core::readLineToLf(buffer) : core::readLine(buffer));
        QCOMPARE(read, lines);
        QCOMPARE(core::readLine(buffer), QString());
    }

    void fileExistsAndFolderFileNamesSeeOnlyFiles()
    {
        const QString folder = home() + '/';
        QCOMPARE(core::folderFileNames(folder), QStringList{QString()});
        QCOMPARE(core::folderFileNames(folder + "missing/"), QStringList{QString()});
        for (const char *name : {"Band - Song.mp3", ".hidden.mp3"}) {
            QFile file(folder + QString::fromLatin1(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir().mkdir(folder + "Folder.mp3"));
        for (const char *name : {"Band - Song.mp3", "Band*.mp3", "Band - Son?.mp3"})
            QVERIFY2(core::fileExists(folder + QLatin1String(name)), name);
        for (const char *name : {"Band - Other.mp3", "Folder.mp3", "Folder*"})
            QVERIFY2(!core::fileExists(folder + QLatin1String(name)), name);
        QStringList names = core::folderFileNames(folder);
        names.sort();
        QCOMPARE(names, (QStringList{".hidden.mp3", "Band - Song.mp3"}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString home() const { return m_home->path(); }
};

QTEST_MAIN(tst_core)
#include "tst_core.moc"
