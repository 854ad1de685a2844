#include "platform/mediaPlayerControl.h"

#include "testMp3.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

// The real player (GStreamer) on real MP3 files; without a sound card it plays on a fake sink.
class tst_mediaPlayerControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void openWithWaitKnowsTheLength_data();
    void openWithWaitKnowsTheLength();
    void playAdvancesPauseHolds();
    void stopHoldsAndPlayGoesOnFromThere();
    void seekWhilePausedPlaysFromThere_data();
    void seekWhilePausedPlaysFromThere();
    void startPointRightAfterOpen_data();
    void startPointRightAfterOpen();
    void endOfTrackStaysAtTheLength();
    void unplayableFilesLeaveThePlayerClosed_data();
    void unplayableFilesLeaveThePlayerClosed();
    void openReplacesAndCloseReleases();
    void buttonsOnlyReport();

private:
    // Position readings settle a moment after a pause; then they must stand still.
    static bool holdsStill(const platform::MediaPlayerControl &player);
    void openFile(platform::MediaPlayerControl &player, const QString &name);

    QTemporaryDir m_dir;
};

void tst_mediaPlayerControl::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeTestMp3(m_dir.filePath("Band - Three.mp3"), 3000));
    QVERIFY(writeTestMp3(m_dir.filePath("Band - Ten.mp3"), 10000, 660));
    QVERIFY(writeTestMp3(m_dir.filePath("Band - Short.mp3"), 1000, 880));
    QVERIFY(writeTestMp3(m_dir.filePath("Plain - Three.mp3"), 3000, 440, false));
    QVERIFY(writeTestMp3(m_dir.filePath("Plain - Ten.mp3"), 10000, 660, false));
}

// Files with an Info frame, and plain constant-rate files whose length shows only once they run.
static void addFileRows(const char *withInfo, const char *plain)
{
    QTest::addColumn<QString>("name");
    QTest::newRow("info frame") << QString::fromLatin1(withInfo);
    QTest::newRow("no info frame") << QString::fromLatin1(plain);
}

bool tst_mediaPlayerControl::holdsStill(const platform::MediaPlayerControl &player)
{
    QTest::qWait(250);
    const int before = player.position();
    QTest::qWait(600);
    return player.position() == before;
}

void tst_mediaPlayerControl::openFile(platform::MediaPlayerControl &player, const QString &name)
{
    player.setDeviceType("MPEGVideo");
    player.setWait(true);
    player.setFileName(m_dir.filePath(name));
    player.setCommand("Open");
}

void tst_mediaPlayerControl::openWithWaitKnowsTheLength_data()
{
    addFileRows("Band - Three.mp3", "Plain - Three.mp3");
}

void tst_mediaPlayerControl::openWithWaitKnowsTheLength()
{
    QFETCH(QString, name);
    platform::MediaPlayerControl player;
    QSignalSpy modes(&player, &platform::MediaPlayerControl::modeChanged);
    openFile(player, name);
    // Read at once, as the playback logic does right after "Open".
    QVERIFY2(qAbs(player.length() - 3000) <= 100, qPrintable(QString::number(player.length())));
    QCOMPARE(player.position(), 0);
    QCOMPARE(player.mode(), Mode::Stopped);
    QCOMPARE(modes.count(), 1);

    // Opened means ready at the start, not already running.
    QVERIFY(holdsStill(player));
    QVERIFY(player.position() < 200);
    player.setCommand("Play");
    QVERIFY(player.position() < 300);
    QTRY_VERIFY(player.position() > 400);

    openFile(player, "Band - Ten.mp3");
    QVERIFY2(qAbs(player.length() - 10000) <= 100, qPrintable(QString::number(player.length())));
}

void tst_mediaPlayerControl::playAdvancesPauseHolds()
{
    platform::MediaPlayerControl player;
    openFile(player, "Band - Ten.mp3");
    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::Playing);
    QTRY_VERIFY(player.position() > 300);

    player.setCommand("Pause");
    QCOMPARE(player.mode(), Mode::Paused);
    QVERIFY(holdsStill(player));
    const int pausedAt = player.position();
    QVERIFY(pausedAt > 300);

    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::Playing);
    QTRY_VERIFY(player.position() > pausedAt + 300);
    // Resumed, not restarted: no reading fell back below the pause point.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(player.position() >= pausedAt - 50);
        QTest::qWait(100);
    }
}

void tst_mediaPlayerControl::stopHoldsAndPlayGoesOnFromThere()
{
    platform::MediaPlayerControl player;
    openFile(player, "Band - Ten.mp3");
    player.setCommand("Play");
    QTRY_VERIFY(player.position() > 500);

    player.setCommand("Stop");
    QCOMPARE(player.mode(), Mode::Stopped);
    QVERIFY(holdsStill(player));
    const int stoppedAt = player.position();
    QVERIFY(stoppedAt > 500);

    player.setCommand("Play");
    QVERIFY(player.position() >= stoppedAt - 50);
    QTRY_VERIFY(player.position() > stoppedAt + 200);
}

void tst_mediaPlayerControl::seekWhilePausedPlaysFromThere_data()
{
    addFileRows("Band - Ten.mp3", "Plain - Ten.mp3");
}

void tst_mediaPlayerControl::seekWhilePausedPlaysFromThere()
{
    QFETCH(QString, name);
    platform::MediaPlayerControl player;
    openFile(player, name);
    player.setCommand("Play");
    QTRY_VERIFY(player.position() > 200);
    player.setCommand("Pause");

    player.setFrom(7000);
    // The start point waits for "Play".
    QVERIFY(player.position() < 7000);
    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::Playing);
    QVERIFY2(player.position() >= 6950, qPrintable(QString::number(player.position())));
    QTRY_VERIFY(player.position() > 7300);

    // A start point is used once: pausing and playing again goes on from where it is.
    player.setCommand("Pause");
    QVERIFY(holdsStill(player));
    const int pausedAt = player.position();
    player.setCommand("Play");
    QVERIFY(player.position() >= pausedAt - 50);
}

void tst_mediaPlayerControl::startPointRightAfterOpen_data()
{
    addFileRows("Band - Ten.mp3", "Plain - Ten.mp3");
}

void tst_mediaPlayerControl::startPointRightAfterOpen()
{
    QFETCH(QString, name);
    platform::MediaPlayerControl player;
    openFile(player, name);
    player.setFrom(6000);
    player.setCommand("Play");
    QVERIFY2(player.position() >= 5950, qPrintable(QString::number(player.position())));
    QTRY_VERIFY(player.position() > 6300);
    QVERIFY(player.position() < 9000);
}

void tst_mediaPlayerControl::endOfTrackStaysAtTheLength()
{
    platform::MediaPlayerControl player;
    openFile(player, "Band - Short.mp3");
    const int length = player.length();
    QVERIFY(length > 0);
    player.setCommand("Play");
    QTRY_COMPARE(player.mode(), Mode::Stopped);
    QCOMPARE(player.position(), length);
    QCOMPARE(player.length(), length);

    // From the start again only when asked to.
    player.setFrom(0);
    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::Playing);
    QVERIFY(player.position() < length);
}

void tst_mediaPlayerControl::unplayableFilesLeaveThePlayerClosed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("missing") << "Gone - Track.mp3" << QByteArray();
    QTest::newRow("not audio") << "Text - File.mp3" << QByteArray(4096, 'x');
    QTest::newRow("empty") << "Empty - File.mp3" << QByteArray("");
}

void tst_mediaPlayerControl::unplayableFilesLeaveThePlayerClosed()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    if (!content.isNull()) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    platform::MediaPlayerControl player;
    openFile(player, "Band - Three.mp3");
    player.setCommand("Play");
    QTRY_VERIFY(player.position() > 0);

    player.setCommand("Stop");
    player.setCommand("Close");
    openFile(player, name);
    QCOMPARE(player.mode(), Mode::NotOpen);
    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::NotOpen);
    QCOMPARE(player.length(), 0);
    QCOMPARE(player.position(), 0);
}

void tst_mediaPlayerControl::openReplacesAndCloseReleases()
{
    platform::MediaPlayerControl player;
    openFile(player, "Band - Ten.mp3");
    player.setCommand("Play");
    QTRY_VERIFY(player.position() > 200);

    // Opening another file ends the first, whatever it was doing.
    openFile(player, "Band - Three.mp3");
    QCOMPARE(player.mode(), Mode::Stopped);
    QCOMPARE(player.position(), 0);
    QVERIFY(qAbs(player.length() - 3000) <= 100);

    player.setFrom(1000);
    player.setCommand("Close");
    QCOMPARE(player.mode(), Mode::NotOpen);
    QCOMPARE(player.length(), 0);
    // A closed player forgets its start point and plays nothing.
    player.setCommand("Play");
    QCOMPARE(player.mode(), Mode::NotOpen);
    player.setCommand("Pause");
    player.setCommand("Stop");
    QCOMPARE(player.mode(), Mode::NotOpen);
    player.setCommand("Eject");
    QCOMPARE(player.mode(), Mode::NotOpen);
}

void tst_mediaPlayerControl::buttonsOnlyReport()
{
    platform::MediaPlayerControl player;
    openFile(player, "Band - Three.mp3");
    QSignalSpy play(&player, &platform::MediaPlayerControl::playClick);
    QSignalSpy pause(&player, &platform::MediaPlayerControl::pauseClick);
    QSignalSpy stop(&player, &platform::MediaPlayerControl::stopClick);

    const struct
    {
        const char *objectName;
        QSignalSpy *spy;
        const char *accessibleName;
    } buttons[] = {{"playButton", &play, "Play"}, {"pauseButton", &pause, "Pause"}, {"stopButton", &stop, "Stop"}};
    for (const auto &button : buttons) {
        auto *widget = player.findChild<QPushButton *>(QString::fromLatin1(button.objectName));
        QVERIFY2(widget, button.objectName);
        QCOMPARE(widget->accessibleName(), QString::fromLatin1(button.accessibleName));
        QTest::mouseClick(widget, Qt::LeftButton);
        QCOMPARE(button.spy->count(), 1);
    }
    QCOMPARE(play.count() + pause.count() + stop.count(), 3);
    // What a button does is the playback logic's business, not the control's.
    QCOMPARE(player.mode(), Mode::Stopped);
}

QTEST_MAIN(tst_mediaPlayerControl)
#include "tst_mediaPlayerControl.moc"
