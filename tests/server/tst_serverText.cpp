#include "catalogue.h"
#include "serviceReplies.h"
#include "siteNames.h"
#include "textCodec.h"

#include <QTest>

using siteNames::Site;
Q_DECLARE_METATYPE(Site)

class tst_serverText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void queryValues_data();
    void queryValues();
    void latin1RoundTripsEveryByte();
    void shopPageShowsTheTermAsSent();
    void hostsRouteByName_data();
    void hostsRouteByName();
};

void tst_serverText::queryValues_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("leadingMarker");
    QTest::addColumn<QByteArray>("utf8");
    QTest::newRow("marker after") << QByteArray("salt%20%26%20pepper%") << false
                                  << QByteArray("salt & pepper");
    QTest::newRow("markers around") << QByteArray("%Abba%") << true << QByteArray("Abba");
    QTest::newRow("leading escape without marker") << QByteArray("%20love") << false << QByteArray(" love");
    QTest::newRow("marker before an escape") << QByteArray("%%20Band%") << true << QByteArray(" Band");
    QTest::newRow("escaped percent") << QByteArray("100%25%") << false << QByteArray("100%");
    QTest::newRow("broken escapes stay") << QByteArray("a%zzb%4") << false << QByteArray("a%zzb%4");
    QTest::newRow("Latin-1 escaped") << QByteArray("Caf%E9") << false << QByteArray("Caf\xC3\xA9");
    QTest::newRow("Latin-1 raw") << QByteArray("Caf\xE9%") << false << QByteArray("Caf\xC3\xA9");
    QTest::newRow("only markers") << QByteArray("%%") << true << QByteArray();
}

void tst_serverText::queryValues()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, leadingMarker);
    QFETCH(QByteArray, utf8);
    QCOMPARE(QByteArray::fromStdString(textCodec::queryValueToUtf8(raw.toStdString(), leadingMarker)), utf8);
}

void tst_serverText::latin1RoundTripsEveryByte()
{
    std::string all;
    for (int i = 1; i < 256; ++i)
        all += char(i);
    const std::string utf8 = textCodec::latin1ToUtf8(all);
    QCOMPARE(QString::fromStdString(utf8), QString::fromLatin1(all.data(), qsizetype(all.size())));
    QCOMPARE(textCodec::utf8ToLatin1(utf8), all);
    // Beyond Latin-1 and broken sequences cannot go out as single bytes.
    QCOMPARE(textCodec::utf8ToLatin1("\xE2\x82\xAC 5"), std::string("? 5"));
    QCOMPARE(textCodec::utf8ToLatin1("a\xC3"), std::string("a?"));
}

void tst_serverText::shopPageShowsTheTermAsSent()
{
    // The shop browser sends UTF-8, the client's addresses single-byte text: the same name either way,
    // on a page that is the UTF-8 it says it is. A term's page never reads the catalogue.
    for (const auto &[term, shown] :
         {std::pair<QByteArray, QString>{"Ren%C3%A9e%20%26%20Dvo%C5%99%C3%A1k",
                                         "Ren\u00E9e &amp; Dvo\u0159\u00E1k"},
          {"Ren%E9e%20%26%20Dvo%F8%E1k", QString::fromUtf8("Ren\u00E9e &amp; Dvo\u00F8\u00E1k")}}) {
        const QByteArray page = QByteArray::fromStdString(
            serviceReplies::shopPage(Catalogue(""), ("searchTerm=" + term + "&locale=uk").toStdString()));
        QVERIFY(page.contains("<meta charset=\"UTF-8\">") && QString::fromUtf8(page).toUtf8() == page);
        QVERIFY2(page.contains("<h1>UK store: " + shown.toUtf8() + "</h1>"), term.constData());
    }
}

void tst_serverText::hostsRouteByName_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<Site>("site");
    QTest::newRow("service") << "localhost:8080" << QByteArray("sonavex.localhost:8080") << Site::Service;
    QTest::newRow("no port, upper case")
        << "localhost:8080" << QByteArray("SONAVEX.LocalHost") << Site::Service;
    QTest::newRow("announced suffix")
        << "music.test:9090" << QByteArray("rave.music.test:9090") << Site::Rave;
    QTest::newRow("other suffix") << "music.test:9090" << QByteArray("rave.localhost:9090") << Site::Unknown;
    QTest::newRow("bare suffix") << "localhost:1" << QByteArray("localhost:1") << Site::Unknown;
}

void tst_serverText::hostsRouteByName()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, host);
    QFETCH(Site, site);
    const siteNames::Sites sites(suffix.toStdString());
    QCOMPARE(sites.route(host.toStdString()), site);
    if (site != Site::Unknown)
        QCOMPARE(sites.route(sites.host(site)), site);
}

QTEST_GUILESS_MAIN(tst_serverText)
#include "tst_serverText.moc"
