// The readers of the server's replies, fed real reply files; then the similar-artists lookup and its radio
// step against a scripted loopback server: the requests sent, what the controls show, where failures stop.
#include "windowTestEnvironment.h"

#include "core/startup.h"
#include "http/httpAgent.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/socketControl.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"

using S = ScriptedServer;
using Scripts = QList<S::Script>;

static const QByteArray confirmedSaltPepper = "<html>\r\nSalt Pepper & Co\r\n</html>\r\n";
static const QByteArray threeArtists = "1,Near One\r\n0,Hidden\r\n1,Near Three\r\n";
static const QByteArray listRequest = "GET /artistSimilar/Salt%20Pepper%20%26%20Co HTTP/1.1";
static const QByteArray twoStations =
    "5,Station One,http://one.example/a<br>\r\n6,Station Two,http://two.example/\r\n";

class tst_webservice : public QObject
{
    Q_OBJECT

    // What the readers and the lookup fill, fresh for every case.
    struct Controls
    {
        webservice::SimilarArtists similar;
        webservice::RadioStations radio;
        QLineEdit echo;
        platform::SocketControl socket;
        platform::ImageList icons;
        QTreeWidget tree;
        QLabel label{"Similar Artists : None so far"};
        QListWidget stations;
        QStringList pictures;
    };

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<Controls> m_c;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    int m_requestsBefore = 0;

    QCoro::Task<> startLookup(const QString &typed)
    {
        return webservice::findSimilarArtists(typed, m_c->echo, m_c->socket, m_c->similar, m_c->tree,
                                              m_c->icons, m_c->label, m_c->radio, m_c->stations,
                                              [this](const QString &artist) { m_c->pictures << artist; });
    }
    QList<QByteArray> requestLines() const { return m_server->requestLines(m_requestsBefore); }

    QString write(const QByteArray &bytes)
    {
        QFile file(m_env->home() + "/reply.html");
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                    : QString();
    }
    int similarArtists(const QByteArray &reply)
    {
        return webservice::parseSimilarArtists(write(reply), m_c->similar, m_c->tree, m_c->icons);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = new ScriptedServer(this);
        m_env =
            std::make_unique<WindowTestEnvironment>(QStringLiteral("http://%1/").arg(m_server->hostText()));
        QVERIFY(core::startUp());
    }

    void init()
    {
        m_c = std::make_unique<Controls>();
        m_boxes = std::make_unique<MessageBoxCatcher>();
        platform::addTreeNode(m_c->tree, "Earlier", "Earlier", &m_c->icons, "level_9");
        m_c->stations.addItem("Old Station");
        m_requestsBefore = int(m_server->requests().size());
    }

    void cleanup()
    {
        m_c.reset();
        // Work files never outlive the request.
        QCOMPARE(QDir(core::settings().tempFolder).entryList(QDir::Files), QStringList());
    }

    void searchResultsAreBounded()
    {
        const QByteArray reply = numberedLines("Artist%1,3,T,http://src/%1<br>\n", 400, 1);
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
        QTest::addColumn<QStringList>("nodes"); // each with its rank among all the reply's artists
        QTest::newRow("duplicate name: one node, counted twice")
            << QByteArray("1,Twin\r\n1,Other\r\n1,Twin\r\n") << 3
            << QStringList{"Twin 1 of 3", "Other 2 of 3"};
        QTest::newRow("name keeps its commas, lines without one skipped")
            << QByteArray("1,Smith, John\nno comma here\n1x,Jones\n") << 2
            << QStringList{"Smith, John 1 of 2", "Jones 2 of 2"};
        QTest::newRow("unknown flag never inherits the earlier list's")
            << QByteArray("1,New\n?,Odd\n") << 1 << QStringList{"New 1 of 2"};
        // The unavailable A9 leaves a gap: A10 keeps its rank, it does not move up.
        const int max = webservice::SimilarArtists::MAX_ARTISTS;
        QStringList ranked;
        for (int i = 0; i < max; ++i)
            ranked << QStringLiteral("A%1 %2 of %3").arg(i).arg(i + 1).arg(max);
        ranked.removeAt(9);
        QTest::newRow("bounded, ranks kept")
            << numberedLines("1,A%1\r\n", 150).replace("\n1,A9\r", "\n0,A9\r") << max - 1 << ranked;
    }
    void similarArtistLists()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, placed);
        QFETCH(QStringList, nodes);
        similarArtists("1,First\n1,Second\n");
        QCOMPARE(similarArtists(reply), placed);
        QStringList shown;
        for (int i = 0; i < m_c->tree.topLevelItemCount(); ++i)
            shown << m_c->tree.topLevelItem(i)->text(0) + ' ' + m_c->tree.topLevelItem(i)->toolTip(0);
        QCOMPARE(shown, nodes);
    }

    void radioStations()
    {
        // Breaks of any case leave the address, not the name; the address keeps its commas.
        webservice::parseRadioRecommendations(
            write("no comma\r\n1,only one\r\n1,A<br>,http://a<Br>.example/?a=1,b=2<bR>x<BR>\r\n"), m_c->radio,
            m_c->stations);
        QCOMPARE(texts(m_c->stations), QStringList{"A<br>"});
        QCOMPARE(m_c->radio.address(0), "http://a.example/?a=1,b=2x");

        // A long reply stops where the address table ends, lines and addresses paired.
        webservice::parseRadioRecommendations(write(numberedLines("1,Station %1,http://s%1<br>\n", 150)),
                                              m_c->radio, m_c->stations);
        QCOMPARE(m_c->stations.count(), webservice::RadioStations::MAX_STATIONS);
        for (int line : {0, 57, 101}) {
            QCOMPARE(m_c->stations.item(line)->text(), "Station " + QString::number(line));
            QCOMPARE(m_c->radio.address(line), "http://s" + QString::number(line));
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
        QCOMPARE(texts(*genres.view()), (QStringList{"Any", "Jazz", "Rock", "Zero", "Last", "Noise"}));
        QStringList named;
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
        webservice::parseRecommendedArtists(write(numberedLines("%1,\"Artist %1\",x,1\r\n", 250)), artists);
        QCOMPARE(artists.count(), webservice::RecommendedArtists::MAX_COUNT);
        QCOMPARE(artists.at(198).name, "Artist 198");
        QCOMPARE(artists.at(199).name, "Artist 249");
        QCOMPARE(artists.namesInCategory(1).size(), 200);

        // A shorter list leaves the place at its count as it was; the groups read it.
        webservice::parseRecommendedArtists(write("1,\"Ann\",x,2\r\n"), artists);
        QCOMPARE(artists.namesInCategory(1), QStringList{"Artist 1"});
    }

    void similarArtistsLookup_data()
    {
        QTest::addColumn<Scripts>("scripts"); // whatever is asked after these gets twoStations
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("stations");
        QTest::addColumn<QString>("ending"); // of the first request while it waits, if any

        const QByteArray check = "GET /trelvoSimilarArtists.php?artist=SaltPepper%20%26%20Co HTTP/1.1";
        const QByteArray radio = "GET /trelvoRadioByKeyword.php?search=%Salt%20Pepper%20%26%20Co% HTTP/1.1";
        const QByteArray radioAsTyped =
            "GET /trelvoRadioByKeyword.php?search=%SaltPepper%20%26%20Co% HTTP/1.1";
        const QStringList earlier{"Earlier"}, near{"Near One", "Near Three"};
        const QStringList old{"Old Station"}, two{"Station One", "Station Two"};
        const QString none = "Similar Artists : None so far", zero = "Similar Artists : 0";
        const S::Script closed{S::close()}, held{S::pause(400), S::send(okResponse(confirmedSaltPepper))};

        QTest::newRow("confirmed name") << Scripts{S::ok(confirmedSaltPepper), S::ok(threeArtists)}
                                        << QList<QByteArray>{check, listRequest, radio} << "" << near
                                        << "Similar Artists : 2" << two << "";
        QTest::newRow("unknown name")
            << Scripts{S::status(404, "Not Found")} << QList<QByteArray>{check, radioAsTyped} << "" << earlier
            << zero << two << "";
        QTest::newRow("list not found empties the tree, empty radio reply the list")
            << Scripts{S::ok(confirmedSaltPepper), S::status(404, "Not Found"), S::ok("")}
            << QList<QByteArray>{check, listRequest, radio} << "" << QStringList{} << zero << QStringList{}
            << "";
        QTest::newRow("check: no connection")
            << Scripts{closed} << QList<QByteArray>{check}
            << "A socket error occured while validating the name" << earlier << none << old << "";
        QTest::newRow("check: server error")
            << Scripts{S::status(500, "Internal Server Error")} << QList<QByteArray>{check}
            << "An error occurred while validating the name\r\nHTTP Response: 500 = "
               "HTTP_INTERNAL_SERVER_ERROR"
            << earlier << none << old << "";
        QTest::newRow("radio: no connection")
            << Scripts{S::ok(confirmedSaltPepper), S::ok(threeArtists), closed}
            << QList<QByteArray>{check, listRequest, radio} << "An Socket error occured while searching"
            << near << "Similar Artists : 2" << old << "";
        // A newer lookup takes the first one over; the first one, like a cancelled one, says nothing.
        QTest::newRow("newer lookup while the check waits")
            << Scripts{held, S::ok(confirmedSaltPepper), S::ok(threeArtists)}
            << QList<QByteArray>{check, check, listRequest, radio} << "" << near << "Similar Artists : 2"
            << two << "newer";
        QTest::newRow("cancel while the check waits")
            << Scripts{held} << QList<QByteArray>{check} << "" << earlier << none << old << "cancel";
        QTest::newRow("controls gone while the check waits")
            << Scripts{held} << QList<QByteArray>{check} << "" << earlier << none << old << "controls go";
    }

    void similarArtistsLookup()
    {
        QFETCH(Scripts, scripts);
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QString, message);
        QFETCH(QStringList, nodes);
        QFETCH(QString, label);
        QFETCH(QStringList, stations);
        QFETCH(QString, ending);
        m_server->setScripts(scripts + Scripts{S::ok(twoStations)});
        QCoro::Task<> newer;
        if (!ending.isEmpty())
            once(m_server, &ScriptedServer::requestReceived, [&] {
                if (ending == "newer")
                    newer = startLookup("Salt/Pepper & Co");
                else if (ending == "cancel")
                    http::cancel(http::Slot::SimilarArtists);
                else
                    m_c.reset();
            });
        const QCoro::Task<> lookup = startLookup("Salt/Pepper & Co");
        QTRY_VERIFY(lookup.isReady() && newer.isReady() && requestLines().size() == requests.size());
        QCOMPARE(requestLines(), requests);
        QCOMPARE(m_boxes->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!m_c)
            return;
        QCOMPARE(texts(m_c->tree), nodes);
        QCOMPARE(m_c->label.text(), label);
        // The confirmed name's picture shows once its list is asked for.
        QCOMPARE(m_c->pictures,
                 requests.contains(listRequest) ? QStringList{"Salt Pepper & Co"} : QStringList());
        QCOMPARE(texts(m_c->stations), stations);
        // The echo shows the last address asked for.
        QCOMPARE(m_c->echo.text(), echoOf(requests.last()));
    }

    void radioQueryForName()
    {
        // Outer blanks and slashes dropped, the ampersand encoded.
        m_server->setScript(S::ok("1,Only,http://only<br>\r\n"));
        const QCoro::Task<> radio = webservice::recommendRadioStations(
            "  AC/DC \\ & Co ", m_c->echo, m_c->socket, m_c->radio, m_c->stations);
        QTRY_VERIFY(radio.isReady());
        QCOMPARE(requestLines(),
                 QList<QByteArray>{"GET /trelvoRadioByKeyword.php?search=%ACDC%20%20%26%20Co% HTTP/1.1"});
        QCOMPARE(texts(m_c->stations), QStringList{"Only"});
    }
};

QTEST_MAIN(tst_webservice)
#include "tst_webservice.moc"
