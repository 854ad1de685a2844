#include "media/playback.h"

#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "core/startup.h"
#include "downloads/sourceSites.h"
#include "messageBoxCatcher.h"
#include "platform/mediaPlayerControl.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "testMp3.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

namespace {

// The library frame's controls, as the main window hands them to the playback logic.
struct NowPlaying
{
    QWidget frame;
    platform::WebBrowserControl *browser = new platform::WebBrowserControl(&frame);
    platform::MediaPlayerControl *player = new platform::MediaPlayerControl(&frame);
    QTimer *timer = new QTimer(&frame);
    QSlider *slider = new QSlider(Qt::Horizontal, &frame);
    QLabel *artist = new QLabel(&frame);
    QLabel *track = new QLabel(&frame);
    QLabel *picture = new QLabel(&frame);
    QLabel *position = new QLabel("0:00", &frame);
    QLabel *length = new QLabel("0:00", &frame);
    platform::SocketControl *socket = new platform::SocketControl(&frame);

    NowPlaying() { timer->setInterval(1000); }

    void play(const QString &entry)
    {
        localMedia::playEntry(entry, httpGlobals::mp3Folder, *browser, *player, *timer, *slider, *artist, *track,
                              *picture, *socket, httpGlobals::playerImageSlot);
    }
    void tick() { localMedia::showPlaybackPosition(*player, *slider, *position, *length); }
};

QByteArray jpegBytes(Qt::GlobalColor colour)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class tst_playback : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void timeText_data();
    void timeText();
    void playsTheEntrysFile_data();
    void playsTheEntrysFile();
    void shopGetsTheArtistEncodedPictureGetsItPlain();
    void cachedPictureIsShownWithoutRequest();
    void unplayableEntriesPlayNothingAndSayNothing_data();
    void unplayableEntriesPlayNothingAndSayNothing();
    void entryWithoutTrackEndsWhatPlayed();
    void secondSelectionTakesOver();
    void selectionWhileOpeningTakesOver();
    void buttonsDriveTimerAndPlayer();
    void tickFollowsThePlayerButNotAHeldSlider();
    void endOfTrackShowsTheLengthTwice();

private:
    QStringList pictureRequests() const;

    QTemporaryDir m_home;
    ScriptedServer m_server;
};

void tst_playback::initTestCase()
{
    QVERIFY(m_home.isValid());
    // Every request gets a 404: no picture on the server, an empty shop page.
    m_server.setScript({ScriptedServer::send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"),
                        ScriptedServer::close()});
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
    qputenv("SONAVEX_CONFIG", m_home.filePath("no-such.ini").toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", ("localhost:" + QByteArray::number(m_server.port())));
    qunsetenv("SONAVEX_SERVER_URL");
    QDir(m_home.path()).mkpath("tmp");
    QDir(m_home.path()).mkpath("Music");
    configuration::reload();
    sourceSites::reload();
    QVERIFY(startup::runStartupSequence());

    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "Band - Song.mp3", 4000));
    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "Band - Song - Live.mp3", 6000, 550));
    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "Ann & Bob - Duet.mp3", 3000, 660));
    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "Other - Short.mp3", 1000, 880));
    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "Band - Old.mp3.bak", 2000));
}

void tst_playback::init()
{
    appLocalisation::shopLocale = 2;
}

QStringList tst_playback::pictureRequests() const
{
    QStringList lines;
    for (const QByteArray &request : m_server.requests()) {
        const QString line = QString::fromLatin1(request.left(request.indexOf("\r\n")));
        if (line.contains("/artistImages/"))
            lines.append(line);
    }
    return lines;
}

void tst_playback::timeText_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << "0:00";
    QTest::newRow("just under ten seconds") << 9999 << "0:09";
    QTest::newRow("ten seconds") << 10000 << "0:10";
    QTest::newRow("just under a minute") << 59999 << "0:59";
    QTest::newRow("one minute") << 60000 << "1:00";
    QTest::newRow("three minutes seven") << 187000 << "3:07";
    QTest::newRow("no hours field") << (62 * 60 + 5) * 1000 << "62:05";
    QTest::newRow("never negative") << -500 << "0:00";
}

void tst_playback::timeText()
{
    QFETCH(int, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(localMedia::timeText(milliseconds), text);
}

void tst_playback::playsTheEntrysFile_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("track");
    QTest::addColumn<int>("length");

    QTest::newRow("plain") << "Band - Song" << "Band" << "Song" << 4000;
    QTest::newRow("track with separator") << "Band - Song - Live" << "Band" << "Song - Live" << 6000;
}

void tst_playback::playsTheEntrysFile()
{
    QFETCH(QString, entry);
    QFETCH(QString, artist);
    QFETCH(QString, track);
    QFETCH(int, length);

    NowPlaying ui;
    ui.play(entry);
    QCOMPARE(ui.player->fileName(), httpGlobals::mp3Folder + entry + ".mp3");
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QCOMPARE(ui.artist->text(), artist);
    QCOMPARE(ui.track->text(), track);
    QVERIFY(ui.timer->isActive());
    QCOMPARE(ui.timer->interval(), 1000);
    QVERIFY2(qAbs(ui.slider->maximum() - length) <= 100, qPrintable(QString::number(ui.slider->maximum())));
    QTRY_VERIFY(ui.player->position() > 200);
}

void tst_playback::shopGetsTheArtistEncodedPictureGetsItPlain()
{
    NowPlaying ui;
    appLocalisation::shopLocale = 5;
    ui.play("Ann & Bob - Duet");
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QVERIFY2(ui.browser->address().endsWith("trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=de"),
             qPrintable(ui.browser->address()));
    QCOMPARE(appLocalisation::lastShopTerm, QString("Ann%20%26%20Bob"));
    // Encoded once by the picture lookup itself; then the first name of the duo.
    const QStringList requests = pictureRequests();
    QVERIFY2(requests.contains("GET /artistImages/Ann%20%26%20Bob.jpg HTTP/1.1"), qPrintable(requests.join('\n')));
    QVERIFY(requests.contains("GET /artistImages/Ann.jpg HTTP/1.1"));
    QVERIFY(ui.picture->pixmap().isNull());
}

void tst_playback::cachedPictureIsShownWithoutRequest()
{
    QFile cached(httpGlobals::imageCacheFolder + "Other.jpg");
    QVERIFY(cached.open(QIODevice::WriteOnly));
    cached.write(jpegBytes(Qt::darkGreen));
    cached.close();
    const int before = int(pictureRequests().size());

    NowPlaying ui;
    ui.picture->setPixmap(QPixmap(5, 5));
    ui.play("Other - Short");
    QVERIFY(!ui.picture->pixmap().isNull());
    QCOMPARE(ui.picture->pixmap().width(), 40);
    QCOMPARE(pictureRequests().size(), before);
}

void tst_playback::unplayableEntriesPlayNothingAndSayNothing_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("artist");

    QTest::newRow("removed after listing") << "Gone - Track" << "Gone";
    QTest::newRow("listed from a .mp3.bak") << "Band - Old.mp3" << "Band";
}

void tst_playback::unplayableEntriesPlayNothingAndSayNothing()
{
    QFETCH(QString, entry);
    QFETCH(QString, artist);

    MessageBoxCatcher boxes;
    NowPlaying ui;
    ui.play("Band - Song");
    QTRY_VERIFY(ui.player->position() > 0);

    ui.play(entry);
    QCOMPARE(ui.player->mode(), Mode::NotOpen);
    QCOMPARE(ui.artist->text(), artist);
    QCOMPARE(ui.slider->maximum(), 0);
    QCOMPARE(ui.slider->value(), 0);
    // The steps run to the end all the same.
    QVERIFY(ui.timer->isActive());
    QVERIFY(ui.browser->address().contains("searchTerm=" + artist + "&"));
    ui.tick();
    QCOMPARE(ui.position->text(), QString("0:00"));
    QCOMPARE(ui.length->text(), QString("0:00"));
    QTest::qWait(300);
    QCOMPARE(boxes.count(), 0);
}

void tst_playback::entryWithoutTrackEndsWhatPlayed()
{
    NowPlaying ui;
    ui.play("Band - Song");
    QCOMPARE(ui.player->mode(), Mode::Playing);
    const QString shop = ui.browser->address();

    ui.play("Band-Song");
    QCOMPARE(ui.player->mode(), Mode::NotOpen);
    QVERIFY(!ui.timer->isActive());
    QCOMPARE(ui.artist->text(), QString());
    QCOMPARE(ui.track->text(), QString());
    QCOMPARE(ui.browser->address(), shop);
}

void tst_playback::secondSelectionTakesOver()
{
    NowPlaying ui;
    ui.play("Band - Song - Live");
    QTRY_VERIFY(ui.player->position() > 1000);

    ui.play("Band - Song");
    QCOMPARE(ui.player->fileName(), httpGlobals::mp3Folder + "Band - Song.mp3");
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QVERIFY(qAbs(ui.player->length() - 4000) <= 100);
    // The new track starts at its beginning, not where the first one was.
    QVERIFY2(ui.player->position() < 900, qPrintable(QString::number(ui.player->position())));
    QCOMPARE(ui.track->text(), QString("Song"));
}

void tst_playback::selectionWhileOpeningTakesOver()
{
    NowPlaying ui;
    // The second selection arrives while the first lets pending events run.
    QTimer::singleShot(0, &ui.frame, [&ui] { ui.play("Band - Song"); });
    ui.play("Band - Song - Live");

    QCOMPARE(ui.player->fileName(), httpGlobals::mp3Folder + "Band - Song.mp3");
    QCOMPARE(ui.track->text(), QString("Song"));
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QVERIFY(qAbs(ui.slider->maximum() - 4000) <= 100);
    QVERIFY(ui.timer->isActive());
}

void tst_playback::buttonsDriveTimerAndPlayer()
{
    NowPlaying ui;
    ui.play("Band - Song - Live");
    QTRY_VERIFY(ui.player->position() > 300);

    localMedia::pausePlayback(*ui.player, *ui.timer);
    QCOMPARE(ui.player->mode(), Mode::Paused);
    QVERIFY(!ui.timer->isActive());

    localMedia::resumePlayback(*ui.player, *ui.timer);
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QVERIFY(ui.timer->isActive());

    localMedia::stopPlayback(*ui.player, *ui.timer);
    QCOMPARE(ui.player->mode(), Mode::Stopped);
    QVERIFY(!ui.timer->isActive());

    // A seek from the stopped or paused state plays from the chosen place.
    localMedia::seekAndPlay(*ui.player, 4000, *ui.timer);
    QCOMPARE(ui.player->mode(), Mode::Playing);
    QVERIFY(ui.timer->isActive());
    QVERIFY2(ui.player->position() >= 3950, qPrintable(QString::number(ui.player->position())));
    localMedia::pausePlayback(*ui.player, *ui.timer);
    localMedia::seekAndPlay(*ui.player, 1000, *ui.timer);
    QVERIFY2(qAbs(ui.player->position() - 1000) <= 100, qPrintable(QString::number(ui.player->position())));
    QTRY_VERIFY(ui.player->position() > 1200);

    // With nothing open the buttons do nothing but the timer.
    ui.play("Gone - Track");
    localMedia::resumePlayback(*ui.player, *ui.timer);
    QCOMPARE(ui.player->mode(), Mode::NotOpen);
    QVERIFY(ui.timer->isActive());
}

void tst_playback::tickFollowsThePlayerButNotAHeldSlider()
{
    NowPlaying ui;
    ui.play("Band - Song - Live");
    QTRY_VERIFY(ui.player->position() > 1100);

    ui.tick();
    QVERIFY(ui.slider->value() > 1000);
    QVERIFY(ui.position->text().startsWith("0:0"));
    QVERIFY(ui.position->text() != "0:00");
    QCOMPARE(ui.length->text(), QString("0:06"));

    // The user is dragging: the handle stays under the mouse, the times still follow.
    ui.slider->setSliderDown(true);
    ui.slider->setValue(5500);
    QTRY_VERIFY(ui.player->position() > 2000);
    ui.tick();
    QCOMPARE(ui.slider->value(), 5500);
    QCOMPARE(ui.position->text(), QString("0:02"));
    ui.slider->setSliderDown(false);
}

void tst_playback::endOfTrackShowsTheLengthTwice()
{
    NowPlaying ui;
    ui.play("Other - Short");
    QTRY_COMPARE(ui.player->mode(), Mode::Stopped);
    ui.tick();
    QCOMPARE(ui.position->text(), ui.length->text());
    QCOMPARE(ui.length->text(), QString("0:01"));
    QCOMPARE(ui.slider->value(), ui.slider->maximum());
    QVERIFY(ui.timer->isActive());
}

QTEST_MAIN(tst_playback)
#include "tst_playback.moc"
