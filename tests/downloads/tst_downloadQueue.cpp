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
    void firstInFirstOut();
    void fullQueueDropsFurtherTracks();
};

void tst_downloadQueue::firstInFirstOut()
{
    DownloadQueue queue;
    QListWidget list;
    QCOMPARE(queue.takeFirst().source, QString()); // harmless on an empty queue
    downloads::enqueueDownload(queue, {"A", "One", "http://s/1"}, list);
    downloads::enqueueDownload(queue, {"B & C", "Two ", "http://s/2"}, list);
    downloads::enqueueDownload(queue, {"A", "One", "http://s/1"}, list); // duplicates are queued too
    QCOMPARE(texts(list), (QStringList{"A - One", "B & C - Two ", "A - One"}));

    QCOMPARE(queue.takeFirst().source, "http://s/1");
    const downloads::QueuedTrack next = queue.takeFirst();
    QCOMPARE(QStringList({next.artist, next.track, next.source}),
             (QStringList{"B & C", "Two ", "http://s/2"}));
    QCOMPARE(queue.count(), 1);
}

void tst_downloadQueue::fullQueueDropsFurtherTracks()
{
    DownloadQueue queue;
    QListWidget list;
    for (int i = 1; i <= 101; ++i)
        downloads::enqueueDownload(queue, {QString::number(i), "T", "u" + QString::number(i)}, list);
    QCOMPARE(queue.count(), DownloadQueue::MAX_TRACKS);
    QCOMPARE(list.count(), DownloadQueue::MAX_TRACKS);
    QCOMPARE(list.item(98)->text(), "99 - T");

    // A place taken off a full queue is free again, at the end.
    QCOMPARE(queue.takeFirst().artist, "1");
    downloads::enqueueDownload(queue, {"New", "T", "u"}, list);
    QCOMPARE(queue.at(queue.count() - 1).artist, "New");
    QCOMPARE(texts(list).last(), "New - T");
}

QTEST_MAIN(tst_downloadQueue)
#include "tst_downloadQueue.moc"
