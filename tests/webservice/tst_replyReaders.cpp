// The readers of the server's replies, fed real reply files: search results, similar artists,
// radio stations, statistics and recommended artists.
#include "platform/imageList.h"
#include "testHelpers.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class tst_replyReaders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    platform::ImageList m_icons;
    QTreeWidget m_tree;
    webservice::SimilarArtists m_similar; // each reply's reading starts it afresh

    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath("reply.html");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the reply file");
        file.write(bytes);
        return path;
    }
    int similarArtists(const QByteArray &reply)
    {
        return webservice::parseSimilarArtists(write(reply), m_similar, m_tree, m_icons);
    }

private Q_SLOTS:
    void searchResultsAreBounded()
    {
        QByteArray reply;
        for (int i = 1; i <= 400; ++i)
            reply += "Artist" + QByteArray::number(i) + ",3,T,http://src/" + QByteArray::number(i) + "<br>\n";
        QTableWidget grid(2, 3);
        webservice::SearchResults results;
        const int maxRows = webservice::SearchResults::MAX_ROWS;
        QCOMPARE(webservice::showSearchResults(webservice::parseSearchResults(write(reply)),
                                               webservice::GenreNames(), results, grid),
                 maxRows);
        QCOMPARE(results.count(), maxRows);
        QCOMPARE(grid.rowCount(), maxRows + 2);
        QCOMPARE(grid.item(305, 0)->text(), "Artist305");
        QCOMPARE(results.at(304).source, "http://src/305");
    }

    void similarArtistLists_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("placed");
        QTest::addColumn<QStringList>("nodes");
        QTest::newRow("duplicate name: one node, counted twice")
            << QByteArray("1,Twin\r\n1,Other\r\n1,Twin\r\n") << 3 << QStringList{"Twin", "Other"};
        QTest::newRow("name keeps its commas, lines without one skipped")
            << QByteArray("1,Smith, John\nno comma here\n1x,Jones\n") << 2
            << QStringList{"Smith, John", "Jones"};
        QTest::newRow("unknown flag never inherits the earlier list's")
            << QByteArray("1,New\n?,Odd\n") << 1 << QStringList{"New"};
    }
    void similarArtistLists()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, placed);
        QFETCH(QStringList, nodes);
        similarArtists("1,First\n1,Second\n");
        QCOMPARE(similarArtists(reply), placed);
        QCOMPARE(texts(m_tree), nodes);
    }

    void similarArtistsKeepTheirRankAndAreBounded()
    {
        QByteArray reply;
        for (int i = 0; i < 150; ++i)
            reply += (i == 9 ? "0,A" : "1,A") + QByteArray::number(i) + "\r\n";
        const int max = webservice::SimilarArtists::MAX_ARTISTS;
        QCOMPARE(similarArtists(reply), max - 1);
        QCOMPARE(m_similar.count(), max);
        // The unavailable A9 leaves a gap: A10 keeps its rank, it does not move up.
        QCOMPARE(m_tree.topLevelItem(9)->text(0), "A10");
        QCOMPARE(m_tree.topLevelItem(9)->toolTip(0), "11 of 106");
        QCOMPARE(texts(m_tree).last(), "A105");
    }

    void radioStations()
    {
        // Breaks of any case leave the address, not the name; the address keeps its commas.
        webservice::RadioStations radio;
        QListWidget stations;
        stations.addItem("left over");
        webservice::parseRadioRecommendations(
            write("no comma\r\n1,only one\r\n1,A<br>,http://a<Br>.example/?a=1,b=2<bR>x<BR>\r\n"), radio,
            stations);
        QCOMPARE(texts(stations), QStringList{"A<br>"});
        QCOMPARE(radio.address(0), "http://a.example/?a=1,b=2x");

        // A long reply stops where the address table ends, lines and addresses paired.
        QByteArray reply;
        for (int i = 0; i < 150; ++i)
            reply += "1,Station " + QByteArray::number(i) + ",http://s" + QByteArray::number(i) + "<br>\n";
        webservice::parseRadioRecommendations(write(reply), radio, stations);
        QCOMPARE(stations.count(), webservice::RadioStations::MAX_STATIONS);
        for (int line : {0, 57, 101}) {
            QCOMPARE(stations.item(line)->text(), "Station " + QString::number(line));
            QCOMPARE(radio.address(line), "http://s" + QString::number(line));
        }
    }

    void statisticsAndGenreNames()
    {
        // Keys in any case; halves to even; beyond 32 bits skipped; genre lines need a break of any
        // case; ids outside 1..254 are listed, not named.
        QComboBox genres;
        genres.addItem("left over from before");
        webservice::ServerStatistics statistics;
        webservice::GenreNames names;
        statistics.trackCount = -1; // a counter the reply does not give keeps what it had
        webservice::parseStatistics(
            write("engineVersion,3<br>\r\nTRACKCOUNT,2147483648\r\nArtistCount, 3.5<br>\r\n"
                  "genreCount,2<br>\r\n7,Jazz<BR>\r\n1,Rock<br>\r\n0,Zero<br>\r\n"
                  "254,Last<br>\r\n255,Noise<br>\r\n9,Blues\r\n"),
            genres, statistics, names);
        QCOMPARE((QList<int>{statistics.engineVersion, statistics.trackCount, statistics.artistCount,
                             statistics.genreCount}),
                 (QList<int>{3, -1, 4, 2}));
        QStringList shown, named;
        for (int i = 0; i < genres.count(); ++i)
            shown << genres.itemText(i);
        QCOMPARE(shown, (QStringList{"Any", "Jazz", "Rock", "Zero", "Last", "Noise"}));
        for (int id = 0; id < 300; ++id) {
            if (!names.name(id).isEmpty())
                named << QString::number(id) + ':' + names.name(id);
        }
        QCOMPARE(named, (QStringList{"1:Rock", "7:Jazz", "254:Last"}));
        // Only a number in 1..254, rounded with halves to even, names a genre.
        QCOMPARE(webservice::genreNameForId(" 7 ", names), "Jazz");
        QCOMPARE(webservice::genreNameForId("6.6", names), "Jazz");
        QCOMPARE(webservice::genreNameForId("254", names), "Last");
        for (const char *field : {"6.5", "0.5", "254.7", "0", "255", "-3", "rock", "7x", ""})
            QVERIFY2(webservice::genreNameForId(QString::fromLatin1(field), names).isEmpty(), field);
    }

    void recommendedArtists()
    {
        webservice::RecommendedArtists artists;
        const auto entries = [&artists] {
            QStringList got;
            for (int i = 0; i < artists.count(); ++i)
                got << artists.at(i).name + ':' + QString::number(artists.at(i).category);
            return got;
        };
        // The name between its quotes, trimmed; the category is the line's last character, 1..9.
        webservice::parseRecommendedArtists(
            write("header\r\n17,\"  Ann  \",a,b,c,3\r\n1,\"One\"\r\n1,A,x,2\r\n1,\"Bob\",x,a\r\n"
                  "1,\"Cy\",x,2<br>\r\n1,\"Di\",x,0\r\n\r\n2,\"Eve\",y,9\r\n"),
            artists);
        QCOMPARE(entries(), (QStringList{"Ann:3", "Eve:9"}));

        // The count stops at 199; the place after it takes each further line.
        QByteArray body;
        for (int i = 0; i < 250; ++i)
            body += QByteArray::number(i) + ",\"Artist " + QByteArray::number(i) + "\",x,1\r\n";
        webservice::parseRecommendedArtists(write(body), artists);
        QCOMPARE(artists.count(), webservice::RecommendedArtists::MAX_COUNT);
        QCOMPARE(artists.at(198).name, "Artist 198");
        QCOMPARE(artists.at(199).name, "Artist 249");
        QCOMPARE(artists.namesInCategory(1).size(), 200);

        // A shorter list leaves the place at its count as it was; the groups read it.
        webservice::parseRecommendedArtists(write("1,\"Ann\",x,2\r\n"), artists);
        QCOMPARE(artists.namesInCategory(1), QStringList{"Artist 1"});
    }
};

QTEST_MAIN(tst_replyReaders)
#include "tst_replyReaders.moc"
