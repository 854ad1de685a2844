// The real main window against the real sonavex-server: the connect with statistics, update notice,
// genres and the recommended artists' pictures; then searches, similar artists and radio. Each case
// starts from a fresh window that has just connected.
#include "../ui/windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "messageBoxCatcher.h"
#include "sonavexServerProcess.h"
#include "ui/clickableLabel.h"
#include "ui/mainWindow.h"
#include "ui/panels.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

class tst_e2e_search : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    UrlRecorder m_urls;
    std::unique_ptr<ui::MainWindow> m_window;
    ui::SearchOptionsPanel *m_search = nullptr;
    MessageBoxCatcher *m_boxes = nullptr;
    QStringList m_connectMessages;

    int foundInCaption() const
    {
        static const QRegularExpression found("^Search Results : (\\d+) free tracks? found$");
        const auto match = found.match(m_window->resultsPanel->title());
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }

    void searchFor(int tab, const QString &text)
    {
        m_search->searchKindTabs->setCurrentIndex(tab);
        m_search->searchField->setText(text);
        QTest::keyClick(m_search->searchField, Qt::Key_Return);
    }

    // A recommended artist, long enough to search for and to be confirmed by the name check.
    static QString someArtist()
    {
        for (int i = 0; i <= appGlobals::recommendedArtistCount; ++i) {
            if (appGlobals::recommendedArtistNames[size_t(i)].size() > 3)
                return appGlobals::recommendedArtistNames[size_t(i)];
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The server names a newer client, so the connect shows the update notice.
        m_server.setExtraArguments({"--latest-client-version", "5"});
        QVERIFY2(m_server.start(m_home.filePath("server")), qPrintable(m_server.errorString()));
        m_environment =
            std::make_unique<WindowTestEnvironment>(m_server.serverBaseUrl(), m_server.siteSuffix());
        QDesktopServices::setUrlHandler("http", &m_urls, "open");
    }

    void init()
    {
        m_window = std::make_unique<ui::MainWindow>();
        QVERIFY(m_window->isLoaded());
        m_search = m_window->searchOptionsPanel;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_boxes = new MessageBoxCatcher(m_window.get());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Not connected to server"));
        m_window->connectPanel->connectButton->click();
        m_connectMessages = m_boxes->texts();
        m_boxes->clear();
    }

    void cleanup()
    {
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        m_window.reset();
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        m_server.stop();
    }

    void connectShowsTheCatalogue()
    {
        QCOMPARE(m_connectMessages,
                 QStringList{"A newer version ( 1.5 ) of this software is available.\r\nVisit " +
                             m_server.serverBaseUrl() + " to get updates"});
        const QRegularExpression caption("^Sonavex : searching (\\d+) tracks from (\\d+) artists$");
        const auto match = caption.match(m_window->windowTitle());
        QVERIFY2(match.hasMatch(), qPrintable(m_window->windowTitle()));
        QCOMPARE(match.captured(1).toInt(), appGlobals::serverTrackCount);
        QCOMPARE(match.captured(2).toInt(), appGlobals::serverArtistCount);
        QVERIFY(appGlobals::serverTrackCount > 0 && appGlobals::serverArtistCount > 0);
        QCOMPARE(m_search->genreBox->itemText(0), QStringLiteral("Any"));
        QCOMPARE(m_search->genreBox->count(), appGlobals::serverGenreCount + 1);
        QVERIFY(m_search->genreBox->count() > 2);
        QVERIFY(m_search->genreBox->isEnabled() && m_search->searchButton->isEnabled());
        QVERIFY(appGlobals::recommendedArtistCount > 0);
        QVERIFY(appGlobals::searchPanelShown);
    }

    void genrePicturesListRecommendedArtists()
    {
        QTest::mouseClick(m_search->recommendationsButton, Qt::LeftButton);
        ui::RecommendationsPanel *panel = m_window->recommendationsPanel;
        int listed = 0;
        for (std::size_t picture = 0; picture < panel->genrePictures.size(); ++picture) {
            QStringList expected;
            for (int i = 0; i <= appGlobals::recommendedArtistCount; ++i) {
                const QString &name = appGlobals::recommendedArtistNames[std::size_t(i)];
                if (appGlobals::recommendedArtistCategories[std::size_t(i)] == panel->genreGroup(picture) &&
                    !expected.contains(name))
                    expected << name;
            }
            QTest::mouseClick(panel->genrePictures[picture], Qt::LeftButton);
            QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
            QStringList shown;
            for (int i = 0; i < panel->recommendedArtistsTree->topLevelItemCount(); ++i) {
                shown << panel->recommendedArtistsTree->topLevelItem(i)->text(0);
                QVERIFY(!panel->recommendedArtistsTree->topLevelItem(i)->icon(0).isNull());
            }
            QCOMPARE(shown, expected);
            listed += int(shown.size());
        }
        QVERIFY(listed > 0);
        QTest::mouseClick(panel->backToSearchButton, Qt::LeftButton);
        QVERIFY(appGlobals::searchPanelShown);
    }

    void artistAndKeywordSearch()
    {
        const QString artist = someArtist();
        searchFor(1, artist);
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        const int found = foundInCaption();
        QVERIFY2(found > 0, qPrintable(m_window->resultsPanel->title()));
        QCOMPARE(m_window->resultsPanel->resultsGrid->rowCount(), found + 2);
        QCOMPARE(appGlobals::searchResultCount, found);
        QVERIFY(
            m_window->resultsPanel->resultsGrid->item(1, 0)->text().contains(artist, Qt::CaseInsensitive));
        QVERIFY(!appGlobals::searchResults[1][appGlobals::RESULT_SOURCE].isEmpty());
        QVERIFY(!m_search->searchArtistPicture->pixmap().isNull());

        // A word of a title just found finds that track again by keyword.
        const QString title = appGlobals::searchResults[1][appGlobals::RESULT_TRACK];
        QString word;
        for (const QString &part : title.split(' ', Qt::SkipEmptyParts)) {
            if (part.size() > word.size())
                word = part;
        }
        QVERIFY2(word.size() >= 3, qPrintable(title));
        searchFor(0, word);
        QVERIFY(foundInCaption() > 0);
        QStringList titles;
        for (int row = 1; row <= appGlobals::searchResultCount; ++row)
            titles << appGlobals::searchResults[size_t(row)][appGlobals::RESULT_TRACK];
        QVERIFY2(titles.contains(title), qPrintable(word));
    }

    void similarArtistsNodeSearchAndRadio()
    {
        m_search->searchField->setText(someArtist());
        m_search->similarArtistsButton->click();
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        QTreeWidget *tree = m_window->similarArtistsPanel->similarArtistsTree;
        QVERIFY(tree->topLevelItemCount() > 0);
        QCOMPARE(m_window->similarArtistsPanel->similarArtistsCaption->text(),
                 "Similar Artists : " + QString::number(tree->topLevelItemCount()));
        QVERIFY(appGlobals::similarArtistCount <= appGlobals::SIMILAR_ARTIST_SLOTS);

        QTreeWidgetItem *node = tree->topLevelItem(0);
        const QString name = node->text(0).trimmed();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        QCOMPARE(m_search->searchField->text(), name);
        QVERIFY(m_search->queryAddressField->text().contains("trelvoTracksByArtist.php"));
        // An available artist has tracks.
        QVERIFY2(foundInCaption() > 0, qPrintable(m_window->resultsPanel->title()));
        QVERIFY(m_window->resultsPanel->resultsGrid->item(1, 0)->text().contains(name, Qt::CaseInsensitive));

        // The radio list came with the similar artists; a click opens the address of its line.
        QListWidget *list = m_window->radioPanel->radioList;
        QVERIFY(list->count() > 0 && list->count() <= appGlobals::RADIO_STATION_SLOTS);
        const int line = list->count() - 1;
        m_urls.opened.clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(line)).center());
        QCOMPARE(m_urls.opened.size(), 1);
        const QUrl opened = m_urls.opened.first();
        QCOMPARE(opened, QUrl::fromUserInput(appGlobals::radioStationAddresses[size_t(line)]));
        QVERIFY(opened.host().endsWith(".localhost"));
        QVERIFY(!opened.toString().contains("<br>", Qt::CaseInsensitive));
    }
};

QTEST_MAIN(tst_e2e_search)
#include "tst_e2e_search.moc"
