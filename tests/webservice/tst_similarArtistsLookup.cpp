// The "find similar artists" sequence and its radio step against a scripted loopback server:
// name check, list, picture, count label, radio stations, each failure where it stops.
#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"
#include "ui/designPictures.h"
#include "webservice/radio.h"
#include "webservice/similarArtists.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QTreeWidget>
#include <functional>

using S = ScriptedServer;

Q_DECLARE_METATYPE(ScriptedServer::Script)

namespace {

QByteArray reply(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + " " + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

S::Script ok(const QByteArray &body)
{
    return {S::send(reply(200, "OK", body))};
}

S::Script notFound()
{
    return {S::send(reply(404, "Not Found", ""))};
}

const QByteArray confirmedSaltPepper = "<html>\r\nSalt Pepper & Co\r\n</html>\r\n";
const QByteArray threeArtists = "1,Near One\r\n0,Hidden\r\n1,Near Three\r\n";
const QByteArray twoStations =
    "5,Station One,http://one.example/a,b<br>\r\n6,Station Two,http://two.example/<BR>\r\n";

} // namespace

class tst_similarArtistsLookup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void confirmedNameRunsWholeSequence();
    void unconfirmedNameSkipsListAndPicture_data();
    void unconfirmedNameSkipsListAndPicture();
    void listNotFoundEmptiesTree();
    void failuresStopWhereTheyHappen_data();
    void failuresStopWhereTheyHappen();
    void radioQueryForName_data();
    void radioQueryForName();
    void radioFailureKeepsList_data();
    void radioFailureKeepsList();
    void lookupStartedDuringAWaitTakesOver();

private:
    void startOnceRequested(const std::function<void()> &action);
    void lookup(const QString &typed);
    QList<QByteArray> requestLines() const;
    QStringList stations() const;

    QTemporaryDir m_dir;
    ScriptedServer *m_server = nullptr;
    int m_requestsBefore = 0;
    std::unique_ptr<QWidget> m_owner;
    QLineEdit *m_echo = nullptr;
    QTreeWidget *m_tree = nullptr;
    platform::ImageList *m_icons = nullptr;
    QLabel *m_label = nullptr;
    QListWidget *m_stations = nullptr;
    platform::SocketControl *m_socket = nullptr;
    MessageBoxCatcher *m_boxes = nullptr;
    QStringList m_pictures;
};

void tst_similarArtistsLookup::initTestCase()
{
    m_server = new ScriptedServer(this);
    httpGlobals::serverBaseUrl = QStringLiteral("http://%1/").arg(m_server->hostText());
    httpGlobals::similarArtistsBaseUrl = httpGlobals::serverBaseUrl + "artistSimilar/";
    httpGlobals::userAgent = "TestAgent/1.0";
    httpGlobals::tempFolder = m_dir.path() + '/';
}

void tst_similarArtistsLookup::init()
{
    appGlobals::onlyShowAvailable = true;
    m_owner = std::make_unique<QWidget>();
    m_echo = new QLineEdit(m_owner.get());
    m_tree = new QTreeWidget(m_owner.get());
    m_icons = new platform::ImageList(m_owner.get());
    for (int level = 0; level < designPictures::RELEVANCE_LEVELS; ++level)
        m_icons->add(designPictures::relevanceKey(level), designPictures::relevanceIcon(level));
    m_label = new QLabel("Similar Artists : None so far", m_owner.get());
    m_stations = new QListWidget(m_owner.get());
    m_stations->addItems({"Old Station"});
    m_socket = new platform::SocketControl(m_owner.get());
    m_boxes = new MessageBoxCatcher(m_owner.get());
    m_pictures.clear();
    // A tree from an earlier lookup.
    platform::addTreeNode(*m_tree, "Earlier", "Earlier", m_icons, "level_9");
    m_requestsBefore = int(m_server->requests().size());
}

void tst_similarArtistsLookup::cleanup()
{
    m_owner.reset();
    // Work files never outlive the lookup.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void tst_similarArtistsLookup::lookup(const QString &typed)
{
    webService::findSimilarArtists(typed, *m_echo, *m_socket, *m_tree, *m_icons, *m_label, *m_stations,
                                   [this](const QString &artist) { m_pictures << artist; });
}

QList<QByteArray> tst_similarArtistsLookup::requestLines() const
{
    QList<QByteArray> lines;
    const QList<QByteArray> all = m_server->requests();
    for (qsizetype i = m_requestsBefore; i < all.size(); ++i)
        lines << all.at(i).left(all.at(i).indexOf("\r\n"));
    return lines;
}

QStringList tst_similarArtistsLookup::stations() const
{
    QStringList texts;
    for (int i = 0; i < m_stations->count(); ++i)
        texts << m_stations->item(i)->text();
    return texts;
}

void tst_similarArtistsLookup::confirmedNameRunsWholeSequence()
{
    m_server->setScript(ok(confirmedSaltPepper));
    m_server->addScript(ok(threeArtists));
    m_server->addScript(ok(twoStations));
    lookup("Salt/Pepper & Co");
    QCOMPARE(requestLines(),
             (QList<QByteArray>{"GET /trelvoSimilarArtists.php?artist=SaltPepper%20%26%20Co HTTP/1.1",
                                "GET /artistSimilar/Salt%20Pepper%20%26%20Co HTTP/1.1",
                                "GET /trelvoRadioByKeyword.php?search=%Salt%20Pepper%20%26%20Co% HTTP/1.1"}));
    QCOMPARE(m_boxes->count(), 0);
    QCOMPARE(m_tree->topLevelItemCount(), 2);
    QCOMPARE(m_tree->topLevelItem(1)->text(0), "Near Three");
    QCOMPARE(m_tree->topLevelItem(1)->toolTip(0), "3 of 3");
    QCOMPARE(m_label->text(), "Similar Artists : 2");
    QCOMPARE(m_pictures, QStringList{"Salt Pepper & Co"});
    QCOMPARE(stations(), (QStringList{"Station One", "Station Two"}));
    QCOMPARE(webService::radioStationAddress(0), "http://one.example/a,b");
    QCOMPARE(webService::radioStationAddress(1), "http://two.example/");
    QCOMPARE(m_echo->text(),
             httpGlobals::serverBaseUrl + "trelvoRadioByKeyword.php?search=%Salt%20Pepper%20%26%20Co%");
}

void tst_similarArtistsLookup::unconfirmedNameSkipsListAndPicture_data()
{
    QTest::addColumn<S::Script>("check");
    QTest::newRow("unknown name") << notFound();
    QTest::newRow("three characters confirm nothing") << ok("a\r\nAbc\r\n");
    QTest::newRow("too short a reply") << ok("one line only\n");
}

void tst_similarArtistsLookup::unconfirmedNameSkipsListAndPicture()
{
    QFETCH(S::Script, check);
    m_server->setScript(check);
    m_server->addScript(ok(twoStations));
    lookup("Salt/Pepper & Co");
    // The radio step still runs, with the typed text as it was written for the query.
    QCOMPARE(requestLines(),
             (QList<QByteArray>{"GET /trelvoSimilarArtists.php?artist=SaltPepper%20%26%20Co HTTP/1.1",
                                "GET /trelvoRadioByKeyword.php?search=%SaltPepper%20%26%20Co% HTTP/1.1"}));
    QCOMPARE(m_label->text(), "Similar Artists : 0");
    QCOMPARE(m_tree->topLevelItemCount(), 1); // the earlier tree stays
    QVERIFY(m_pictures.isEmpty());
    QCOMPARE(stations(), (QStringList{"Station One", "Station Two"}));
    QCOMPARE(m_boxes->count(), 0);
}

void tst_similarArtistsLookup::listNotFoundEmptiesTree()
{
    m_server->setScript(ok("x\r\nSome Band\r\n"));
    m_server->addScript(notFound());
    m_server->addScript(ok(""));
    lookup("some band");
    QCOMPARE(requestLines().at(1), "GET /artistSimilar/Some%20Band HTTP/1.1");
    QCOMPARE(m_tree->topLevelItemCount(), 0);
    QCOMPARE(m_label->text(), "Similar Artists : 0");
    QCOMPARE(m_pictures, QStringList{"Some Band"});
    QCOMPARE(stations(), QStringList{}); // an empty radio reply empties the list
    QCOMPARE(m_boxes->count(), 0);
}

void tst_similarArtistsLookup::failuresStopWhereTheyHappen_data()
{
    QTest::addColumn<QList<S::Script>>("scripts");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("pictures");
    QTest::addColumn<QStringList>("stationsAfter");

    const QString unchanged = "Similar Artists : None so far";
    QTest::newRow("check: no connection")
        << QList<S::Script>{{S::close()}} << 1 << "A socket error occured while validating the name"
        << unchanged << QStringList{} << QStringList{"Old Station"};
    QTest::newRow("check: server error")
        << QList<S::Script>{{S::send(reply(500, "Internal Server Error", ""))}} << 1
        << "An error occurred while validating the name\r\nHTTP Response: 500 = HTTP_INTERNAL_SERVER_ERROR"
        << unchanged << QStringList{} << QStringList{"Old Station"};
    QTest::newRow("list: no connection") << QList<S::Script>{ok(confirmedSaltPepper), {S::close()}} << 2
                                         << "An Socket error occured while searching" << unchanged
                                         << QStringList{} << QStringList{"Old Station"};
    QTest::newRow("list: forbidden")
        << QList<S::Script>{ok(confirmedSaltPepper), {S::send(reply(403, "Forbidden", ""))}} << 2
        << "An error occurred while searching\r\nHTTP Response: 403 = HTTP_FORBIDDEN" << unchanged
        << QStringList{} << QStringList{"Old Station"};
    QTest::newRow("radio: no connection")
        << QList<S::Script>{ok(confirmedSaltPepper), ok(threeArtists), {S::close()}} << 3
        << "An Socket error occured while searching"
        << "Similar Artists : 2" << QStringList{"Salt Pepper & Co"} << QStringList{"Old Station"};
}

void tst_similarArtistsLookup::failuresStopWhereTheyHappen()
{
    QFETCH(QList<S::Script>, scripts);
    QFETCH(int, requests);
    QFETCH(QString, message);
    QFETCH(QString, label);
    QFETCH(QStringList, pictures);
    QFETCH(QStringList, stationsAfter);
    m_server->setScript(scripts.first());
    for (qsizetype i = 1; i < scripts.size(); ++i)
        m_server->addScript(scripts.at(i));
    // Whatever is asked after the failure would get a good answer.
    m_server->addScript(ok(twoStations));
    lookup("Salt/Pepper & Co");
    QCOMPARE(requestLines().size(), requests);
    QCOMPARE(m_boxes->texts(), QStringList{message});
    QCOMPARE(m_label->text(), label);
    QCOMPARE(m_pictures, pictures);
    QCOMPARE(stations(), stationsAfter);
}

void tst_similarArtistsLookup::radioQueryForName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("Some Band") << "Some Band"
                               << QByteArray("GET /trelvoRadioByKeyword.php?search=%Some%20Band% HTTP/1.1");
    QTest::newRow("outer blanks dropped")
        << "  Some Band " << QByteArray("GET /trelvoRadioByKeyword.php?search=%Some%20Band% HTTP/1.1");
    QTest::newRow("slashes dropped, ampersand encoded")
        << "AC/DC & Co" << QByteArray("GET /trelvoRadioByKeyword.php?search=%ACDC%20%26%20Co% HTTP/1.1");
}

void tst_similarArtistsLookup::radioQueryForName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, line);
    m_server->setScript(ok("1,Only,http://only<br>\r\n"));
    webService::recommendRadioStations(name, *m_echo, *m_socket, *m_stations);
    QCOMPARE(requestLines(), QList<QByteArray>{line});
    QCOMPARE(stations(), QStringList{"Only"});
}

void tst_similarArtistsLookup::radioFailureKeepsList_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("no connection") << S::Script{S::close()} << "An Socket error occured while searching";
    QTest::newRow("not found") << notFound()
                               << "An error occurred while searching\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
}

void tst_similarArtistsLookup::radioFailureKeepsList()
{
    QFETCH(S::Script, script);
    QFETCH(QString, message);
    m_server->setScript(script);
    webService::recommendRadioStations("Some Band", *m_echo, *m_socket, *m_stations);
    QCOMPARE(m_boxes->texts(), QStringList{message});
    QCOMPARE(stations(), QStringList{"Old Station"});
}

// Runs `action` from the event loop as soon as the server has the next request in hand, so the
// action lands while the client waits for the reply.
void tst_similarArtistsLookup::startOnceRequested(const std::function<void()> &action)
{
    const qsizetype seen = m_server->requests().size();
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll, seen, action] {
        if (m_server->requests().size() == seen)
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(5);
}

void tst_similarArtistsLookup::lookupStartedDuringAWaitTakesOver()
{
    // The first name check is held back; a second press comes while it waits and runs through.
    m_server->setScript({S::pause(400), S::send(reply(200, "OK", "x\r\nFirst Band\r\n"))});
    m_server->addScript(ok("x\r\nSecond Band\r\n"));
    m_server->addScript(ok("1,Near Second\r\n"));
    m_server->addScript(ok(twoStations));
    startOnceRequested([this] { lookup("Second Band"); });
    lookup("First Band");
    QCOMPARE(m_boxes->texts(), QStringList{});
    QCOMPARE(requestLines().size(), 4);
    QCOMPARE(m_tree->topLevelItemCount(), 1);
    QCOMPARE(m_tree->topLevelItem(0)->text(0), "Near Second");
    QCOMPARE(m_label->text(), "Similar Artists : 1");
    QCOMPARE(m_pictures, QStringList{"Second Band"});
    QCOMPARE(stations(), (QStringList{"Station One", "Station Two"}));
}

QTEST_MAIN(tst_similarArtistsLookup)
#include "tst_similarArtistsLookup.moc"
