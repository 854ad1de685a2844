// The real client fetches a track from the real sonavex-server into its music folder, lists it
// under "my music" and plays it with the real player: times, picture, pause, seek and stop.
#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/downloadQueue.h"
#include "downloads/sourceSites.h"
#include "media/playback.h"
#include "messageBoxCatcher.h"
#include "platform/mediaPlayerControl.h"
#include "platform/webBrowserControl.h"
#include "sonavexServerProcess.h"
#include "ui/formQueryDb.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using Mode = platform::MediaPlayerControl::Mode;

class tst_e2e_library : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void downloadedTrackIsListedAndPlays();

private:
    template<typename T>
    T *control(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }

    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    std::unique_ptr<formQueryDb> m_window;
    MessageBoxCatcher *m_boxes = nullptr;
};

void tst_e2e_library::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY2(m_server.start(m_home.filePath("server")), qPrintable(m_server.errorString()));
    qputenv("HOME", m_home.path().toLocal8Bit());
    qputenv("TMP", m_home.filePath("tmp").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(".config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", m_home.filePath(".cache").toLocal8Bit());
    qputenv("SONAVEX_CONFIG", m_home.filePath("none.ini").toLocal8Bit());
    qputenv("SONAVEX_SERVER_URL", m_server.serverBaseUrl().toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", m_server.siteSuffix().toLocal8Bit());
    QVERIFY(QDir(m_home.path()).mkpath("tmp"));
    configuration::reload();
    sourceSites::reload();

    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_boxes = new MessageBoxCatcher(m_window.get());
    control<QPushButton>("Command3")->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
}

void tst_e2e_library::cleanupTestCase()
{
    m_window.reset();
    m_server.stop();
}

void tst_e2e_library::downloadedTrackIsListedAndPlays()
{
    QString artist;
    for (int i = 0; i <= appGlobals::recommendedArtistCount && artist.isEmpty(); ++i) {
        if (appGlobals::recommendedArtistNames[size_t(i)].size() > 3)
            artist = appGlobals::recommendedArtistNames[size_t(i)];
    }
    QVERIFY(!artist.isEmpty());
    control<QTabBar>("TabStrip1")->setCurrentIndex(1);
    control<QLineEdit>("Text1")->setText(artist);
    QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Return);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QVERIFY(appGlobals::searchResultCount > 0);

    // Straight onto the queue, as the chooser's "Download" does; the window's pump fetches it.
    const auto &row = appGlobals::searchResults[1];
    const QString entry = row[appGlobals::RESULT_ARTIST] + " - " + row[appGlobals::RESULT_TRACK];
    handleDownloads::enqueueDownload(row[appGlobals::RESULT_ARTIST], row[appGlobals::RESULT_TRACK],
                                     row[appGlobals::RESULT_SOURCE], *control<QListWidget>("List2"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(httpGlobals::mp3Folder + entry + ".mp3") || m_boxes->count() > 0,
                             120000);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));

    control<QPushButton>("Command7")->click();
    auto *list = control<QListWidget>("List1");
    const QList<QListWidgetItem *> lines = list->findItems(entry, Qt::MatchExactly);
    QCOMPARE(lines.size(), 1);
    list->setCurrentItem(lines.first());

    auto *player = control<platform::MediaPlayerControl>("MMControl1");
    QCOMPARE(player->mode(), Mode::Playing);
    QCOMPARE(control<QLabel>("Label11")->text(), row[appGlobals::RESULT_ARTIST]);
    QCOMPARE(control<QLabel>("Label12")->text(), row[appGlobals::RESULT_TRACK]);
    QVERIFY2(player->length() > 1000, qPrintable(QString::number(player->length())));
    QCOMPARE(control<QSlider>("Slider1")->maximum(), player->length());
    QVERIFY(!control<QLabel>("Picture1")->pixmap().isNull());
    QVERIFY(control<platform::WebBrowserControl>("WebBrowser1")->address().contains("trelvoAmazonSearch.php"));

    auto *position = control<QLabel>("Label9");
    auto *length = control<QLabel>("Label10");
    QTRY_COMPARE(length->text(), localMedia::timeText(player->length()));
    QTRY_VERIFY(position->text() != "0:00" || player->length() < 2000);

    QTest::mouseClick(player->findChild<QPushButton *>("pauseButton"), Qt::LeftButton);
    QCOMPARE(player->mode(), Mode::Paused);
    const int pausedAt = player->position();

    auto *slider = control<QSlider>("Slider1");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(player->mode(), Mode::Playing);
    QVERIFY(player->position() >= pausedAt);
    QTRY_COMPARE(player->mode(), Mode::Stopped);
    QTRY_COMPARE(position->text(), length->text());

    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(player->mode(), Mode::Playing);
    QVERIFY(player->position() < player->length());
    QTest::mouseClick(player->findChild<QPushButton *>("stopButton"), Qt::LeftButton);
    QCOMPARE(player->mode(), Mode::Stopped);
    QVERIFY(!control<QTimer>("Timer2")->isActive());
    QCOMPARE(m_boxes->count(), 0);
}

QTEST_MAIN(tst_e2e_library)
#include "tst_e2e_library.moc"
