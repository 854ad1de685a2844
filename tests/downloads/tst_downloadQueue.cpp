#include "core/appGlobals.h"
#include "downloads/downloadQueue.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

using namespace handleDownloads;

// The 99-place first-in, first-out queue and its list.
class tst_downloadQueue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstInFirstOut();
    void fullQueueDropsFurtherTracks();

private:
    QStringList lines() const
    {
        QStringList texts;
        for (int i = 0; i < m_list.count(); ++i)
            texts << m_list.item(i)->text();
        return texts;
    }
    QListWidget m_list;
};

void tst_downloadQueue::firstInFirstOut()
{
    dequeueDownload(m_list); // harmless on an empty queue
    QCOMPARE(peekDownloadSource(), QString());
    enqueueDownload("A", "One", "http://s/1", m_list);
    enqueueDownload("B & C", "Two ", "http://s/2", m_list);
    enqueueDownload("A", "One", "http://s/1", m_list); // duplicates are queued too
    QCOMPARE(lines(), (QStringList{"A - One", "B & C - Two ", "A - One"}));

    dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 2);
    QCOMPARE(QStringList({peekDownloadArtist(), peekDownloadTrack(), peekDownloadSource()}),
             (QStringList{"B & C", "Two ", "http://s/2"}));
    QCOMPARE(lines(), (QStringList{"B & C - Two ", "A - One"}));
    QVERIFY(appGlobals::downloadQueueArtist[3].isEmpty());
    while (appGlobals::downloadCount > 0)
        dequeueDownload(m_list);
}

void tst_downloadQueue::fullQueueDropsFurtherTracks()
{
    for (int i = 1; i <= 101; ++i)
        enqueueDownload(QString::number(i), "T", "u" + QString::number(i), m_list);
    QCOMPARE(appGlobals::downloadCount, 99);
    QCOMPARE(m_list.count(), 99);

    // Taking one off a full queue reads the place past the last one.
    dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 98);
    QCOMPARE(peekDownloadArtist(), "2");
    QCOMPARE(m_list.item(97)->text(), "99 - T");
    QVERIFY(appGlobals::downloadQueueArtist[99].isEmpty());

    // After a drain every place is empty and a new entry lands in place 1.
    while (appGlobals::downloadCount > 0)
        dequeueDownload(m_list);
    for (int place = 0; place < appGlobals::DOWNLOAD_QUEUE_SLOTS; ++place)
        QVERIFY(appGlobals::downloadQueueSource[place].isEmpty());
    enqueueDownload("New", "T", "u", m_list);
    QCOMPARE(lines(), QStringList{"New - T"});
}

QTEST_MAIN(tst_downloadQueue)
#include "tst_downloadQueue.moc"
