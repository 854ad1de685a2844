// Addresses that lead out of the program, built from the site table and its overrides.
#include "core/appGlobals.h"
#include "core/configuration.h"
#include "core/httpGlobals.h"
#include "downloads/outsideLinks.h"
#include "downloads/sourceSites.h"
#include "platform/webBrowserControl.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_outsideLinks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void sourceHomePage_data();
    void sourceHomePage();
    void webSearchAddress_data();
    void webSearchAddress();
    void shopLocaleCode_data();
    void shopLocaleCode();
    void shopSuggestions();
    void overridesFromTheSettingsFile();

private:
    QTemporaryDir m_folder;
};

void tst_outsideLinks::initTestCase()
{
    QVERIFY(m_folder.isValid());
    qputenv("SONAVEX_CONFIG", m_folder.filePath("none.ini").toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:9090");
    qunsetenv("SONAVEX_SERVER_URL");
    configuration::reload();
    sourceSites::reload();
    httpGlobals::serverBaseUrl = configuration::serverBaseUrl();
}

void tst_outsideLinks::cleanup()
{
    qputenv("SONAVEX_CONFIG", m_folder.filePath("none.ini").toLocal8Bit());
    configuration::reload();
    sourceSites::reload();
}

void tst_outsideLinks::sourceHomePage_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("page");
    const QString track = "http://music.download.localhost:9090/3000-2133_32-10012345.html";
    QTest::newRow("download site track page is its own page") << track << track;
    QTest::newRow("epitonic") << "http://www.epitonic.localhost:9090/artists/band.html"
                              << "http://epitonic.localhost:9090/";
    QTest::newRow("case does not matter") << "http://WWW.EPITONIC.LOCALHOST:9090/x.mp3"
                                          << "http://epitonic.localhost:9090/";
    QTest::newRow("better propaganda") << "http://betterpropaganda.localhost:9090/a.mp3"
                                       << "http://betterpropaganda.localhost:9090/";
    QTest::newRow("lemon red") << "http://lemonred.localhost:9090/a.mp3"
                               << "http://lemonred.localhost:9090/";
    QTest::newRow("insound") << "http://insound.localhost:9090/a.mp3"
                             << "http://insound.localhost:9090/";
    QTest::newRow("mp3 au") << "http://mp3au.localhost:9090/a.mp3"
                            << "http://mp3au.localhost:9090/";
    QTest::newRow("later match wins") << "http://epitonic.localhost:9090/go?to=insound.localhost"
                                      << "http://insound.localhost:9090/";
    QTest::newRow("download site outside its music section") << "http://dl.download.localhost:9090/redir?x=1"
                                                             << "http://dl.download.localhost:9090/";
    QTest::newRow("unknown site") << "http://files.example.org/some/track.mp3"
                                  << "http://files.example.org/";
    QTest::newRow("no host") << "no address at all"
                             << "http:///";
}

void tst_outsideLinks::sourceHomePage()
{
    QFETCH(QString, source);
    QFETCH(QString, page);
    QCOMPARE(webService::sourceHomePage(source), page);
}

void tst_outsideLinks::webSearchAddress_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("query");
    QTest::newRow("plus, blank and ampersand") << "A+B C&D"
                                               << "A%2BB+C%26D";
    QTest::newRow("plain") << "Band"
                           << "Band";
    QTest::newRow("nothing else encoded") << "Sigur Rós?#"
                                          << "Sigur+Rós?#";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_outsideLinks::webSearchAddress()
{
    QFETCH(QString, term);
    QFETCH(QString, query);
    QCOMPARE(webService::webSearchAddress(term),
             "http://www.google.com/search?hl=en&q=" + query + "&btnG=Google+Search&meta=");
}

void tst_outsideLinks::shopLocaleCode_data()
{
    QTest::addColumn<int>("country");
    QTest::addColumn<QString>("code");
    const QStringList codes{"us", "uk", "us", "ca", "fr", "de", "jp", "us"};
    for (int country = 0; country < codes.size(); ++country)
        QTest::addRow("%d", country) << country << codes[country];
    QTest::newRow("-1") << -1 << "us";
}

void tst_outsideLinks::shopLocaleCode()
{
    QFETCH(int, country);
    QFETCH(QString, code);
    QCOMPARE(webService::shopLocaleCode(country), code);
}

void tst_outsideLinks::shopSuggestions()
{
    platform::WebBrowserControl browser;
    QSignalSpy navigated(&browser, &platform::WebBrowserControl::navigated);
    QVERIFY(webService::showShopSuggestions("Ann%20%26%20Bob", 6, browser));
    QCOMPARE(browser.address(),
             "http://sonavex.localhost:9090/trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=jp");
    QCOMPARE(navigated.count(), 1);
    QCOMPARE(appLocalisation::lastShopTerm, QStringLiteral("Ann%20%26%20Bob"));

    // Before any search the page is asked for with an empty term.
    QVERIFY(webService::showShopSuggestions(QString(), 9, browser));
    QCOMPARE(browser.address(), "http://sonavex.localhost:9090/trelvoAmazonSearch.php?searchTerm=&locale=us");
    QCOMPARE(appLocalisation::lastShopTerm, QString());
}

void tst_outsideLinks::overridesFromTheSettingsFile()
{
    const QString ini = m_folder.filePath("sites.ini");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[sites]\nwebSearchHost=search.example.net\nepitonicHome=http://home.example.net/\n");
    file.close();
    qputenv("SONAVEX_CONFIG", ini.toLocal8Bit());
    configuration::reload();
    sourceSites::reload();
    QCOMPARE(webService::webSearchAddress("x"),
             "http://search.example.net/search?hl=en&q=x&btnG=Google+Search&meta=");
    QCOMPARE(webService::sourceHomePage("http://epitonic.localhost:9090/a.mp3"), "http://home.example.net/");
    // What the file leaves out keeps its default.
    QCOMPARE(webService::sourceHomePage("http://insound.localhost:9090/a.mp3"),
             "http://insound.localhost:9090/");
}

QTEST_MAIN(tst_outsideLinks)
#include "tst_outsideLinks.moc"
