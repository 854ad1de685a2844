#include "core/appGlobals.h"
#include "downloads/downloadQueue.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

// The 99-place first-in, first-out queue and its list.
class tst_downloadQueue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void firstInFirstOut();
    void fullQueueDropsFurtherTracks();
    void drainingAFullQueueLeavesNothingBehind();
    void emptyQueue();

private:
    static QStringList lines(const QListWidget &list);
    QListWidget m_list;
};

QStringList tst_downloadQueue::lines(const QListWidget &list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

void tst_downloadQueue::init()
{
    while (appGlobals::downloadCount > 0)
        handleDownloads::dequeueDownload(m_list);
    m_list.clear();
}

void tst_downloadQueue::firstInFirstOut()
{
    handleDownloads::enqueueDownload("A", "One", "http://s/1", m_list);
    handleDownloads::enqueueDownload("B & C", "Two ", "http://s/2", m_list);
    handleDownloads::enqueueDownload("A", "One", "http://s/1", m_list); // duplicates are queued too
    QCOMPARE(lines(m_list), (QStringList{"A - One", "B & C - Two ", "A - One"}));

    QCOMPARE(handleDownloads::peekDownloadArtist(), "A");
    QCOMPARE(handleDownloads::peekDownloadTrack(), "One");
    QCOMPARE(handleDownloads::peekDownloadSource(), "http://s/1");

    handleDownloads::dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 2);
    QCOMPARE(handleDownloads::peekDownloadArtist(), "B & C");
    QCOMPARE(handleDownloads::peekDownloadTrack(), "Two ");
    QCOMPARE(handleDownloads::peekDownloadSource(), "http://s/2");
    QCOMPARE(lines(m_list), (QStringList{"B & C - Two ", "A - One"}));
    QVERIFY(appGlobals::downloadQueueArtist[3].isEmpty());
}

void tst_downloadQueue::fullQueueDropsFurtherTracks()
{
    for (int i = 1; i <= 101; ++i)
        handleDownloads::enqueueDownload(QString::number(i), "T", "u" + QString::number(i), m_list);
    QCOMPARE(appGlobals::downloadCount, 99);
    QCOMPARE(m_list.count(), 99);
    QCOMPARE(m_list.item(98)->text(), "99 - T");
    QVERIFY(appGlobals::downloadQueueArtist[100].isEmpty());
    QVERIFY(appGlobals::downloadQueueArtist[0].isEmpty());
}

void tst_downloadQueue::drainingAFullQueueLeavesNothingBehind()
{
    for (int i = 1; i <= 99; ++i)
        handleDownloads::enqueueDownload(QString::number(i), "T", "u", m_list);
    handleDownloads::dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 98);
    QCOMPARE(handleDownloads::peekDownloadArtist(), "2");
    QCOMPARE(m_list.item(97)->text(), "99 - T");
    QVERIFY(appGlobals::downloadQueueArtist[99].isEmpty());

    // After a drain the places are empty again and a new entry lands in place 1.
    for (int i = 0; i < 98; ++i)
        handleDownloads::dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 0);
    for (int place = 0; place < appGlobals::DOWNLOAD_QUEUE_SLOTS; ++place)
        QVERIFY(appGlobals::downloadQueueSource[place].isEmpty());
    handleDownloads::enqueueDownload("New", "T", "u", m_list);
    QCOMPARE(lines(m_list), QStringList{"New - T"});
}

void tst_downloadQueue::emptyQueue()
{
    handleDownloads::dequeueDownload(m_list);
    QCOMPARE(appGlobals::downloadCount, 0);
    QCOMPARE(handleDownloads::peekDownloadArtist(), QString());
    QCOMPARE(handleDownloads::peekDownloadTrack(), QString());
    QCOMPARE(handleDownloads::peekDownloadSource(), QString());
    QCOMPARE(m_list.count(), 0);
}

QTEST_MAIN(tst_downloadQueue)
#include "tst_downloadQueue.moc"
