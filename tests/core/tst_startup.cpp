#include "core/configuration.h"
#include "core/settings.h"
#include "core/startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Each case runs with its own home folder and environment, so nothing touches the real user.
class tst_startup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void temporaryRootFallbacks_data();
    void temporaryRootFallbacks();
    void musicFolderFallbacks();
    void serverAddressesFromConfiguration();
    void createsFoldersOnceAndKeepsFiles();
    void missingParentIsReportedAndFails();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString home() const { return m_home->path(); }
};

void tst_startup::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", home().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home() + QStringLiteral("/.cache")).toLocal8Bit());
    for (const char *name : {"TMP", "TEMP", "tmp", "temp", "SONAVEX_SERVER_URL", "SONAVEX_SITE_SUFFIX",
                             "SONAVEX_CONFIG", "XDG_MUSIC_DIR", "XDG_DOCUMENTS_DIR"})
        qunsetenv(name);
    core::reloadConfiguration();
}

void tst_startup::cleanup()
{
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
    expectedRoot.replace(QStringLiteral("<cache>"), home() + QStringLiteral("/.cache"));

    core::loadSettings();
    QCOMPARE(core::settings().tempRootFolder, expectedRoot);
    QCOMPARE(core::settings().imageCacheFolder, expectedRoot + QStringLiteral("imageCache/"));
    QCOMPARE(core::settings().tempFolder, expectedRoot + QStringLiteral("tempDir/"));
}

void tst_startup::musicFolderFallbacks()
{
    qputenv("TMP", home().toLocal8Bit());
    // No Music and no Documents folder: the library lies inside the temporary root.
    core::loadSettings();
    QCOMPARE(core::settings().mp3Folder, home() + QStringLiteral("/Sonavex/MP3s from Sonavex/"));

    QVERIFY(QDir(home()).mkdir(QStringLiteral("Documents")));
    core::loadSettings();
    QCOMPARE(core::settings().mp3Folder, home() + QStringLiteral("/Documents/MP3s from Sonavex/"));

    QVERIFY(QDir(home()).mkdir(QStringLiteral("Music")));
    core::loadSettings();
    QCOMPARE(core::settings().mp3Folder, home() + QStringLiteral("/Music/MP3s from Sonavex/"));
}

void tst_startup::serverAddressesFromConfiguration()
{
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, QStringLiteral("http://sonavex.localhost:8080/"));

    qputenv("SONAVEX_SITE_SUFFIX", "localhost:9090");
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, QStringLiteral("http://sonavex.localhost:9090/"));
    QCOMPARE(core::siteDomainSuffix(), QStringLiteral("localhost"));

    // An INI file is read; the environment still wins over it.
    const QString ini = home() + QStringLiteral("/custom.ini");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("serverBaseUrl=http://example.localhost:1234\n");
    file.close();
    qputenv("SONAVEX_CONFIG", ini.toLocal8Bit());
    core::reloadConfiguration();
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, QStringLiteral("http://example.localhost:1234/"));
    qputenv("SONAVEX_SERVER_URL", "http://127.0.0.1:5555");
    core::loadSettings();
    QCOMPARE(core::settings().serverBaseUrl, QStringLiteral("http://127.0.0.1:5555/"));
}

void tst_startup::createsFoldersOnceAndKeepsFiles()
{
    qputenv("TMP", home().toLocal8Bit());
    QVERIFY(core::startUp());
    for (const QString &folder : {core::settings().tempRootFolder, core::settings().mp3Folder,
                                  core::settings().imageCacheFolder, core::settings().tempFolder})
        QVERIFY2(QDir(folder).exists(), qPrintable(folder));

    QFile kept(core::settings().imageCacheFolder + QStringLiteral("Ann.jpg"));
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.write("picture");
    kept.close();
    QVERIFY(core::startUp());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("picture"));
}

void tst_startup::missingParentIsReportedAndFails()
{
    qputenv("TMP", (home() + QStringLiteral("/no/such/parent")).toLocal8Bit());
    QString shown;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box) {
            shown = box->text();
            box->accept();
        }
    });
    QVERIFY(!core::startUp());
    QVERIFY2(shown.contains(QStringLiteral("no/such/parent/Sonavex")), qPrintable(shown));
    QVERIFY(!QDir(home() + QStringLiteral("/no")).exists());
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
