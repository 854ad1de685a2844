#include "downloads/downloadQueue.h"
#include "testHelpers.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

using downloads::DownloadQueue;

// The first-in, first-out queue of at most 99 tracks, and the list that shows it.
class tst_downloadQueue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstInFirstOutAndBounded()
    {
        DownloadQueue queue;
        QListWidget list;
        QCOMPARE(queue.takeFirst().source, QString()); // harmless on an empty queue
        downloads::enqueueDownload(queue, {"B & C", "Two ", "http://s/0"}, list);
        for (int i = 1; i <= 100; ++i) // duplicates are queued too; past 99 nothing
            downloads::enqueueDownload(queue, {QString::number(i % 2), "T", "u" + QString::number(i)}, list);
        QCOMPARE(queue.count(), DownloadQueue::MAX_TRACKS);
        QCOMPARE(list.count(), DownloadQueue::MAX_TRACKS);
        QCOMPARE(texts(list).mid(0, 3), (QStringList{"B & C - Two ", "1 - T", "0 - T"}));
        QCOMPARE(texts(list).last(), "0 - T");
        const downloads::QueuedTrack first = queue.takeFirst();
        QCOMPARE(QStringList({first.artist, first.track, first.source}),
                 (QStringList{"B & C", "Two ", "http://s/0"}));
        QCOMPARE(queue.takeFirst().source, "u1");

        // A place taken off a full queue is free again, at the end.
        downloads::enqueueDownload(queue, {"New", "T", "u"}, list);
        QCOMPARE(queue.count(), DownloadQueue::MAX_TRACKS - 1);
        QCOMPARE(queue.at(queue.count() - 1).artist, "New");
        QCOMPARE(texts(list).last(), "New - T");
    }
};

QTEST_MAIN(tst_downloadQueue)
#include "tst_downloadQueue.moc"
