// The two connect readers: statistics (counters, genres, update notice) and recommended artists.
#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "webservice/statistics.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_statistics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void leadingNumber_data();
    void leadingNumber();
    void counters_data();
    void counters();
    void countersKeepWhatTheReplyLeavesOut();
    void genreLines_data();
    void genreLines();
    void updateNotice_data();
    void updateNotice();
    void missingFileGivesOnlyAny();

    void recommendedArtists_data();
    void recommendedArtists();
    void recommendedArtistsStopAtTheLastEntry();

private:
    QString write(const QByteArray &body);

    QTemporaryDir m_folder;
    QComboBox *m_genres = nullptr;
};

void tst_statistics::initTestCase()
{
    QVERIFY(m_folder.isValid());
    httpGlobals::clientMinorVersion = 4;
    httpGlobals::productHomeUrl = "http://sonavex.localhost:8080/";
    m_genres = new QComboBox;
}

void tst_statistics::init()
{
    appGlobals::serverEngineVersion = 0;
    appGlobals::serverTrackCount = 0;
    appGlobals::serverArtistCount = 0;
    appGlobals::serverGenreCount = 0;
    for (QString &name : appGlobals::genreNames)
        name.clear();
    for (QString &name : appGlobals::recommendedArtistNames)
        name.clear();
    appGlobals::recommendedArtistCategories.fill(0);
    appGlobals::recommendedArtistCount = 0;
}

QString tst_statistics::write(const QByteArray &body)
{
    const QString path = m_folder.filePath("webService_tmp.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(body);
    return path;
}

void tst_statistics::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("fits");
    QTest::newRow("plain") << "150000" << 150000 << true;
    QTest::newRow("break after") << "150000<br>" << 150000 << true;
    QTest::newRow("leading blanks") << "   42,x" << 42 << true;
    QTest::newRow("no number") << "abc" << 0 << true;
    QTest::newRow("empty") << "" << 0 << true;
    QTest::newRow("half to even down") << "2.5" << 2 << true;
    QTest::newRow("half to even up") << "3.5" << 4 << true;
    QTest::newRow("fraction") << "7.75<br>" << 8 << true;
    QTest::newRow("negative") << "-12" << -12 << true;
    QTest::newRow("largest") << "2147483647" << 2147483647 << true;
    QTest::newRow("too large") << "2147483648" << 0 << false;
}

void tst_statistics::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, fits);
    bool ok = false;
    QCOMPARE(webService::leadingNumber(text, &ok), value);
    QCOMPARE(ok, fits);
}

void tst_statistics::counters_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<int>>("expected"); // engine, tracks, artists, genres
    QTest::newRow("CR LF lines with breaks")
        << QByteArray("engineVersion,3<br>\r\ntrackCount,150000<br>\r\nartistCount,40000<br>\r\ngenreCount,"
                      "12<br>\r\n")
        << QList<int>{3, 150000, 40000, 12};
    QTest::newRow("LF only, no breaks, no final newline")
        << QByteArray("trackCount,5\nartistCount,6") << QList<int>{0, 5, 6, 0};
    QTest::newRow("keys in capitals")
        << QByteArray("TRACKCOUNT,77<br>\r\nArtistCount,8\r\n") << QList<int>{0, 77, 8, 0};
    QTest::newRow("value after the first comma of the line")
        << QByteArray("x,trackCount,5\r\n") << QList<int>{0, 0, 0, 0};
    QTest::newRow("value out of range is skipped")
        << QByteArray("trackCount,99999999999\r\nartistCount,2\r\n") << QList<int>{0, 0, 2, 0};
}

void tst_statistics::counters()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<int>, expected);
    webService::parseStatistics(write(body), *m_genres);
    QCOMPARE(appGlobals::serverEngineVersion, expected[0]);
    QCOMPARE(appGlobals::serverTrackCount, expected[1]);
    QCOMPARE(appGlobals::serverArtistCount, expected[2]);
    QCOMPARE(appGlobals::serverGenreCount, expected[3]);
}

void tst_statistics::countersKeepWhatTheReplyLeavesOut()
{
    webService::parseStatistics(write("trackCount,10\r\nartistCount,20\r\n"), *m_genres);
    webService::parseStatistics(write("artistCount,30\r\n"), *m_genres);
    QCOMPARE(appGlobals::serverTrackCount, 10);
    QCOMPARE(appGlobals::serverArtistCount, 30);
}

void tst_statistics::genreLines_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QList<int>>("namedIds");
    QTest::newRow("one genre") << QByteArray("7,Jazz<br>\r\n") << QStringList{"Any", "Jazz"} << QList<int>{7};
    QTest::newRow("break in capitals")
        << QByteArray("7,Jazz<BR>\r\n") << QStringList{"Any", "Jazz"} << QList<int>{7};
    QTest::newRow("id 255 listed, not named")
        << QByteArray("255,Noise<br>\r\n") << QStringList{"Any", "Noise"} << QList<int>{};
    QTest::newRow("id 0 listed, not named")
        << QByteArray("0,Zero<br>\r\n") << QStringList{"Any", "Zero"} << QList<int>{};
    QTest::newRow("bounds named") << QByteArray("1,First<br>\n254,Last<br>\n")
                                  << QStringList{"Any", "First", "Last"} << QList<int>{1, 254};
    QTest::newRow("without break ignored") << QByteArray("7,Jazz\r\n") << QStringList{"Any"} << QList<int>{};
    QTest::newRow("empty name") << QByteArray("9,<br>\r\n") << QStringList{"Any", ""} << QList<int>{9};
    QTest::newRow("key lines are no genres")
        << QByteArray("genreCount,2<br>\r\n2,Pop<br>\r\n") << QStringList{"Any", "Pop"} << QList<int>{2};
    QTest::newRow("empty reply") << QByteArray() << QStringList{"Any"} << QList<int>{};
}

void tst_statistics::genreLines()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, list);
    QFETCH(QList<int>, namedIds);
    m_genres->addItem("left over from before");
    webService::parseStatistics(write(body), *m_genres);
    QStringList shown;
    for (int i = 0; i < m_genres->count(); ++i)
        shown << m_genres->itemText(i);
    QCOMPARE(shown, list);
    for (int id = 0; id < appGlobals::GENRE_NAME_SLOTS; ++id) {
        const int at = int(namedIds.indexOf(id));
        if (at < 0)
            QVERIFY2(appGlobals::genreNames[std::size_t(id)].isEmpty(), qPrintable(QString::number(id)));
        else
            QCOMPARE(appGlobals::genreNames[std::size_t(id)], list[at + 1]);
    }
}

void tst_statistics::updateNotice_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("messages");
    const QString visit = "\r\nVisit http://sonavex.localhost:8080/ to get updates";
    QTest::newRow("same") << QByteArray("latestClientVersion,4<br>\r\n") << QStringList{};
    QTest::newRow("older") << QByteArray("latestClientVersion,3\r\n") << QStringList{};
    QTest::newRow("none") << QByteArray("trackCount,1\r\n") << QStringList{};
    QTest::newRow("5") << QByteArray("latestClientVersion,5<br>\r\n")
                       << QStringList{"A newer version ( 1.5 ) of this software is available." + visit};
    QTest::newRow("10") << QByteArray("LatestClientVersion,10\r\n")
                        << QStringList{"A newer version ( 1.10 ) of this software is available." + visit};
}

void tst_statistics::updateNotice()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, messages);
    MessageBoxCatcher boxes;
    webService::parseStatistics(write(body), *m_genres);
    QCOMPARE(boxes.texts(), messages);
}

void tst_statistics::missingFileGivesOnlyAny()
{
    webService::parseStatistics(m_folder.filePath("not-there.html"), *m_genres);
    QCOMPARE(m_genres->count(), 1);
    QCOMPARE(m_genres->itemText(0), QStringLiteral("Any"));
}

void tst_statistics::recommendedArtists_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("categories");
    QTest::newRow("usual line") << QByteArray("17,\"Some Artist\",x,2\r\n") << QStringList{"Some Artist"}
                                << QList<int>{2};
    QTest::newRow("blanks around the name")
        << QByteArray("1,\"  Ann  \",x,3\n") << QStringList{"Ann"} << QList<int>{3};
    QTest::newRow("rest may hold commas")
        << QByteArray("1,\"Ann\",a,b,c,1\n") << QStringList{"Ann"} << QList<int>{1};
    QTest::newRow("one comma only") << QByteArray("1,\"Ann\"\n") << QStringList{} << QList<int>{};
    QTest::newRow("empty quoted name") << QByteArray("1,\"\",x,2\n") << QStringList{} << QList<int>{};
    QTest::newRow("name field too short") << QByteArray("1,A,x,2\n") << QStringList{} << QList<int>{};
    QTest::newRow("no digit at the end") << QByteArray("1,\"Ann\",x,a\n") << QStringList{} << QList<int>{};
    QTest::newRow("break after the digit")
        << QByteArray("1,\"Ann\",x,2<br>\n") << QStringList{} << QList<int>{};
    QTest::newRow("category 0") << QByteArray("1,\"Ann\",x,0\n") << QStringList{} << QList<int>{};
    QTest::newRow("mixed") << QByteArray("header line\r\n1,\"Ann\",x,2\r\n\r\n2,\"Bob\",y,9\r\nbad\r\n")
                           << QStringList{"Ann", "Bob"} << QList<int>{2, 9};
}

void tst_statistics::recommendedArtists()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, categories);
    webService::parseRecommendedArtists(write(body));
    QCOMPARE(appGlobals::recommendedArtistCount, int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(appGlobals::recommendedArtistNames[std::size_t(i)], names[i]);
        QCOMPARE(appGlobals::recommendedArtistCategories[std::size_t(i)], categories[i]);
    }
}

void tst_statistics::recommendedArtistsStopAtTheLastEntry()
{
    QByteArray body;
    for (int i = 0; i < 250; ++i)
        body += QByteArray::number(i) + ",\"Artist " + QByteArray::number(i) + "\",x,1\r\n";
    webService::parseRecommendedArtists(write(body));
    QCOMPARE(appGlobals::recommendedArtistCount, 199);
    QCOMPARE(appGlobals::recommendedArtistNames[198], QStringLiteral("Artist 198"));
    QCOMPARE(appGlobals::recommendedArtistNames[199], QStringLiteral("Artist 249"));
    QVERIFY(appGlobals::recommendedArtistNames[200].isEmpty());

    // A later, shorter reply refills from the start and leaves the rest as it was.
    webService::parseRecommendedArtists(write("1,\"New\",x,3\n"));
    QCOMPARE(appGlobals::recommendedArtistCount, 1);
    QCOMPARE(appGlobals::recommendedArtistNames[0], QStringLiteral("New"));
    QCOMPARE(appGlobals::recommendedArtistNames[1], QStringLiteral("Artist 1"));
}

QTEST_MAIN(tst_statistics)
#include "tst_statistics.moc"
