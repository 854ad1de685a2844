// Downloads in the real main window from the real sonavex-server's stand-in sites: one track of
// every site kind through the pump and its resolver, and one chosen through the chooser, which is
// then listed under "my music" and played with the real player.
#include "../ui/windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/downloadQueue.h"
#include "downloads/transfer.h"
#include "http/httpAgent.h"
#include "media/playback.h"
#include "messageBoxCatcher.h"
#include "platform/mediaPlayerControl.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "sonavexServerProcess.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"
#include "ui/trackChooser.h"
#include "webservice/search.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

#include <map>

using Mode = platform::MediaPlayerControl::Mode;

class tst_e2e_download : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void everySiteKindLandsTheServedBytes_data();
    void everySiteKindLandsTheServedBytes();
    void trackChosenThroughTheChooserThenPlayed();

private:
    // True when the file landed under its name with the bytes the server keeps for a track.
    bool downloadOne(const webService::SearchRecord &track);
    bool isServedTrack(const QByteArray &bytes) const;
    // The first track of the kind that lands; a few catalogue tracks are broken on purpose (gone, no
    // link), and those say so and save nothing.
    webService::SearchRecord landOneOf(const QString &kind);

    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    std::unique_ptr<ui::MainWindow> m_window;
    MessageBoxCatcher *m_boxes = nullptr;
    std::map<QString, QList<webService::SearchRecord>> m_byKind;
};

namespace {
// The kind of site a source address belongs to, by its host's first label(s).
QString siteKind(const QString &source)
{
    const QString host = httpAgent::hostFromUrl(source).section(QLatin1Char(':'), 0, 0);
    for (const char *kind : {"music.download", "epitonic", "rave", "shutemdown", "files"}) {
        if (host.startsWith(QLatin1String(kind) + QLatin1Char('.')))
            return QLatin1String(kind);
    }
    for (const char *home : {"betterpropaganda", "lemonred", "insound", "mp3au"}) {
        if (host.startsWith(QLatin1String(home) + QLatin1Char('.')))
            return QStringLiteral("home-page-only");
    }
    return {};
}
} // namespace

void tst_e2e_download::initTestCase()
{
    QVERIFY2(m_server.start(m_home.filePath("server")), qPrintable(m_server.errorString()));
    m_environment = std::make_unique<WindowTestEnvironment>(m_server.serverBaseUrl(), m_server.siteSuffix());

    m_window = std::make_unique<ui::MainWindow>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    m_boxes = new MessageBoxCatcher(m_window.get());

    // Tracks of every kind, from title searches as the server answers them.
    const QString workFile = httpGlobals::tempFolder + "e2e_search.html";
    platform::SocketControl socket;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const QString address = webService::searchQueryUrl("Title", QString(QLatin1Char(letter)), 0);
        const int status = httpAgent::sendGetRequest(
            httpAgent::hostFromUrl(address), "80", httpAgent::pathFromUrl(address),
            httpGlobals::serverBaseUrl, httpGlobals::userAgent, socket, workFile, 9);
        QCOMPARE(status, 200);
        for (const webService::SearchRecord &record : webService::parseSearchResults(workFile))
            m_byKind[siteKind(record[webService::RECORD_SOURCE])].append(record);
        QFile::remove(workFile);
    }
}

void tst_e2e_download::cleanupTestCase()
{
    m_window.reset();
}

bool tst_e2e_download::isServedTrack(const QByteArray &bytes) const
{
    // The server keeps each track it has served as <data>/mp3/<id>.mp3.
    QDir stored(m_home.filePath("server/mp3"));
    for (const QString &name : stored.entryList({"*.mp3"}, QDir::Files)) {
        QFile file(stored.filePath(name));
        if (file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes)
            return true;
    }
    return false;
}

bool tst_e2e_download::downloadOne(const webService::SearchRecord &track)
{
    const QString artist = track[webService::RECORD_ARTIST];
    const QString title = track[webService::RECORD_TITLE];
    const QString finalFile = handleDownloads::trackFileStem(artist, title) + ".mp3";
    handleDownloads::enqueueDownload(artist, title, track[webService::RECORD_SOURCE],
                                     *m_window->currentDownloadPanel->downloadQueueList);
    // Taken off the queue by the pump, then downloaded to its end.
    if (!QTest::qWaitFor([] { return appGlobals::downloadCount == 0 && !handleDownloads::pumpStepRunning(); },
                         60000))
        return false;
    QFile file(finalFile);
    return file.open(QIODevice::ReadOnly) && isServedTrack(file.readAll());
}

void tst_e2e_download::everySiteKindLandsTheServedBytes_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"epitonic", "music.download", "rave", "shutemdown", "home-page-only", "files"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

webService::SearchRecord tst_e2e_download::landOneOf(const QString &kind)
{
    const QList<webService::SearchRecord> candidates = m_byKind[kind];
    for (qsizetype i = 0; i < candidates.size() && i < 6; ++i) {
        m_boxes->clear();
        if (downloadOne(candidates[i]))
            return candidates[i];
        if (m_boxes->count() != 1)
            return {};
    }
    return {};
}

void tst_e2e_download::everySiteKindLandsTheServedBytes()
{
    QFETCH(QString, kind);
    QVERIFY2(!m_byKind[kind].isEmpty(), "no track of this kind in the catalogue");
    QVERIFY2(!landOneOf(kind)[0].isEmpty(), qPrintable(m_boxes->texts().join(" / ")));
    const QStringList leftovers = QDir(httpGlobals::mp3Folder).entryList({"*.tmp"}, QDir::Files);
    QCOMPARE(leftovers, QStringList());
}

void tst_e2e_download::trackChosenThroughTheChooserThenPlayed()
{
    // The window's own search for the artist of a track known to land lists that track.
    const webService::SearchRecord landed = landOneOf("files");
    const QString artist = landed[webService::RECORD_ARTIST];
    const QString title = landed[webService::RECORD_TITLE];
    QVERIFY(!artist.isEmpty());
    webService::searchTracks("Artist", artist, *m_window->searchOptionsPanel->genreBox,
                             *m_window->searchOptionsPanel->queryAddressField, *m_window->resultsPanel,
                             *m_window->serviceSocket, *m_window->resultsPanel->resultsGrid,
                             *m_window->shopPanel->shopBrowser, httpGlobals::webServiceSlot);
    int row = 1;
    while (row <= appGlobals::searchResultCount &&
           appGlobals::searchResults[size_t(row)][appGlobals::RESULT_TRACK] != title)
        ++row;
    QVERIFY(row <= appGlobals::searchResultCount);
    const QString finalFile = handleDownloads::trackFileStem(artist, title) + ".mp3";
    QVERIFY(QFile::remove(finalFile));

    ui::TrackChooser *chooser = m_window->chooser();
    QTimer choose;
    connect(&choose, &QTimer::timeout, this, [&] {
        if (!chooser->isVisible())
            return;
        choose.stop();
        chooser->downloadOption->setChecked(true);
        QTest::mouseClick(chooser->doItButton, Qt::LeftButton);
    });
    choose.start(20);
    m_boxes->clear();
    Q_EMIT m_window->resultsPanel->resultsGrid->cellClicked(row, 0);
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(finalFile) && !handleDownloads::pumpStepRunning(); },
                            60000));
    QFile file(finalFile);
    QVERIFY(file.open(QIODevice::ReadOnly) && isServedTrack(file.readAll()));
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" / ")));

    // Listed under "my music" and played with the real player.
    m_window->searchOptionsPanel->myMusicButton->click();
    const QList<QListWidgetItem *> lines = m_window->libraryPanel->libraryList->findItems(
        QFileInfo(finalFile).completeBaseName(), Qt::MatchExactly);
    QCOMPARE(lines.size(), 1);
    m_window->libraryPanel->libraryList->setCurrentItem(lines.first());

    platform::MediaPlayerControl *player = m_window->libraryPanel->player;
    QCOMPARE(player->mode(), Mode::Playing);
    QCOMPARE(m_window->libraryPanel->nowPlayingArtist->text() + " - " +
                 m_window->libraryPanel->nowPlayingTrack->text(),
             lines.first()->text());
    QVERIFY2(player->length() > 1000, qPrintable(QString::number(player->length())));
    QCOMPARE(m_window->libraryPanel->positionSlider->maximum(), player->length());
    QVERIFY(m_window->shopPanel->shopBrowser->address().contains("trelvoAmazonSearch.php"));
    QTRY_COMPARE(m_window->libraryPanel->lengthLabel->text(), localMedia::timeText(player->length()));
    QTRY_VERIFY(m_window->libraryPanel->positionLabel->text() != "0:00" || player->length() < 2000);

    // Paused, a key on the slider plays from its end; the track ends with both times alike.
    QTest::mouseClick(player->findChild<QPushButton *>("pauseButton"), Qt::LeftButton);
    QCOMPARE(player->mode(), Mode::Paused);
    const int pausedAt = player->position();
    m_window->libraryPanel->positionSlider->setFocus();
    QTest::keyClick(m_window->libraryPanel->positionSlider, Qt::Key_End);
    QCOMPARE(player->mode(), Mode::Playing);
    QVERIFY(player->position() >= pausedAt);
    QTRY_COMPARE(player->mode(), Mode::Stopped);
    QTRY_COMPARE(m_window->libraryPanel->positionLabel->text(), m_window->libraryPanel->lengthLabel->text());

    QTest::keyClick(m_window->libraryPanel->positionSlider, Qt::Key_Home);
    QCOMPARE(player->mode(), Mode::Playing);
    QVERIFY(player->position() < player->length());
    QTest::mouseClick(player->findChild<QPushButton *>("stopButton"), Qt::LeftButton);
    QCOMPARE(player->mode(), Mode::Stopped);
    QVERIFY(!m_window->libraryPanel->playbackTimer->isActive());
    QCOMPARE(m_boxes->count(), 0);
}

QTEST_MAIN(tst_e2e_download)
#include "tst_e2e_download.moc"
