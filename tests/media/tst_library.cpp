#include "media/library.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList sortedLines(const QListWidget &list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.item(row)->text());
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
};

void tst_library::entryParts_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("track");
    QTest::newRow("plain") << "Band - Song" << "Band" << "Song";
    QTest::newRow("track keeps later separators") << "Band - Song - Live" << "Band" << "Song - Live";
    QTest::newRow("no blanks around hyphen") << "Band-Song" << "" << "";
    QTest::newRow("empty artist") << " - Song" << "" << "Song";
    QTest::newRow("empty track") << "Band - " << "Band" << "";
    QTest::newRow("double blank before hyphen") << "Band  - Song" << "Band " << "Song";
}

void tst_library::entryParts()
{
    QFETCH(QString, entry);
    QFETCH(QString, artist);
    QFETCH(QString, track);
    QCOMPARE(localMedia::artistFromEntry(entry), artist);
    QCOMPARE(localMedia::trackFromEntry(entry), track);
}

// A name ending in '/' is a folder holding a track; "ro:" makes a read-only file; no files, a missing folder.
void tst_library::folderEntries_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("mixed folder") << QStringList{"A - One.mp3",   "notes.txt", "B - Two - Live.mp3",
                                                 "C - Three.tmp", "cover.jpg", "Song.mp3"}
                                  << QStringList{"A - One", "B - Two - Live"};
    QTest::newRow("upper-case extension") << QStringList{"Band - Song.MP3"} << QStringList{"Band - Song"};
    QTest::newRow("hyphen without blanks") << QStringList{"Band-Song.mp3"} << QStringList{};
    QTest::newRow("empty artist or track") << QStringList{" - Song.mp3", "Band - .mp3"} << QStringList{};
    QTest::newRow("backup keeps .mp3 in its entry")
        << QStringList{"Band - Song.mp3.bak"} << QStringList{"Band - Song.mp3"};
    QTest::newRow("hidden file") << QStringList{".Band - Song.mp3"} << QStringList{".Band - Song"};
    QTest::newRow("read-only file") << QStringList{"ro:Band - Locked.mp3"} << QStringList{"Band - Locked"};
    QTest::newRow("folder named like a track") << QStringList{"Band - Folder.mp3/"} << QStringList{};
    QTest::newRow("missing folder") << QStringList{} << QStringList{};
}

void tst_library::folderEntries()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, entries);
    QTemporaryDir dir;
    for (QString name : files) {
        const bool readOnly = name.startsWith("ro:");
        if (readOnly)
            name.remove(0, 3);
        if (name.endsWith('/')) {
            QVERIFY(QDir(dir.path()).mkdir(name));
            name += "Inner - Track.mp3";
        }
        QVERIFY2(touch(dir.filePath(name)), qPrintable(name));
        if (readOnly)
            QVERIFY(QFile::setPermissions(dir.filePath(name), QFileDevice::ReadOwner));
    }
    // Loaded twice over an old line: each file once, nothing left over.
    QListWidget list;
    list.addItem("Old - Line");
    const QString folder = files.isEmpty() ? dir.filePath("gone") : dir.path();
    localMedia::loadLibrary(folder + '/', list);
    localMedia::loadLibrary(folder + '/', list);
    QCOMPARE(sortedLines(list), entries);
}

QTEST_MAIN(tst_library)
#include "tst_library.moc"
