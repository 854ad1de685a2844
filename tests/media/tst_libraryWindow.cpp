#include "ui/formQueryDb.h"

#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/sourceSites.h"
#include "media/mprisService.h"
#include "messageBoxCatcher.h"
#include "platform/mediaPlayerControl.h"
#include "platform/twips.h"
#include "scriptedServer.h"
#include "testMp3.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

// The library frame of the real main window, offscreen, with real MP3 files in its music folder.
// There is no session bus here: the window must work all the same.
class tst_libraryWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void myMusicShowsTheFolderAndPlaysNothing();
    void arrowKeysPlayEachLine();
    void playerButtonsDrivePlayerAndTimer();
    void onlyTheUsersSliderMovesSeek();
    void positionTimerShowsTheTimes();
    void fileRemovedAfterListingPlaysNothing();

private:
    template<typename T>
    T *control(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    QStringList listLines() const;
    void openLibrary();

    QTemporaryDir m_home;
    ScriptedServer m_server;
    formQueryDb *m_window = nullptr;
    platform::MediaPlayerControl *m_player = nullptr;
};

void tst_libraryWindow::initTestCase()
{
    QVERIFY(m_home.isValid());
    m_server.setScript({ScriptedServer::send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"),
                        ScriptedServer::close()});
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
    qputenv("SONAVEX_CONFIG", m_home.filePath("no-such.ini").toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:" + QByteArray::number(m_server.port()));
    qunsetenv("SONAVEX_SERVER_URL");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_home.filePath("no-bus").toLocal8Bit());
    QDir(m_home.path()).mkpath("tmp");
    QDir(m_home.path()).mkpath("Music");
    configuration::reload();
    sourceSites::reload();
}

void tst_libraryWindow::init()
{
    m_window = new formQueryDb;
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_player = control<platform::MediaPlayerControl>("MMControl1");
    QVERIFY(m_player);
    QVERIFY(m_player->isVisible());

    QDir music(httpGlobals::mp3Folder);
    for (const QString &name : music.entryList(QDir::Files))
        QVERIFY(music.remove(name));
    int tone = 0;
    for (const QString &name : QStringList{"A - One.mp3", "B - Two.mp3", "C - Three.mp3"})
        QVERIFY(writeTestMp3(httpGlobals::mp3Folder + name, 4000, 440 + 110 * tone++));
    QVERIFY(writeTestMp3(httpGlobals::mp3Folder + "B - Two.tmp", 1000));
}

void tst_libraryWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

QStringList tst_libraryWindow::listLines() const
{
    QStringList lines;
    auto *list = control<QListWidget>("List1");
    for (int row = 0; row < list->count(); ++row)
        lines.append(list->item(row)->text());
    return lines;
}

void tst_libraryWindow::openLibrary()
{
    control<QPushButton>("Command7")->click();
    QCOMPARE(listLines().size(), 3);
}

void tst_libraryWindow::myMusicShowsTheFolderAndPlaysNothing()
{
    auto *frame = control<QGroupBox>("Frame8");
    QCOMPARE(frame->y(), platform::twipsToPixels(10500));
    control<QLabel>("Label11")->setText("Earlier");

    control<QPushButton>("Command7")->click();
    QCOMPARE(frame->y(), platform::twipsToPixels(120));
    QStringList lines = listLines();
    lines.sort();
    QCOMPARE(lines, (QStringList{"A - One", "B - Two", "C - Three"}));
    QCOMPARE(m_player->mode(), Mode::NotOpen);
    QCOMPARE(control<QLabel>("Label11")->text(), QString("Earlier"));
    QVERIFY(!control<QTimer>("Timer2")->isActive());

    // Again: the same lines, none twice.
    const QStringList first = listLines();
    control<QPushButton>("Command7")->click();
    QCOMPARE(listLines(), first);

    control<QPushButton>("Command8")->click();
    QCOMPARE(frame->y(), platform::twipsToPixels(10500));
    QCOMPARE(listLines(), first);
}

void tst_libraryWindow::arrowKeysPlayEachLine()
{
    openLibrary();
    auto *list = control<QListWidget>("List1");
    list->setFocus();
    list->setCurrentRow(0);
    const QStringList lines = listLines();
    for (int row = 0; row < lines.size(); ++row) {
        if (row > 0)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), row);
        QCOMPARE(m_player->fileName(), httpGlobals::mp3Folder + lines[row] + ".mp3");
        QCOMPARE(m_player->mode(), Mode::Playing);
        QCOMPARE(control<QLabel>("Label11")->text() + " - " + control<QLabel>("Label12")->text(), lines[row]);
        QVERIFY(control<QTimer>("Timer2")->isActive());
    }
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(m_player->fileName(), httpGlobals::mp3Folder + lines[1] + ".mp3");

    // Refilling the list changes the selection too, but starts nothing and stops nothing.
    control<QPushButton>("Command7")->click();
    QCOMPARE(m_player->fileName(), httpGlobals::mp3Folder + lines[1] + ".mp3");
    QCOMPARE(m_player->mode(), Mode::Playing);
}

void tst_libraryWindow::playerButtonsDrivePlayerAndTimer()
{
    openLibrary();
    control<QListWidget>("List1")->setCurrentRow(0);
    QCOMPARE(m_player->mode(), Mode::Playing);
    auto *timer = control<QTimer>("Timer2");

    const struct
    {
        const char *button;
        Mode mode;
        bool timerRuns;
    } presses[] = {{"pauseButton", Mode::Paused, false},
                   {"playButton", Mode::Playing, true},
                   {"stopButton", Mode::Stopped, false},
                   {"playButton", Mode::Playing, true}};
    for (const auto &press : presses) {
        auto *button = m_player->findChild<QPushButton *>(QString::fromLatin1(press.button));
        QVERIFY2(button, press.button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_player->mode(), press.mode);
        QCOMPARE(timer->isActive(), press.timerRuns);
    }
}

void tst_libraryWindow::onlyTheUsersSliderMovesSeek()
{
    openLibrary();
    control<QListWidget>("List1")->setCurrentRow(0);
    auto *slider = control<QSlider>("Slider1");
    QVERIFY(qAbs(slider->maximum() - 4000) <= 100);
    QTRY_VERIFY(m_player->position() > 1500);
    QTest::mouseClick(m_player->findChild<QPushButton *>("pauseButton"), Qt::LeftButton);
    QCOMPARE(m_player->mode(), Mode::Paused);

    // The program setting the value (as the timer does) is no seek.
    slider->setValue(500);
    QCOMPARE(m_player->mode(), Mode::Paused);
    QVERIFY(m_player->position() > 1500);

    // A key on the slider is the user's: it plays from the new place.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(m_player->mode(), Mode::Playing);
    QVERIFY2(m_player->position() < 1000, qPrintable(QString::number(m_player->position())));
    QVERIFY(control<QTimer>("Timer2")->isActive());

    // A drag seeks once, where the handle is let go.
    QTest::mouseClick(m_player->findChild<QPushButton *>("pauseButton"), Qt::LeftButton);
    slider->setSliderDown(true);
    slider->setSliderPosition(2500);
    QCOMPARE(m_player->mode(), Mode::Paused);
    slider->setSliderDown(false);
    QCOMPARE(m_player->mode(), Mode::Playing);
    QVERIFY2(qAbs(m_player->position() - 2500) <= 100, qPrintable(QString::number(m_player->position())));
}

void tst_libraryWindow::positionTimerShowsTheTimes()
{
    openLibrary();
    auto *position = control<QLabel>("Label9");
    auto *length = control<QLabel>("Label10");
    QCOMPARE(position->text(), QString("0:00"));
    QCOMPARE(length->text(), QString("0:00"));
    control<QListWidget>("List1")->setCurrentRow(2);

    QTRY_COMPARE(length->text(), QString("0:04"));
    QTRY_VERIFY(position->text() != "0:00");
    QVERIFY(control<QSlider>("Slider1")->value() >= 1000);

    // Paused: the display stands still.
    QTest::mouseClick(m_player->findChild<QPushButton *>("pauseButton"), Qt::LeftButton);
    const QString shown = position->text();
    const int value = control<QSlider>("Slider1")->value();
    QTest::qWait(1500);
    QCOMPARE(position->text(), shown);
    QCOMPARE(control<QSlider>("Slider1")->value(), value);
}

void tst_libraryWindow::fileRemovedAfterListingPlaysNothing()
{
    MessageBoxCatcher boxes;
    openLibrary();
    QVERIFY(QFile::remove(httpGlobals::mp3Folder + "C - Three.mp3"));
    auto *list = control<QListWidget>("List1");
    list->setCurrentRow(int(listLines().indexOf("C - Three")));

    QCOMPARE(m_player->mode(), Mode::NotOpen);
    QCOMPARE(control<QLabel>("Label11")->text(), QString("C"));
    QCOMPARE(control<QLabel>("Label12")->text(), QString("Three"));
    QTRY_COMPARE(control<QLabel>("Label9")->text(), QString("0:00"));
    QCOMPARE(control<QLabel>("Label10")->text(), QString("0:00"));
    QCOMPARE(boxes.count(), 0);

    // Without a session bus the service stays away and nothing else changes.
    auto *mpris = m_window->findChild<localMedia::MprisService *>("mprisService");
    QVERIFY(mpris);
    QVERIFY(!mpris->isRegistered());
}

QTEST_MAIN(tst_libraryWindow)
#include "tst_libraryWindow.moc"
