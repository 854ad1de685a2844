// The real main window against the real sonavex-server: the connect with statistics, update notice,
// genres and the recommended artists' pictures; then searches, similar artists and radio.
#include "../ui/windowTestEnvironment.h"

#include "messageBoxCatcher.h"
#include "sonavexServerProcess.h"
#include "testHelpers.h"
#include "ui/clickableLabel.h"
#include "ui/formQueryDb.h"
#include "ui/guiRepositioning.h"

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
    std::unique_ptr<formQueryDb> m_window;
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

    m_window = std::make_unique<formQueryDb>();
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
    const auto match = found.match(m_window->Frame2->title());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void tst_e2e_search::searchFor(int tab, const QString &text)
{
    m_window->TabStrip1->setCurrentIndex(tab);
    m_window->Text1->setText(text);
    QTest::keyClick(m_window->Text1, Qt::Key_Return);
}

void tst_e2e_search::connectShowsTheCatalogue()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Not connected to server"));
    m_window->Command3->click();
    const QString notice = "A newer version ( 1.5 ) of this software is available.\r\nVisit " +
                           m_server.serverBaseUrl() + " to get updates";
    QCOMPARE(m_boxes->texts(), QStringList{notice});
    const QRegularExpression caption("^Sonavex : searching (\\d+) tracks from (\\d+) artists$");
    const auto match = caption.match(m_window->windowTitle());
    QVERIFY2(match.hasMatch(), qPrintable(m_window->windowTitle()));
    QCOMPARE(match.captured(1).toInt(), m_window->serverStatistics.trackCount);
    QCOMPARE(match.captured(2).toInt(), m_window->serverStatistics.artistCount);
    QVERIFY(m_window->serverStatistics.trackCount > 0 && m_window->serverStatistics.artistCount > 0);

    QCOMPARE(m_window->Combo1->itemText(0), QStringLiteral("Any"));
    QCOMPARE(m_window->Combo1->count(), m_window->serverStatistics.genreCount + 1);
    QVERIFY(m_window->Combo1->count() > 2);
    QVERIFY(m_window->Combo1->isEnabled() && m_window->Command5->isEnabled());
    QVERIFY(m_window->recommendedArtists.count() > 0);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame7), 10500);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame1), 120);
    QVERIFY(m_window->searchPanelShown);
    m_boxes->clear();

    // A name long enough to search for and to be confirmed by the name check.
    for (int i = 0; i <= m_window->recommendedArtists.count() && m_artist.isEmpty(); ++i) {
        if (m_window->recommendedArtists.at(i).name.size() > 3)
            m_artist = m_window->recommendedArtists.at(i).name;
    }
    QVERIFY(!m_artist.isEmpty());
}

void tst_e2e_search::genrePicturesListRecommendedArtists()
{
    QTest::mouseClick(m_window->Command1, Qt::LeftButton);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame6), 120);
    const std::pair<ClickableLabel *, int> genres[] = {
        {m_window->Image1, 2}, {m_window->Image2, 1}, {m_window->Image3, 3}};
    int listed = 0;
    for (const auto &[image, group] : genres) {
        QStringList expected;
        for (int i = 0; i <= m_window->recommendedArtists.count(); ++i) {
            const QString &name = m_window->recommendedArtists.at(i).name;
            if (m_window->recommendedArtists.at(i).category == group && !expected.contains(name))
                expected << name;
        }
        QTest::mouseClick(image, Qt::LeftButton);
        QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
        QStringList shown;
        for (int i = 0; i < m_window->TreeView1->topLevelItemCount(); ++i) {
            shown << m_window->TreeView1->topLevelItem(i)->text(0);
            QVERIFY(!m_window->TreeView1->topLevelItem(i)->icon(0).isNull());
        }
        QCOMPARE(shown, expected);
        listed += int(shown.size());
    }
    QVERIFY(listed > 0);
    QTest::mouseClick(m_window->Command6, Qt::LeftButton);
    QVERIFY(m_window->searchPanelShown);
}

void tst_e2e_search::artistAndKeywordSearch()
{
    searchFor(1, m_artist);
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    const int found = foundInCaption();
    QVERIFY2(found > 0, qPrintable(m_window->Frame2->title()));
    auto *grid = m_window->MSFlexGrid1;
    QCOMPARE(grid->rowCount(), found + 2);
    QCOMPARE(m_window->searchResults.count(), found);
    QVERIFY(grid->item(1, 0)->text().contains(m_artist, Qt::CaseInsensitive));
    QVERIFY(!m_window->searchResults.at(0).source.isEmpty());
    QVERIFY(!m_window->Picture2->pixmap().isNull());

    // A word of a title just found finds that track again by keyword.
    const QString title = m_window->searchResults.at(0).track;
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
    for (int row = 1; row <= m_window->searchResults.count(); ++row)
        titles << m_window->searchResults.at(row - 1).track;
    QVERIFY2(titles.contains(title), qPrintable(word));
}

void tst_e2e_search::similarArtistsNodeSearchAndRadio()
{
    m_window->Text1->setText(m_artist);
    m_window->Command4->click();
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    auto *tree = m_window->TreeView2;
    QVERIFY(tree->topLevelItemCount() > 0);
    QCOMPARE(m_window->Label5->text(), "Similar Artists : " + QString::number(tree->topLevelItemCount()));
    QVERIFY(m_window->similarArtists.count() <= webservice::SimilarArtists::MAX_ARTISTS);

    QTreeWidgetItem *node = tree->topLevelItem(0);
    const QString name = node->text(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QVERIFY2(m_boxes->count() == 0, qPrintable(m_boxes->texts().join(" | ")));
    QCOMPARE(m_window->Text1->text(), name.trimmed());
    QVERIFY(m_window->Text2->text().contains("trelvoTracksByArtist.php"));
    // An available artist has tracks.
    QVERIFY2(foundInCaption() > 0, qPrintable(m_window->Frame2->title()));
    const QString first = m_window->MSFlexGrid1->item(1, 0)->text();
    QVERIFY(first.contains(name.trimmed(), Qt::CaseInsensitive));

    // The radio list came with the similar artists; a click opens the address of its line.
    auto *list = m_window->List3;
    QVERIFY(list->count() > 0);
    QVERIFY(list->count() <= webservice::RadioStations::MAX_STATIONS);
    const int line = list->count() - 1;
    m_urls.opened.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
    QCOMPARE(m_urls.opened.size(), 1);
    const QUrl opened = m_urls.opened.first();
    QCOMPARE(opened, QUrl::fromUserInput(m_window->radioStations.address(line)));
    QVERIFY(opened.host().endsWith(".localhost"));
    QVERIFY(!opened.toString().contains("<br>", Qt::CaseInsensitive));
}

QTEST_MAIN(tst_e2e_search)
#include "tst_e2e_search.moc"
