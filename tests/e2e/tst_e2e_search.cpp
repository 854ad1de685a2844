// Search, similar artists and radio in the real main window against the real sonavex-server.
#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/sourceSites.h"
#include "messageBoxCatcher.h"
#include "sonavexServerProcess.h"
#include "ui/formQueryDb.h"

#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

// Records what the window hands to the desktop's default handler.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

class tst_e2e_search : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void artistAndKeywordSearch();
    void similarArtistsThenNodeSearch();
    void radioStationOpens();

private:
    int foundInCaption() const;
    template <typename T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    void searchFor(int tab, const QString &text);

    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    UrlRecorder m_urls;
    std::unique_ptr<formQueryDb> m_window;
    MessageBoxCatcher *m_boxes = nullptr;
    QString m_artist;
};

void tst_e2e_search::initTestCase()
{
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
    QDesktopServices::setUrlHandler("http", &m_urls, "open");

    m_window = std::make_unique<formQueryDb>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_boxes = new MessageBoxCatcher(m_window.get());
    control<QPushButton>("Command3")->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QVERIFY(control<QPushButton>("Command5")->isEnabled());
    QVERIFY(appGlobals::recommendedArtistCount > 0);
    // A name long enough to search for and to be confirmed by the name check.
    for (int i = 0; i <= appGlobals::recommendedArtistCount && m_artist.isEmpty(); ++i) {
        if (appGlobals::recommendedArtistNames[size_t(i)].size() > 3)
            m_artist = appGlobals::recommendedArtistNames[size_t(i)];
    }
    QVERIFY(!m_artist.isEmpty());
}

void tst_e2e_search::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler("http");
    m_window.reset();
    m_server.stop();
}

int tst_e2e_search::foundInCaption() const
{
    static const QRegularExpression found("^Search Results : (\\d+) free tracks? found$");
    const auto match = found.match(control<QGroupBox>("Frame2")->title());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void tst_e2e_search::searchFor(int tab, const QString &text)
{
    control<QTabBar>("TabStrip1")->setCurrentIndex(tab);
    control<QLineEdit>("Text1")->setText(text);
    QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Return);
}

void tst_e2e_search::artistAndKeywordSearch()
{
    searchFor(1, m_artist);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    const int found = foundInCaption();
    QVERIFY2(found > 0, qPrintable(control<QGroupBox>("Frame2")->title()));
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    QCOMPARE(grid->rowCount(), found + 2);
    QCOMPARE(appGlobals::searchResultCount, found);
    QVERIFY(grid->item(1, 0)->text().contains(m_artist, Qt::CaseInsensitive));
    QVERIFY(!appGlobals::searchResults[1][appGlobals::RESULT_SOURCE].isEmpty());
    QVERIFY(!control<QLabel>("Picture2")->pixmap().isNull());

    // A word of a title just found finds that track again by keyword.
    const QString title = appGlobals::searchResults[1][appGlobals::RESULT_TRACK];
    QString word;
    for (const QString &part : title.split(' ', Qt::SkipEmptyParts)) {
        if (part.size() > word.size())
            word = part;
    }
    QVERIFY2(word.size() >= 3, qPrintable(title));
    searchFor(0, word);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QVERIFY(foundInCaption() > 0);
    bool titleListed = false;
    for (int row = 1; row <= appGlobals::searchResultCount; ++row)
        titleListed =
            titleListed || appGlobals::searchResults[size_t(row)][appGlobals::RESULT_TRACK] == title;
    QVERIFY2(titleListed, qPrintable(word));
}

void tst_e2e_search::similarArtistsThenNodeSearch()
{
    control<QLineEdit>("Text1")->setText(m_artist);
    control<QPushButton>("Command4")->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    auto *tree = control<QTreeWidget>("TreeView2");
    QVERIFY(tree->topLevelItemCount() > 0);
    QCOMPARE(control<QLabel>("Label5")->text(),
             "Similar Artists : " + QString::number(tree->topLevelItemCount()));
    QVERIFY(appGlobals::similarArtistCount <= appGlobals::SIMILAR_ARTIST_SLOTS);

    QTreeWidgetItem *node = tree->topLevelItem(0);
    const QString name = node->text(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QCOMPARE(control<QLineEdit>("Text1")->text(), name.trimmed());
    QVERIFY(control<QLineEdit>("Text2")->text().contains("trelvoTracksByArtist.php"));
    // An available artist has tracks.
    QVERIFY2(foundInCaption() > 0, qPrintable(control<QGroupBox>("Frame2")->title()));
    QVERIFY(control<QTableWidget>("MSFlexGrid1")
                ->item(1, 0)
                ->text()
                .contains(name.trimmed(), Qt::CaseInsensitive));
}

void tst_e2e_search::radioStationOpens()
{
    control<QLineEdit>("Text1")->setText(m_artist);
    control<QPushButton>("Command4")->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    auto *list = control<QListWidget>("List3");
    QVERIFY(list->count() > 0);
    QVERIFY(list->count() <= appGlobals::RADIO_STATION_SLOTS);
    const int line = list->count() - 1;
    m_urls.opened.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
    QCOMPARE(m_urls.opened.size(), 1);
    const QUrl opened = m_urls.opened.first();
    QCOMPARE(opened, QUrl::fromUserInput(appGlobals::radioStationAddresses[size_t(line)]));
    QVERIFY(opened.host().endsWith(".localhost"));
    QVERIFY(!opened.toString().contains("<br>", Qt::CaseInsensitive));
}

QTEST_MAIN(tst_e2e_search)
#include "tst_e2e_search.moc"
