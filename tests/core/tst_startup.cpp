#include "core/configuration.h"
#include "core/settings.h"
#include "core/startup.h"
#include "messageBoxCatcher.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Each case runs with its own home folder and environment, so nothing touches the real user.
class tst_startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void temporaryRootFallbacks_data();
    void temporaryRootFallbacks();
    void musicFolderFallbacks();
    void serverAddressesFromConfiguration();
    void foldersAreMadeOnceOrReported();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString home() const { return m_home->path(); }
};

void tst_startup::init()
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

void tst_startup::temporaryRootFallbacks_data()
{
    QTest::addColumn<QString>("tmp");
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("expectedRoot");
    QTest::newRow("tmp wins") << "/a"
                              << "/b"
                              << "/a/Sonavex/";
    QTest::newRow("temp when tmp empty") << ""
                                         << "/b"
                                         << "/b/Sonavex/";
    QTest::newRow("value used unchanged") << "/a/"
                                          << ""
                                          << "/a//Sonavex/";
    QTest::newRow("neither: user cache") << ""
                                         << ""
                                         << "<cache>/Sonavex/";
}

void tst_startup::temporaryRootFallbacks()
{
    QFETCH(QString, tmp);
    QFETCH(QString, temp);
    QFETCH(QString, expectedRoot);
    if (!tmp.isEmpty())
        qputenv("TMP", tmp.toLocal8Bit());
    if (!temp.isEmpty())
        qputenv("TEMP", temp.toLocal8Bit());
    expectedRoot.replace("<cache>", home() + "/.cache");
    core::loadSettings();
    QCOMPARE(core::settings().tempRootFolder, expectedRoot);
    QCOMPARE(core::settings().imageCacheFolder, expectedRoot + "imageCache/");
    QCOMPARE(core::settings().tempFolder, expectedRoot + "tempDir/");
}

void tst_startup::musicFolderFallbacks()
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

void tst_startup::serverAddressesFromConfiguration()
{
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, "http://sonavex.localhost:8080/");
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:9090");
    core::loadSettings();
    QCOMPARE(core::settings().similarArtistsBaseUrl, "http://sonavex.localhost:9090/artistSimilar/");
    QCOMPARE(core::siteDomainSuffix(), "localhost");

    // An INI file is read; the environment still wins over it.
    QFile ini(home() + "/custom.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("serverBaseUrl=http://example.localhost:1234\n");
    ini.close();
    qputenv("SONAVEX_CONFIG", ini.fileName().toLocal8Bit());
    core::reloadConfiguration();
    core::loadSettings();
    QCOMPARE(core::settings().artistImagesBaseUrl, "http://example.localhost:1234/artistImages/");
    qputenv("SONAVEX_SERVER_URL", "http://127.0.0.1:5555");
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, "http://127.0.0.1:5555/");
}

void tst_startup::foldersAreMadeOnceOrReported()
{
    qputenv("TMP", home().toLocal8Bit());
    QVERIFY(core::startUp());
    const core::Settings &s = core::settings();
    for (const QString &folder : {s.tempRootFolder, s.mp3Folder, s.imageCacheFolder, s.tempFolder})
        QVERIFY2(QDir(folder).exists(), qPrintable(folder));
    QFile kept(s.imageCacheFolder + "Ann.jpg");
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("picture") == 7);
    kept.close();
    QVERIFY(core::startUp());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("picture"));

    // A parent that is not there: the user is told which folder, and start-up fails.
    qputenv("TMP", (home() + "/no/such/parent").toLocal8Bit());
    MessageBoxCatcher boxes;
    QVERIFY(!core::startUp());
    QTRY_COMPARE(boxes.count(), 1);
    QVERIFY2(boxes.texts().first().contains("no/such/parent/Sonavex"), qPrintable(boxes.texts().first()));
    QVERIFY(!QDir(home() + "/no").exists());
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
