// The readers of the server's replies, fed real reply files: search results, similar artists,
// radio stations, statistics and recommended artists.
#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "platform/imageList.h"
#include "ui/pictures.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"
#include "webservice/statistics.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// The lines of a tree's top level or of a list.
QStringList texts(const QAbstractItemView &view)
{
    QStringList texts;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        texts << view.model()->index(row, 0).data().toString();
    return texts;
}

class tst_replyReaders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void genreNameForId();
    void searchResultsAreBounded();
    void similarArtistLists_data();
    void similarArtistLists();
    void treeIconsFollowListPositions();
    void similarArtistsAreBounded();
    void radioStations();
    void statistics();
    void recommendedArtists();

private:
    QString write(const QByteArray &bytes);
    QImage iconOf(int node) const;

    QTemporaryDir m_dir;
    QTreeWidget m_tree;
    platform::ImageList *m_icons = nullptr;
    QListWidget m_stations;
    QComboBox m_genres;
};

void tst_replyReaders::initTestCase()
{
    m_icons = new platform::ImageList(&m_tree);
    m_icons->setPictureSize(QSize(15, 15));
    for (int level = 0; level < ui::RELEVANCE_LEVELS; ++level)
        m_icons->add(ui::relevanceKey(level), ui::relevanceIcon(level));
}

void tst_replyReaders::init()
{
    appGlobals::onlyShowAvailable = true;
    appGlobals::searchResultCount = 0;
    appGlobals::genreNames.fill(QString());
    // A counter the reply does not give keeps what it had.
    appGlobals::serverTrackCount = -1;
}

QString tst_replyReaders::write(const QByteArray &bytes)
{
    const QString path = m_dir.filePath("reply.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the reply file");
    file.write(bytes);
    return path;
}

QImage tst_replyReaders::iconOf(int node) const
{
    return m_tree.topLevelItem(node)->icon(0).pixmap(15, 15).toImage();
}

void tst_replyReaders::genreNameForId()
{
    appGlobals::genreNames[3] = "Rock";
    appGlobals::genreNames[7] = "Jazz";
    appGlobals::genreNames[254] = "Last";
    // Only a number in 1..254, rounded with halves to even, names a genre.
    QCOMPARE(webService::genreNameForId(" 7 "), "Jazz");
    QCOMPARE(webService::genreNameForId("6.6"), "Jazz");
    QCOMPARE(webService::genreNameForId("254"), "Last");
    for (const char *field : {"2.5", "254.7", "0", "255", "-3", "rock", "7x", ""})
        QVERIFY2(webService::genreNameForId(QString::fromLatin1(field)).isEmpty(), field);
}

void tst_replyReaders::searchResultsAreBounded()
{
    QByteArray reply;
    for (int i = 1; i <= 400; ++i)
        reply += "Artist" + QByteArray::number(i) + ",3,T,http://src/" + QByteArray::number(i) + "<br>\n";
    QTableWidget grid(2, 3);
    QCOMPARE(webService::showSearchResults(webService::parseSearchResults(write(reply)), grid),
             appGlobals::SEARCH_RESULT_ROWS);
    QCOMPARE(appGlobals::searchResultCount, appGlobals::SEARCH_RESULT_ROWS);
    QCOMPARE(grid.rowCount(), appGlobals::SEARCH_RESULT_ROWS + 2);
    QCOMPARE(grid.item(305, 0)->text(), "Artist305");
    QCOMPARE(appGlobals::searchResults[305][appGlobals::RESULT_SOURCE], "http://src/305");
}

void tst_replyReaders::similarArtistLists_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("placed");
    QTest::addColumn<QStringList>("nodes");
    QTest::newRow("duplicate name: one node, counted twice")
        << QByteArray("1,Twin\r\n1,Other\r\n1,Twin\r\n") << 3 << QStringList{"Twin", "Other"};
    QTest::newRow("name keeps its commas, lines without one skipped")
        << QByteArray("1,Smith, John\nno comma here\n1x,Jones\n") << 2 << QStringList{"Smith, John", "Jones"};
    QTest::newRow("unknown flag never inherits the earlier list's")
        << QByteArray("1,New\n?,Odd\n") << 1 << QStringList{"New"};
}

void tst_replyReaders::similarArtistLists()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, placed);
    QFETCH(QStringList, nodes);
    webService::parseSimilarArtists(write("1,First\n1,Second\n"), m_tree, *m_icons);
    QCOMPARE(webService::parseSimilarArtists(write(reply), m_tree, *m_icons), placed);
    QCOMPARE(texts(m_tree), nodes);
}

void tst_replyReaders::treeIconsFollowListPositions()
{
    QByteArray reply;
    for (int i = 0; i < 25; ++i)
        reply += (i == 9 ? "0,A" : "1,A") + QByteArray::number(i) + "\r\n";
    QCOMPARE(webService::parseSimilarArtists(write(reply), m_tree, *m_icons), 24);
    QCOMPARE(appGlobals::similarArtistCount, 25);
    QCOMPARE(m_tree.topLevelItemCount(), 24);
    // The unavailable A9 leaves a gap: A10 keeps level_8 and its rank, it does not move up.
    for (int node = 0; node < 24; ++node) {
        const int position = node < 9 ? node : node + 1;
        QCOMPARE(m_tree.topLevelItem(node)->text(0), "A" + QString::number(position));
        const char *level = position < 10 ? "level_9" : position < 20 ? "level_8" : "level_7";
        QCOMPARE(iconOf(node), m_icons->picture(QString::fromLatin1(level)).toImage());
        QCOMPARE(m_tree.topLevelItem(node)->toolTip(0), QStringLiteral("%1 of 25").arg(position + 1));
    }
}

void tst_replyReaders::similarArtistsAreBounded()
{
    QByteArray reply;
    for (int i = 0; i < 150; ++i)
        reply += "1,Artist " + QByteArray::number(i) + "\n";
    QCOMPARE(webService::parseSimilarArtists(write(reply), m_tree, *m_icons),
             appGlobals::SIMILAR_ARTIST_SLOTS);
    QCOMPARE(appGlobals::similarArtistCount, appGlobals::SIMILAR_ARTIST_SLOTS);
    QCOMPARE(m_tree.topLevelItem(105)->text(0), "Artist 105");
    QCOMPARE(iconOf(101), m_icons->picture("level_0").toImage());
    QVERIFY(iconOf(102).isNull()); // past the ranked positions: no icon
}

void tst_replyReaders::radioStations()
{
    // Breaks of any case leave the address, not the name; the address keeps its commas.
    m_stations.addItem("left over");
    webService::parseRadioRecommendations(
        write("no comma\r\n1,only one\r\n1,A<br>,http://a<Br>.example/?a=1,b=2<bR>x<BR>\r\n"), m_stations);
    QCOMPARE(m_stations.count(), 1);
    QCOMPARE(m_stations.item(0)->text(), "A<br>");
    QCOMPARE(webService::radioStationAddress(0), "http://a.example/?a=1,b=2x");

    // A long reply stops where the address table ends, lines and addresses paired.
    QByteArray reply;
    for (int i = 0; i < 150; ++i)
        reply += "1,Station " + QByteArray::number(i) + ",http://s" + QByteArray::number(i) + "<br>\n";
    webService::parseRadioRecommendations(write(reply), m_stations);
    QCOMPARE(m_stations.count(), appGlobals::RADIO_STATION_SLOTS);
    for (int line : {0, 57, 101}) {
        QCOMPARE(m_stations.item(line)->text(), "Station " + QString::number(line));
        QCOMPARE(webService::radioStationAddress(line), "http://s" + QString::number(line));
    }
}

void tst_replyReaders::statistics()
{
    // Keys in any case; halves to even; beyond 32 bits skipped; genre lines need a break of any case;
    // ids outside 1..254 are listed, not named.
    m_genres.addItem("left over from before");
    webService::parseStatistics(
        write("engineVersion,3<br>\r\nTRACKCOUNT,2147483648\r\nArtistCount, 3.5<br>\r\n"
              "genreCount,2<br>\r\n7,Jazz<BR>\r\n1,Rock<br>\r\n0,Zero<br>\r\n"
              "254,Last<br>\r\n255,Noise<br>\r\n9,Blues\r\n"),
        m_genres);
    QCOMPARE((QList<int>{appGlobals::serverEngineVersion, appGlobals::serverTrackCount,
                         appGlobals::serverArtistCount, appGlobals::serverGenreCount}),
             (QList<int>{3, -1, 4, 2}));
    QStringList shown;
    for (int i = 0; i < m_genres.count(); ++i)
        shown << m_genres.itemText(i);
    QCOMPARE(shown, (QStringList{"Any", "Jazz", "Rock", "Zero", "Last", "Noise"}));
    QStringList named;
    for (std::size_t id = 0; id < appGlobals::genreNames.size(); ++id) {
        if (!appGlobals::genreNames[id].isEmpty())
            named << QString::number(id) + ':' + appGlobals::genreNames[id];
    }
    QCOMPARE(named, (QStringList{"1:Rock", "7:Jazz", "254:Last"}));
}

void tst_replyReaders::recommendedArtists()
{
    const auto entries = [] {
        QStringList got;
        for (std::size_t i = 0; i < std::size_t(appGlobals::recommendedArtistCount); ++i)
            got << appGlobals::recommendedArtistNames[i] + ':' +
                       QString::number(appGlobals::recommendedArtistCategories[i]);
        return got;
    };
    // The name between its quotes, trimmed; the category is the line's last character, 1..9.
    webService::parseRecommendedArtists(write("header\r\n17,\"  Ann  \",a,b,c,3\r\n1,\"One\"\r\n1,A,x,2\r\n"
                                              "1,\"Bob\",x,a\r\n1,\"Cy\",x,2<br>\r\n1,\"Di\",x,0\r\n\r\n"
                                              "2,\"Eve\",y,9\r\n"));
    QCOMPARE(entries(), (QStringList{"Ann:3", "Eve:9"}));

    // The count stops at 199; the entry after it takes each further line.
    QByteArray body;
    for (int i = 0; i < 250; ++i)
        body += QByteArray::number(i) + ",\"Artist " + QByteArray::number(i) + "\",x,1\r\n";
    webService::parseRecommendedArtists(write(body));
    QCOMPARE(appGlobals::recommendedArtistCount, 199);
    QCOMPARE(appGlobals::recommendedArtistNames[198], "Artist 198");
    QCOMPARE(appGlobals::recommendedArtistNames[199], "Artist 249");
    QVERIFY(appGlobals::recommendedArtistNames[200].isEmpty());
}

QTEST_MAIN(tst_replyReaders)
#include "tst_replyReaders.moc"
