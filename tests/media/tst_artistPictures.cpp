// Artist pictures through the cache, and the genre-artists tree, against a scripted loopback server.
#include "../ui/windowTestEnvironment.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "core/startup.h"
#include "http/httpAgent.h"
#include "media/artistPictures.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"

#include <QApplication>
#include <QLabel>
#include <QTreeWidget>

#include <memory>

namespace {
const QByteArray notFound = httpReply(404, "Not Found", "<html>missing</html>");
const QByteArray picture = okReply(jpegBytes());

ScriptedServer::Script answer(const QByteArray &bytes)
{
    return {ScriptedServer::send(bytes)};
}
} // namespace

class tst_artistPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void cachedPictureMakesNoRequest();
    void fetchedOnceThenFromTheCache();
    void duoFallsBackToTheFirstName_data();
    void duoFallsBackToTheFirstName();
    void cacheNameCannotLeaveTheFolder();
    void fileThatIsNoPictureIsNotKept();

    void genreGroupWithMissingPictures();
    void genreFillReportsAConnectionFailure();
    void genreFillAddressKeepsTheAmpersand();
    void genreFillCacheNameCannotLeaveTheFolder();
    void genreFillTakesEachArtistOnce();
    void genreSelectionTakesTheEntryAtTheCount();
    void emptyGenreGroupAsksForNothing();

private:
    QList<QByteArray> requestLinesSince(int before) const;
    void writeCached(const QString &fileName);

    ScriptedServer *m_server = nullptr;
    std::unique_ptr<WindowTestEnvironment> m_environment;
    platform::SocketControl *m_socket = nullptr;
    platform::SocketControl *m_genreSocket = nullptr;
    std::unique_ptr<QLabel> m_box;
    std::unique_ptr<QTreeWidget> m_tree;
    std::unique_ptr<platform::ImageList> m_images;
};

void tst_artistPictures::initTestCase()
{
    m_server = new ScriptedServer(this);
    m_environment = std::make_unique<WindowTestEnvironment>("http://" + m_server->hostText() + "/");
    QVERIFY(startup::runStartupSequence());
    m_socket = new platform::SocketControl(this);
    httpAgent::attachSocket(*m_socket, httpGlobals::resultImageSlot);
    m_genreSocket = new platform::SocketControl(this);
    httpAgent::attachSocket(*m_genreSocket, httpGlobals::similarImageSlot);
}

void tst_artistPictures::init()
{
    QDir cache(httpGlobals::imageCacheFolder);
    for (const QString &name : cache.entryList(QDir::Files))
        QVERIFY(cache.remove(name));
    m_box = std::make_unique<QLabel>();
    m_box->resize(96, 96);
    m_tree = std::make_unique<QTreeWidget>();
    m_images = std::make_unique<platform::ImageList>();
    m_images->setPictureSize(QSize(150, 142));
    m_server->setScript(answer(picture));
}

QList<QByteArray> tst_artistPictures::requestLinesSince(int before) const
{
    QList<QByteArray> lines;
    for (const QByteArray &request : m_server->requests().mid(before))
        lines << requestLineOf(request);
    return lines;
}

void tst_artistPictures::writeCached(const QString &fileName)
{
    QFile file(httpGlobals::imageCacheFolder + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(jpegBytes(Qt::green));
}

void tst_artistPictures::cachedPictureMakesNoRequest()
{
    writeCached("Cached Band.jpg");
    const int before = m_server->connectionCount();
    localMedia::showArtistPicture("Cached Band", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QVERIFY(!m_box->pixmap().isNull());
    QCOMPARE(m_server->connectionCount(), before);
}

void tst_artistPictures::fetchedOnceThenFromTheCache()
{
    const int before = int(m_server->requests().size());
    localMedia::showArtistPicture("Sun, Moon & Stars", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QVERIFY(!m_box->pixmap().isNull());
    QCOMPARE(requestLinesSince(before),
             QList<QByteArray>{"GET /artistImages/Sun,%20Moon%20%26%20Stars.jpg HTTP/1.1"});
    QVERIFY(QFile::exists(httpGlobals::imageCacheFolder + "Sun, Moon & Stars.jpg"));

    // The referer of a picture is the server's address.
    QVERIFY(m_server->requests().last().contains("\r\nReferer: " + httpGlobals::serverBaseUrl.toLatin1() +
                                                 "\r\n"));

    m_box->clear();
    localMedia::showArtistPicture("Sun, Moon & Stars", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QVERIFY(!m_box->pixmap().isNull());
    QCOMPARE(int(m_server->requests().size()), before + 1);
}

void tst_artistPictures::duoFallsBackToTheFirstName_data()
{
    QTest::addColumn<QString>("artist");
    QTest::addColumn<bool>("firstCached");
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<bool>("shown");
    QTest::newRow("first name fetched") << "Ann & Bob" << false
                                        << QList<QByteArray>{"GET /artistImages/Ann%20%26%20Bob.jpg HTTP/1.1",
                                                             "GET /artistImages/Ann.jpg HTTP/1.1"}
                                        << true;
    QTest::newRow("first name cached")
        << "Ann & Bob" << true << QList<QByteArray>{"GET /artistImages/Ann%20%26%20Bob.jpg HTTP/1.1"} << true;
    QTest::newRow("nothing before the ampersand")
        << " & Bob" << false << QList<QByteArray>{"GET /artistImages/%20%26%20Bob.jpg HTTP/1.1"} << false;
    QTest::newRow("no duo") << "Ann and Bob" << false
                            << QList<QByteArray>{"GET /artistImages/Ann%20and%20Bob.jpg HTTP/1.1"} << false;
}

void tst_artistPictures::duoFallsBackToTheFirstName()
{
    QFETCH(QString, artist);
    QFETCH(bool, firstCached);
    QFETCH(QList<QByteArray>, requests);
    QFETCH(bool, shown);
    if (firstCached)
        writeCached("Ann.jpg");
    m_server->setScript(answer(notFound));
    m_server->addScript(answer(picture));
    const int before = int(m_server->requests().size());
    MessageBoxCatcher boxes;
    localMedia::showArtistPicture(artist, *m_box, *m_socket, httpGlobals::resultImageSlot);
    QCOMPARE(requestLinesSince(before), requests);
    QCOMPARE(!m_box->pixmap().isNull(), shown);
    QCOMPARE(boxes.count(), 0);
    QVERIFY(!QFile::exists(localMedia::artistCacheFile(artist)));
}

void tst_artistPictures::cacheNameCannotLeaveTheFolder()
{
    const int before = int(m_server->requests().size());
    localMedia::showArtistPicture("AC/DC", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QCOMPARE(requestLinesSince(before), QList<QByteArray>{"GET /artistImages/AC/DC.jpg HTTP/1.1"});
    QVERIFY(QFile::exists(httpGlobals::imageCacheFolder + "ACDC.jpg"));

    localMedia::showArtistPicture("..\\../..:evil*?|", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QCOMPARE(localMedia::artistCacheFile("..\\../..:evil*?|"),
             httpGlobals::imageCacheFolder + "......evil.jpg");
    QVERIFY(QFile::exists(httpGlobals::imageCacheFolder + "......evil.jpg"));
    QCOMPARE(QDir(httpGlobals::tempRootFolder).entryList(QDir::Files), QStringList{});
}

void tst_artistPictures::fileThatIsNoPictureIsNotKept()
{
    m_server->setScript(answer(okReply("<html>this is no picture</html>")));
    const int before = int(m_server->requests().size());
    localMedia::showArtistPicture("Broken", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QVERIFY(m_box->pixmap().isNull());
    QVERIFY(!QFile::exists(httpGlobals::imageCacheFolder + "Broken.jpg"));

    // A broken cached file is not trusted either: the picture is fetched again.
    QFile junk(httpGlobals::imageCacheFolder + "Broken.jpg");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("junk");
    junk.close();
    m_server->setScript(answer(picture));
    localMedia::showArtistPicture("Broken", *m_box, *m_socket, httpGlobals::resultImageSlot);
    QVERIFY(!m_box->pixmap().isNull());
    QCOMPARE(int(m_server->requests().size()), before + 2);
}

void tst_artistPictures::genreGroupWithMissingPictures()
{
    const QStringList names{"One", "Two", "Three", "Four", "Five"};
    for (QString &entry : appGlobals::genreSelection)
        entry.clear();
    for (int i = 0; i < names.size(); ++i)
        appGlobals::genreSelection[std::size_t(i) * 2] = names[i]; // empty entries in between are skipped
    m_server->setScript(answer(picture));
    m_server->addScript(answer(notFound));
    m_server->addScript(answer(picture));
    m_server->addScript(answer(notFound));
    m_server->addScript(answer(picture));

    MessageBoxCatcher boxes;
    QVERIFY(guiRepositioning::loadGenreArtists(*m_genreSocket, *m_tree, *m_images,
                                               httpGlobals::similarImageSlot));
    const QString message =
        "An error occurred while retrieving artist image\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
    QCOMPARE(boxes.texts(), (QStringList{message, message}));
    QCOMPARE(m_tree->topLevelItemCount(), 3);
    const QStringList shown{"One", "Three", "Five"};
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem *node = m_tree->topLevelItem(i);
        QCOMPARE(node->text(0), shown[i]);
        QCOMPARE(platform::treeNodeKey(*node), shown[i]);
        QVERIFY(!node->icon(0).isNull());
        QCOMPARE(m_images->picture(shown[i]).size(), QSize(150, 142));
    }
    QCOMPARE(m_tree->iconSize(), QSize(150, 142));
    QVERIFY(!QFile::exists(httpGlobals::imageCacheFolder + "Two.jpg"));
}

void tst_artistPictures::genreFillReportsAConnectionFailure()
{
    m_server->setScript({ScriptedServer::close()});
    MessageBoxCatcher boxes;
    QVERIFY(!guiRepositioning::addGenreArtist("Nobody", *m_genreSocket, *m_tree, *m_images,
                                              httpGlobals::similarImageSlot));
    QCOMPARE(boxes.texts(), QStringList{"A Socket error occurred while retrieving artist image"});
    QCOMPARE(m_tree->topLevelItemCount(), 0);
}

void tst_artistPictures::genreFillAddressKeepsTheAmpersand()
{
    const int before = int(m_server->requests().size());
    QVERIFY(guiRepositioning::addGenreArtist("Sun, Moon & Stars", *m_genreSocket, *m_tree, *m_images,
                                             httpGlobals::similarImageSlot));
    QCOMPARE(requestLinesSince(before),
             QList<QByteArray>{"GET /artistImages/Sun,%20Moon%20&%20Stars.jpg HTTP/1.1"});
}

void tst_artistPictures::genreFillCacheNameCannotLeaveTheFolder()
{
    QVERIFY(guiRepositioning::addGenreArtist("../../escaped", *m_genreSocket, *m_tree, *m_images,
                                             httpGlobals::similarImageSlot));
    QVERIFY(QFile::exists(httpGlobals::imageCacheFolder + "....escaped.jpg"));
    QVERIFY(!QFile::exists(QDir(httpGlobals::imageCacheFolder + "../..").absoluteFilePath("escaped.jpg")));
    QCOMPARE(m_tree->topLevelItem(0)->text(0), QStringLiteral("../../escaped"));
}

void tst_artistPictures::genreFillTakesEachArtistOnce()
{
    for (QString &entry : appGlobals::genreSelection)
        entry.clear();
    appGlobals::genreSelection[0] = "Twice";
    appGlobals::genreSelection[1] = "Twice";
    const int before = int(m_server->requests().size());
    MessageBoxCatcher boxes;
    QVERIFY(guiRepositioning::loadGenreArtists(*m_genreSocket, *m_tree, *m_images,
                                               httpGlobals::similarImageSlot));
    QCOMPARE(m_tree->topLevelItemCount(), 1);
    QCOMPARE(int(m_server->requests().size()), before + 1);
    QCOMPARE(boxes.count(), 0);
}

void tst_artistPictures::genreSelectionTakesTheEntryAtTheCount()
{
    appGlobals::recommendedArtistNames[0] = "Ann";
    appGlobals::recommendedArtistCategories[0] = 2;
    appGlobals::recommendedArtistNames[1] = "Bob";
    appGlobals::recommendedArtistCategories[1] = 1;
    appGlobals::recommendedArtistNames[2] = "Cleo";
    appGlobals::recommendedArtistCategories[2] = 2;
    appGlobals::recommendedArtistCount = 2;
    appGlobals::genreSelection[5] = "left over";
    guiRepositioning::selectGenreArtists(2);
    QCOMPARE(appGlobals::genreSelection[0], QStringLiteral("Ann"));
    QCOMPARE(appGlobals::genreSelection[1], QStringLiteral("Cleo"));
    for (std::size_t i = 2; i < appGlobals::genreSelection.size(); ++i)
        QVERIFY(appGlobals::genreSelection[i].isEmpty());
}

void tst_artistPictures::emptyGenreGroupAsksForNothing()
{
    appGlobals::recommendedArtistCount = 0;
    appGlobals::recommendedArtistCategories.fill(0);
    guiRepositioning::selectGenreArtists(3);
    const int before = m_server->connectionCount();
    QVERIFY(guiRepositioning::loadGenreArtists(*m_genreSocket, *m_tree, *m_images,
                                               httpGlobals::similarImageSlot));
    QCOMPARE(m_tree->topLevelItemCount(), 0);
    QCOMPARE(m_server->connectionCount(), before);
}

QTEST_MAIN(tst_artistPictures)
#include "tst_artistPictures.moc"
