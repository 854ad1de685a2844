#include "core/utilityFunctions.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_utilityFunctions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readLineSplitsAtEachLineEnd_data();
    void readLineSplitsAtEachLineEnd();
    void readLineKeepsBytesAsLatin1();
    void fileExistsMatchesFilesAndWildcards();
    void stripFileNameChars_data();
    void stripFileNameChars();
    void trimAtNul();
    void listFolderFilesSeesOnlyFiles();
};

void tst_utilityFunctions::readLineSplitsAtEachLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("lfOnly");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF, any end") << QByteArray("a\r\nb") << false << QStringList{"a", "", "b"};
    QTest::newRow("CR LF, LF only") << QByteArray("a\r\nb") << true << QStringList{"a\r", "b"};
    QTest::newRow("bare CR") << QByteArray("a\rb\r") << false << QStringList{"a", "b"};
    QTest::newRow("bare CR, LF only") << QByteArray("a\rb\r") << true << QStringList{"a\rb\r"};
    QTest::newRow("empty lines kept") << QByteArray("\n\nx\n") << true << QStringList{"", "", "x"};
    QTest::newRow("nothing") << QByteArray() << false << QStringList{};
}

void tst_utilityFunctions::readLineSplitsAtEachLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, lfOnly);
    QFETCH(QStringList, lines);
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QStringList read;
    while (!buffer.atEnd())
        read << (lfOnly ? utilityFunctions::readLineLF(buffer) : utilityFunctions::readLine(buffer));
    QCOMPARE(read, lines);
    // At the end both readers return the empty text.
    QCOMPARE(utilityFunctions::readLine(buffer), QString());
}

void tst_utilityFunctions::readLineKeepsBytesAsLatin1()
{
    QByteArray bytes("Bj\xf6rk,\xe9t\xe9\n");
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(utilityFunctions::readLine(buffer), QString::fromUtf8("Björk,été"));
}

void tst_utilityFunctions::fileExistsMatchesFilesAndWildcards()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + QLatin1Char('/');
    QFile file(folder + QStringLiteral("Band - Song.mp3"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir().mkdir(folder + QStringLiteral("Folder.mp3")));

    QVERIFY(utilityFunctions::fileExists(folder + QStringLiteral("Band - Song.mp3")));
    QVERIFY(!utilityFunctions::fileExists(folder + QStringLiteral("Band - Other.mp3")));
    QVERIFY(utilityFunctions::fileExists(folder + QStringLiteral("Band*.mp3")));
    QVERIFY(utilityFunctions::fileExists(folder + QStringLiteral("Band - Son?.mp3")));
    QVERIFY(!utilityFunctions::fileExists(folder + QStringLiteral("Nobody*.mp3")));
    // Folders are not files.
    QVERIFY(!utilityFunctions::fileExists(folder + QStringLiteral("Folder.mp3")));
    QVERIFY(!utilityFunctions::fileExists(folder + QStringLiteral("Folder*")));
}

void tst_utilityFunctions::stripFileNameChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("slash and question") << "A/B: Live?" << "AB Live";
    QTest::newRow("all six") << "*:?|/\\x" << "x";
    QTest::newRow("others untouched") << "\"<a>\" & 'b'" << "\"<a>\" & 'b'";
    QTest::newRow("AC/DC") << "AC/DC" << "ACDC";
    QTest::newRow("dots stay") << "../x" << "..x";
}

void tst_utilityFunctions::stripFileNameChars()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(utilityFunctions::stripFileNameChars(text), stripped);
}

void tst_utilityFunctions::trimAtNul()
{
    QCOMPARE(utilityFunctions::trimAtNul(QStringLiteral("abc") + QChar(0) + QStringLiteral("junk")),
             QStringLiteral("abc"));
    QCOMPARE(utilityFunctions::trimAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
}

void tst_utilityFunctions::listFolderFilesSeesOnlyFiles()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QCOMPARE(utilityFunctions::listFolderFiles(folder), QStringList{QString()});
    QCOMPARE(utilityFunctions::listFolderFiles(folder + QStringLiteral("missing/")), QStringList{QString()});

    for (const char *name : {"a.mp3", ".hidden.mp3", "b.txt"}) {
        QFile f(folder + QString::fromLatin1(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QFile readOnly(folder + QStringLiteral("ro.mp3"));
    QVERIFY(readOnly.open(QIODevice::WriteOnly));
    readOnly.close();
    readOnly.setPermissions(QFileDevice::ReadOwner);
    QVERIFY(QDir().mkdir(folder + QStringLiteral("sub.mp3")));

    QStringList names = utilityFunctions::listFolderFiles(folder);
    names.sort();
    QCOMPARE(names, (QStringList{".hidden.mp3", "a.mp3", "b.txt", "ro.mp3"}));
}

QTEST_GUILESS_MAIN(tst_utilityFunctions)
#include "tst_utilityFunctions.moc"
