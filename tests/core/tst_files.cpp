#include "core/files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_files : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readLineSplitsAtEachLineEnd_data();
    void readLineSplitsAtEachLineEnd();
    void fileExistsAndFolderFileNamesSeeOnlyFiles();
};

void tst_files::readLineSplitsAtEachLineEnd_data()
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

void tst_files::readLineSplitsAtEachLineEnd()
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

void tst_files::fileExistsAndFolderFileNamesSeeOnlyFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QCOMPARE(core::folderFileNames(folder), QStringList{QString()});
    QCOMPARE(core::folderFileNames(folder + QStringLiteral("missing/")), QStringList{QString()});
    for (const char *name : {"Band - Song.mp3", ".hidden.mp3"}) {
        QFile file(folder + QString::fromLatin1(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkdir(folder + QStringLiteral("Folder.mp3")));

    QVERIFY(core::fileExists(folder + QStringLiteral("Band - Song.mp3")));
    QVERIFY(core::fileExists(folder + QStringLiteral("Band*.mp3")));
    QVERIFY(core::fileExists(folder + QStringLiteral("Band - Son?.mp3")));
    QVERIFY(!core::fileExists(folder + QStringLiteral("Band - Other.mp3")));
    QVERIFY(!core::fileExists(folder + QStringLiteral("Folder.mp3")));
    QVERIFY(!core::fileExists(folder + QStringLiteral("Folder*")));
    QStringList names = core::folderFileNames(folder);
    names.sort();
    QCOMPARE(names, (QStringList{".hidden.mp3", "Band - Song.mp3"}));
}

QTEST_GUILESS_MAIN(tst_files)
#include "tst_files.moc"
