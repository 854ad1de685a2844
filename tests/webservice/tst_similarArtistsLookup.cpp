// The similar-artists lookup and its radio step against a scripted loopback server, with real
// controls offscreen: the requests sent, what the controls show, where each failure stops.
#include "windowTestEnvironment.h"

#include "core/settings.h"
#include "core/startup.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"
#include "webservice/radio.h"
#include "webservice/similarArtists.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

using S = ScriptedServer;
using Scripts = QList<S::Script>;

static const QByteArray confirmedSaltPepper = "<html>\r\nSalt Pepper & Co\r\n</html>\r\n";
static const QByteArray threeArtists = "1,Near One\r\n0,Hidden\r\n1,Near Three\r\n";
static const QByteArray listRequest = "GET /artistSimilar/Salt%20Pepper%20%26%20Co HTTP/1.1";
static const QByteArray twoStations =
    "5,Station One,http://one.example/a<br>\r\n6,Station Two,http://two.example/\r\n";

class tst_similarArtistsLookup : public QObject
{
    Q_OBJECT

    // What the lookup fills, fresh for every case.
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
        MessageBoxCatcher boxes;
        QStringList pictures;
    };

    static S::Script ok(const QByteArray &body) { return {S::send(okResponse(body))}; }
    static S::Script failing(int code, const QByteArray &reason)
    {
        return {S::send(httpResponse(code, reason, ""))};
    }

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_env;
    std::unique_ptr<Controls> m_c;
    int m_requestsBefore = 0;

    void lookup(const QString &typed)
    {
        webservice::findSimilarArtists(typed, m_c->echo, m_c->socket, m_c->similar, m_c->tree, m_c->icons,
                                       m_c->label, m_c->radio, m_c->stations,
                                       [this](const QString &artist) { m_c->pictures << artist; });
    }
    QList<QByteArray> requestLines() const { return m_server->requestLines(m_requestsBefore); }

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

    void similarArtistsLookup_data()
    {
        QTest::addColumn<Scripts>("scripts"); // whatever is asked after these gets twoStations
        QTest::addColumn<QList<QByteArray>>("requests");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("nodes");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("stations");

        const QByteArray check = "GET /trelvoSimilarArtists.php?artist=SaltPepper%20%26%20Co HTTP/1.1";
        const QByteArray radio = "GET /trelvoRadioByKeyword.php?search=%Salt%20Pepper%20%26%20Co% HTTP/1.1";
        const QByteArray radioAsTyped =
            "GET /trelvoRadioByKeyword.php?search=%SaltPepper%20%26%20Co% HTTP/1.1";
        const QStringList earlier{"Earlier"}, near{"Near One", "Near Three"};
        const QStringList old{"Old Station"}, two{"Station One", "Station Two"};
        const QString none = "Similar Artists : None so far", zero = "Similar Artists : 0";
        const S::Script closed{S::close()};

        QTest::newRow("confirmed name")
            << Scripts{ok(confirmedSaltPepper), ok(threeArtists)}
            << QList<QByteArray>{check, listRequest, radio} << "" << near << "Similar Artists : 2" << two;
        QTest::newRow("unknown name")
            << Scripts{failing(404, "Not Found")} << QList<QByteArray>{check, radioAsTyped} << "" << earlier
            << zero << two;
        QTest::newRow("list not found empties the tree, empty radio reply the list")
            << Scripts{ok(confirmedSaltPepper), failing(404, "Not Found"), ok("")}
            << QList<QByteArray>{check, listRequest, radio} << "" << QStringList{} << zero << QStringList{};
        QTest::newRow("check: no connection")
            << Scripts{closed} << QList<QByteArray>{check}
            << "A socket error occured while validating the name" << earlier << none << old;
        QTest::newRow("check: server error")
            << Scripts{failing(500, "Internal Server Error")} << QList<QByteArray>{check}
            << "An error occurred while validating the name\r\nHTTP Response: 500 = "
               "HTTP_INTERNAL_SERVER_ERROR"
            << earlier << none << old;
        QTest::newRow("radio: no connection")
            << Scripts{ok(confirmedSaltPepper), ok(threeArtists), closed}
            << QList<QByteArray>{check, listRequest, radio} << "An Socket error occured while searching"
            << near << "Similar Artists : 2" << old;
    }
    void similarArtistsLookup()
    {
        QFETCH(Scripts, scripts);
        QFETCH(QList<QByteArray>, requests);
        QFETCH(QString, message);
        QFETCH(QStringList, nodes);
        QFETCH(QString, label);
        QFETCH(QStringList, stations);
        m_server->setScripts(scripts + Scripts{ok(twoStations)});
        lookup("Salt/Pepper & Co");
        QCOMPARE(requestLines(), requests);
        QCOMPARE(m_c->boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(texts(m_c->tree), nodes);
        QCOMPARE(m_c->label.text(), label);
        // The confirmed name's picture shows once its list is asked for.
        QCOMPARE(m_c->pictures,
                 requests.contains(listRequest) ? QStringList{"Salt Pepper & Co"} : QStringList());
        QCOMPARE(texts(m_c->stations), stations);
        // The echo shows the last address asked for.
        const QByteArray &last = requests.last();
        QCOMPARE(m_c->echo.text(), core::settings().serverBaseUrl.chopped(1) +
                                       QString::fromLatin1(last.mid(4, last.size() - 13)));
    }

    void radioQueryForName()
    {
        // Outer blanks and slashes dropped, the ampersand encoded.
        m_server->setScript(ok("1,Only,http://only<br>\r\n"));
        webservice::recommendRadioStations("  AC/DC \\ & Co ", m_c->echo, m_c->socket, m_c->radio,
                                           m_c->stations);
        QCOMPARE(requestLines(),
                 QList<QByteArray>{"GET /trelvoRadioByKeyword.php?search=%ACDC%20%20%26%20Co% HTTP/1.1"});
        QCOMPARE(texts(m_c->stations), QStringList{"Only"});
    }

    void lookupStartedDuringAWaitTakesOver()
    {
        // The first name check is held back; a second press comes while it waits and runs through.
        m_server->setScripts({{S::pause(400), S::send(okResponse("x\r\nFirst Band\r\n"))},
                              ok("x\r\nSecond Band\r\n"),
                              ok("1,Near Second\r\n"),
                              ok(twoStations)});
        onceWhen(
            m_server, &ScriptedServer::requestReceived, [] { return true; },
            [this] { lookup("Second Band"); });
        lookup("First Band");
        QCOMPARE(m_c->boxes.texts(), QStringList{});
        QCOMPARE(requestLines().size(), 4);
        QCOMPARE(texts(m_c->tree), QStringList{"Near Second"});
        QCOMPARE(m_c->label.text(), "Similar Artists : 1");
        QCOMPARE(m_c->pictures, QStringList{"Second Band"});
        QCOMPARE(texts(m_c->stations), (QStringList{"Station One", "Station Two"}));
    }
};

QTEST_MAIN(tst_similarArtistsLookup)
#include "tst_similarArtistsLookup.moc"
