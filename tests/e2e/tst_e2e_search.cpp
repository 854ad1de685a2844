// The real main window against the real sonavex-server: the connect with statistics, update notice,
// genres and the recommended artists' pictures; then searches, similar artists and radio.
#include "../ui/windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "messageBoxCatcher.h"
#include "sonavexServerProcess.h"
#include "ui/clickableLabel.h"
#include "ui/layout.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableWidget>
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
    void connectShowsTheCatalogue();
    void genrePicturesListRecommendedArtists();
    void artistAndKeywordSearch();
    void similarArtistsNodeSearchAndRadio();

private:
    int foundInCaption() const;
    void searchFor(int tab, const QString &text);

    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    UrlRecorder m_urls;
    std::unique_ptr<ui::MainWindow> m_window;
    MessageBoxCatcher *m_boxes = nullptr;
    QString m_artist;
};

void tst_e2e_search::initTestCase()
{
    // The server names a newer client, so the connect shows the update notice.
    m_server.setExtraArguments({"--latest-client-version", "5"});
    QVERIFY2(m_server.start(m_home.filePath("server")), qPrintable(m_server.errorString()));
    m_environment = std::make_unique<WindowTestEnvironment>(m_server.serverBaseUrl(), m_server.siteSuffix());
    QDesktopServices::setUrlHandler("http", &m_urls, "open");

    m_window = std::make_unique<ui::MainWindow>();
    QVERIFY(m_window->isLoaded());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_boxes = new MessageBoxCatcher(m_window.get());
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
    const auto match = found.match(m_window->resultsPanel->title());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void tst_e2e_search::searchFor(int tab, const QString &text)
{
    m_window->searchOptionsPanel->searchKindTabs->setCurrentIndex(tab);
    m_window->searchOptionsPanel->searchField->setText(text);
    QTest::keyClick(m_window->searchOptionsPanel->searchField, Qt::Key_Return);
}

void tst_e2e_search::connectShowsTheCatalogue()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Not connected to server"));
    m_window->connectPanel->connectButton->click();
    const QString notice = "A newer version ( 1.5 ) of this software is available.\r\nVisit " +
                           m_server.serverBaseUrl() + " to get updates";
    QCOMPARE(m_boxes->texts(), QStringList{notice});
    const QRegularExpression caption("^Sonavex : searching (\\d+) tracks from (\\d+) artists$");
    const auto match = caption.match(m_window->windowTitle());
    QVERIFY2(match.hasMatch(), qPrintable(m_window->windowTitle()));
    QCOMPARE(match.captured(1).toInt(), appGlobals::serverTrackCount);
    QCOMPARE(match.captured(2).toInt(), appGlobals::serverArtistCount);
    QVERIFY(appGlobals::serverTrackCount > 0 && appGlobals::serverArtistCount > 0);

    QCOMPARE(m_window->searchOptionsPanel->genreBox->itemText(0), QStringLiteral("Any"));
    QCOMPARE(m_window->searchOptionsPanel->genreBox->count(), appGlobals::serverGenreCount + 1);
    QVERIFY(m_window->searchOptionsPanel->genreBox->count() > 2);
    QVERIFY(m_window->searchOptionsPanel->genreBox->isEnabled() &&
            m_window->searchOptionsPanel->searchButton->isEnabled());
    QVERIFY(appGlobals::recommendedArtistCount > 0);
    QCOMPARE(m_window->connectPanel->y(), ui::HIDDEN_TOP);
    QCOMPARE(m_window->searchOptionsPanel->y(), ui::SHOWN_TOP);
    QVERIFY(appGlobals::searchPanelShown);
    m_boxes->clear();

    // A name long enough to search for and to be confirmed by the name check.
    for (int i = 0; i <= appGlobals::recommendedArtistCount && m_artist.isEmpty(); ++i) {
        if (appGlobals::recommendedArtistNames[size_t(i)].size() > 3)
            m_artist = appGlobals::recommendedArtistNames[size_t(i)];
    }
    QVERIFY(!m_artist.isEmpty());
}

void tst_e2e_search::genrePicturesListRecommendedArtists()
{
    QTest::mouseClick(m_window->searchOptionsPanel->recommendationsButton, Qt::LeftButton);
    QCOMPARE(m_window->recommendationsPanel->y(), ui::SHOWN_TOP);
    const std::pair<ui::ClickableLabel *, int> genres[] = {
        {m_window->recommendationsPanel->genrePictures[0], 2},
        {m_window->recommendationsPanel->genrePictures[1], 1},
        {m_window->recommendationsPanel->genrePictures[2], 3}};
    int listed = 0;
    for (const auto &[image, group] : genres) {
        QStringList expected;
        for (int i = 0; i <= appGlobals::recommendedArtistCount; ++i) {
            const QString &name = appGlobals::recommendedArtistNames[std::size_t(i)];
            if (appGlobals::recommendedArtistCategories[std::size_t(i)] == group && !expected.contains(name))
                expected << name;
        }
        QTest::mouseClick(image, Qt::LeftButton);
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        QStringList shown;
        for (int i = 0; i < m_window->recommendationsPanel->recommendedArtistsTree->topLevelItemCount();
             ++i) {
            shown << m_window->recommendationsPanel->recommendedArtistsTree->topLevelItem(i)->text(0);
            QVERIFY(
                !m_window->recommendationsPanel->recommendedArtistsTree->topLevelItem(i)->icon(0).isNull());
        }
        QCOMPARE(shown, expected);
        listed += int(shown.size());
    }
    QVERIFY(listed > 0);
    QTest::mouseClick(m_window->recommendationsPanel->backToSearchButton, Qt::LeftButton);
    QVERIFY(appGlobals::searchPanelShown);
}

void tst_e2e_search::artistAndKeywordSearch()
{
    searchFor(1, m_artist);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    const int found = foundInCaption();
    QVERIFY2(found > 0, qPrintable(m_window->resultsPanel->title()));
    auto *grid = m_window->resultsPanel->resultsGrid;
    QCOMPARE(grid->rowCount(), found + 2);
    QCOMPARE(appGlobals::searchResultCount, found);
    QVERIFY(grid->item(1, 0)->text().contains(m_artist, Qt::CaseInsensitive));
    QVERIFY(!appGlobals::searchResults[1][appGlobals::RESULT_SOURCE].isEmpty());
    QVERIFY(!m_window->searchOptionsPanel->searchArtistPicture->pixmap().isNull());

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
    QStringList titles;
    for (int row = 1; row <= appGlobals::searchResultCount; ++row)
        titles << appGlobals::searchResults[size_t(row)][appGlobals::RESULT_TRACK];
    QVERIFY2(titles.contains(title), qPrintable(word));
}

void tst_e2e_search::similarArtistsNodeSearchAndRadio()
{
    m_window->searchOptionsPanel->searchField->setText(m_artist);
    m_window->searchOptionsPanel->similarArtistsButton->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    auto *tree = m_window->similarArtistsPanel->similarArtistsTree;
    QVERIFY(tree->topLevelItemCount() > 0);
    QCOMPARE(m_window->similarArtistsPanel->similarArtistsCaption->text(),
             "Similar Artists : " + QString::number(tree->topLevelItemCount()));
    QVERIFY(appGlobals::similarArtistCount <= appGlobals::SIMILAR_ARTIST_SLOTS);

    QTreeWidgetItem *node = tree->topLevelItem(0);
    const QString name = node->text(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QCOMPARE(m_window->searchOptionsPanel->searchField->text(), name.trimmed());
    QVERIFY(m_window->searchOptionsPanel->queryAddressField->text().contains("trelvoTracksByArtist.php"));
    // An available artist has tracks.
    QVERIFY2(foundInCaption() > 0, qPrintable(m_window->resultsPanel->title()));
    const QString first = m_window->resultsPanel->resultsGrid->item(1, 0)->text();
    QVERIFY(first.contains(name.trimmed(), Qt::CaseInsensitive));

    // The radio list came with the similar artists; a click opens the address of its line.
    auto *list = m_window->radioPanel->radioList;
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
