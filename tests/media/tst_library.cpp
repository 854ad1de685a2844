#include "media/library.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList lines(const QListWidget &list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.item(row)->text());
    return texts;
}

QStringList sorted(QStringList texts)
{
    texts.sort();
    return texts;
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("ID3") == 3;
}

} // namespace

class tst_library : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entryParts_data();
    void entryParts();
    void folderEntries_data();
    void folderEntries();
    void subfolderAndReadOnlyFiles();
    void missingFolderEmptiesTheList();
    void loadingTwiceGivesTheSameList();
};

void tst_library::entryParts_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("track");

    QTest::newRow("plain") << "Band - Song" << "Band" << "Song";
    QTest::newRow("track keeps later separators") << "Band - Song - Live" << "Band" << "Song - Live";
    QTest::newRow("no blanks around hyphen") << "Band-Song" << "" << "";
    QTest::newRow("no separator") << "Song" << "" << "";
    QTest::newRow("empty artist") << " - Song" << "" << "Song";
    QTest::newRow("empty track") << "Band - " << "Band" << "";
    QTest::newRow("blanks kept inside") << "Ann & Bob - A  B" << "Ann & Bob" << "A  B";
    QTest::newRow("double blank before hyphen") << "Band  - Song" << "Band " << "Song";
    QTest::newRow("empty") << "" << "" << "";
}

void tst_library::entryParts()
{
    QFETCH(QString, entry);
    QFETCH(QString, artist);
    QFETCH(QString, track);
    QCOMPARE(localMedia::artistFromEntry(entry), artist);
    QCOMPARE(localMedia::trackFromEntry(entry), track);
}

void tst_library::folderEntries_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("artist - track") << QStringList{"Band - Song.mp3"} << QStringList{"Band - Song"};
    QTest::newRow("later separators stay in the track")
        << QStringList{"Band - Song - Live.mp3"} << QStringList{"Band - Song - Live"};
    QTest::newRow("upper-case extension") << QStringList{"Band - Song.MP3"} << QStringList{"Band - Song"};
    QTest::newRow("no separator") << QStringList{"Song.mp3"} << QStringList{};
    QTest::newRow("hyphen without blanks") << QStringList{"Band-Song.mp3"} << QStringList{};
    QTest::newRow("empty artist") << QStringList{" - Song.mp3"} << QStringList{};
    QTest::newRow("empty track") << QStringList{"Band - .mp3"} << QStringList{};
    QTest::newRow("download in progress") << QStringList{"Band - Song.tmp"} << QStringList{};
    QTest::newRow("backup keeps .mp3 in its entry")
        << QStringList{"Band - Song.mp3.bak"} << QStringList{"Band - Song.mp3"};
    QTest::newRow("hidden file") << QStringList{".Band - Song.mp3"} << QStringList{".Band - Song"};
    QTest::newRow("ampersand and comma") << QStringList{"Sun, Moon & Stars - Rise.mp3"}
                                         << QStringList{"Sun, Moon & Stars - Rise"};
    QTest::newRow("mixed folder")
        << QStringList{"A - One.mp3", "notes.txt", "B - Two.mp3", "C - Three.tmp", "cover.jpg", "D-Four.mp3"}
        << QStringList{"A - One", "B - Two"};
}

void tst_library::folderEntries()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, entries);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : files)
        QVERIFY2(touch(dir.filePath(name)), qPrintable(name));

    QListWidget list;
    localMedia::loadLibrary(dir.path() + '/', list);
    QCOMPARE(sorted(lines(list)), sorted(entries));
}

void tst_library::subfolderAndReadOnlyFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder named like a track, holding a track of its own: neither is listed.
    QVERIFY(QDir(dir.path()).mkdir("Band - Folder.mp3"));
    QVERIFY(touch(dir.filePath("Band - Folder.mp3/Inner - Track.mp3")));
    const QString readOnly = dir.filePath("Band - Locked.mp3");
    QVERIFY(touch(readOnly));
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    QListWidget list;
    localMedia::loadLibrary(dir.path() + '/', list);
    QCOMPARE(lines(list), QStringList{"Band - Locked"});
}

void tst_library::missingFolderEmptiesTheList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QListWidget list;
    list.addItem("Old - Line");

    localMedia::loadLibrary(dir.filePath("gone") + '/', list);
    QCOMPARE(list.count(), 0);

    localMedia::loadLibrary(dir.path() + '/', list);
    QCOMPARE(list.count(), 0);
}

void tst_library::loadingTwiceGivesTheSameList()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : QStringList{"A - One.mp3", "B - Two.mp3", "C - Three.mp3"})
        QVERIFY(touch(dir.filePath(name)));

    QListWidget list;
    localMedia::loadLibrary(dir.path() + '/', list);
    const QStringList first = lines(list);
    QCOMPARE(first.size(), 3);
    localMedia::loadLibrary(dir.path() + '/', list);
    QCOMPARE(lines(list), first);

    // The list follows the folder, not what it showed before.
    QVERIFY(QFile::remove(dir.filePath("B - Two.mp3")));
    localMedia::loadLibrary(dir.path() + '/', list);
    QCOMPARE(sorted(lines(list)), (QStringList{"A - One", "C - Three"}));
}

QTEST_MAIN(tst_library)
#include "tst_library.moc"
