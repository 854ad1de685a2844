// The real client connects to the real sonavex-server: statistics, update notice, genres,
// recommended artists with their pictures, and the shop suggestions.
#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/sourceSites.h"
#include "messageBoxCatcher.h"
#include "platform/webBrowserControl.h"
#include "sonavexServerProcess.h"
#include "ui/clickableLabel.h"
#include "ui/formQueryDb.h"
#include "ui/guiRepositioning.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

class tst_e2e_connect : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void connectShowsTheCatalogue();
    void genrePicturesListRecommendedArtists();
    void storeButtonsReloadTheSuggestions();

private:
    QTemporaryDir m_home;
    SonavexServerProcess m_server;
    std::unique_ptr<formQueryDb> m_window;
};

void tst_e2e_connect::initTestCase()
{
    QVERIFY(m_home.isValid());
    // The server names a newer client, so the connect shows the update notice.
    m_server.setExtraArguments({"--latest-client-version", "5"});
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
}

void tst_e2e_connect::cleanupTestCase()
{
    m_window.reset();
    m_server.stop();
}

void tst_e2e_connect::connectShowsTheCatalogue()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Sonavex : Not connected to server"));
    MessageBoxCatcher boxes;
    m_window->Command3->click();

    QCOMPARE(boxes.texts(), QStringList{"A newer version ( 1.5 ) of this software is available.\r\nVisit " +
                                        m_server.serverBaseUrl() + " to get updates"});
    const QRegularExpression caption("^Sonavex : searching (\\d+) tracks from (\\d+) artists$");
    const auto match = caption.match(m_window->windowTitle());
    QVERIFY2(match.hasMatch(), qPrintable(m_window->windowTitle()));
    QCOMPARE(match.captured(1).toInt(), appGlobals::serverTrackCount);
    QCOMPARE(match.captured(2).toInt(), appGlobals::serverArtistCount);
    QVERIFY(appGlobals::serverTrackCount > 0);
    QVERIFY(appGlobals::serverArtistCount > 0);

    QCOMPARE(m_window->Combo1->itemText(0), QStringLiteral("Any"));
    QCOMPARE(m_window->Combo1->count(), appGlobals::serverGenreCount + 1);
    QVERIFY(m_window->Combo1->count() > 2);
    QVERIFY(m_window->Combo1->isEnabled());
    QVERIFY(m_window->Command5->isEnabled());
    QVERIFY(appGlobals::recommendedArtistCount > 0);

    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame7), 10500);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame1), 120);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame2), 2160);
    QVERIFY(appGlobals::searchPanelShown);
}

void tst_e2e_connect::genrePicturesListRecommendedArtists()
{
    QTest::mouseClick(m_window->Command1, Qt::LeftButton);
    QCOMPARE(guiRepositioning::topTwips(*m_window->Frame6), 120);

    const std::array<std::pair<ClickableLabel *, int>, 3> genres{
        {{m_window->Image1, 2}, {m_window->Image2, 1}, {m_window->Image3, 3}}};
    int listed = 0;
    for (const auto &[image, group] : genres) {
        QStringList expected;
        for (int i = 0; i <= appGlobals::recommendedArtistCount; ++i) {
            if (appGlobals::recommendedArtistCategories[std::size_t(i)] == group &&
                !expected.contains(appGlobals::recommendedArtistNames[std::size_t(i)]))
                expected << appGlobals::recommendedArtistNames[std::size_t(i)];
        }
        MessageBoxCatcher boxes;
        QTest::mouseClick(image, Qt::LeftButton);
        QVERIFY2(boxes.count() == 0, qPrintable(boxes.texts().join(" | ")));
        QStringList shown;
        for (int i = 0; i < m_window->TreeView1->topLevelItemCount(); ++i) {
            shown << m_window->TreeView1->topLevelItem(i)->text(0);
            QVERIFY(!m_window->TreeView1->topLevelItem(i)->icon(0).isNull());
        }
        QCOMPARE(shown, expected);
        listed += int(shown.size());
    }
    QVERIFY(listed > 0);
}

void tst_e2e_connect::storeButtonsReloadTheSuggestions()
{
    appLocalisation::lastShopTerm = QStringLiteral("Some%20Band");
    QTest::mouseClick(m_window->Command12, Qt::LeftButton);
    QCOMPARE(m_window->WebBrowser1->address(),
             m_server.serverBaseUrl() + "trelvoAmazonSearch.php?searchTerm=Some%20Band&locale=de");
}

QTEST_MAIN(tst_e2e_connect)
#include "tst_e2e_connect.moc"
