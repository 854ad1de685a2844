// Artist pictures through the cache, and the genre-artists tree, against a scripted loopback server.
#include "windowTestEnvironment.h"

#include "core/startup.h"
#include "http/httpAgent.h"
#include "media/artistPictures.h"
#include "messageBoxCatcher.h"
#include "platform/imageList.h"
#include "platform/socketControl.h"

using Lines = QList<QByteArray>;

static const QByteArray notFound = httpResponse(404, "Not Found", "<html>missing</html>");
static const QByteArray picture = okResponse(jpegBytes());

class tst_artistPictures : public QObject
{
    Q_OBJECT

    static bool finished(const QCoro::Task<> &task)
    {
        return QTest::qWaitFor([&task] { return task.isReady(); });
    }
    bool showPicture(const QString &artist)
    {
        return finished(media::showArtistPicture(artist, m_box, m_socket, http::Slot::ChooserPicture)) &&
               !m_box.pixmap().isNull();
    }
    bool loadGenre(const QStringList &names)
    {
        m_tree.clear();
        m_images.clear();
        return finished(
            media::loadGenreArtists(names, m_socket, m_tree, m_images, http::Slot::ChooserPicture));
    }

    ScriptedServer m_server;
    WindowTestEnvironment m_environment{"http://" + m_server.hostText() + "/"};
    platform::SocketControl m_socket;
    QLabel m_box;
    QTreeWidget m_tree;
    platform::ImageList m_images;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(core::startUp());
        http::attachSocket(m_socket, http::Slot::ChooserPicture);
        m_box.resize(96, 96);
        m_images.setPictureSize(QSize(150, 142));
    }

    void init()
    {
        QDir cache(core::settings().imageCacheFolder);
        for (const QString &name : cache.entryList(QDir::Files | QDir::Hidden))
            QVERIFY(cache.remove(name));
        m_box.clear();
        m_server.setReplies({picture});
    }

    // The single picture encodes its address as a query text; the genre tree only turns blanks to "%20".
    // A duo's picture may be found under its first name.
    void requestsAndCache_data()
    {
        QTest::addColumn<bool>("genre");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<Lines>("replies");
        QTest::addColumn<QStringList>("requests"); // what follows "/artistImages/"
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("cacheName"); // empty: nothing kept
        const Lines once{picture}, secondTime{notFound, picture};
        QTest::newRow("picture") << false << "Sun, Moon & Stars" << once
                                 << QStringList{"Sun,%20Moon%20%26%20Stars.jpg"} << true
                                 << "Sun, Moon & Stars.jpg";
        QTest::newRow("picture of AC/DC")
            << false << "AC/DC" << once << QStringList{"AC/DC.jpg"} << true << "ACDC.jpg";
        QTest::newRow("genre") << true << "Sun, Moon & Stars" << once
                               << QStringList{"Sun,%20Moon%20&%20Stars.jpg"} << true
                               << "Sun, Moon & Stars.jpg";
        QTest::newRow("genre name leaving the folder")
            << true << "../../escaped" << once << QStringList{"../../escaped.jpg"} << true
            << "....escaped.jpg";
        QTest::newRow("duo: the first name")
            << false << "Ann & Bob" << secondTime << QStringList{"Ann%20%26%20Bob.jpg", "Ann.jpg"} << true
            << "Ann.jpg";
        QTest::newRow("duo: nothing before the ampersand")
            << false << " & Bob" << secondTime << QStringList{"%20%26%20Bob.jpg"} << false << "";
        QTest::newRow("no duo") << false << "Ann and Bob" << secondTime << QStringList{"Ann%20and%20Bob.jpg"}
                                << false << "";
        QTest::newRow("reply that is no picture")
            << false << "Broken" << Lines{okResponse("<html>no picture</html>")} << QStringList{"Broken.jpg"}
            << false << "";
    }
    void requestsAndCache()
    {
        QFETCH(bool, genre);
        QFETCH(QString, artist);
        QFETCH(Lines, replies);
        QFETCH(QStringList, requests);
        QFETCH(bool, shown);
        QFETCH(QString, cacheName);
        const auto show = [&] {
            return genre ? loadGenre({artist}) && m_tree.topLevelItemCount() == 1 : showPicture(artist);
        };
        m_server.setReplies(replies);
        const int before = int(m_server.requests().size());
        MessageBoxCatcher boxes;
        QCOMPARE(show(), shown);
        Lines expected;
        for (const QString &name : requests)
            expected << "GET /artistImages/" + name.toLatin1() + " HTTP/1.1";
        QCOMPARE(m_server.requestLines(before), expected);
        QVERIFY(
            m_server.requests().last().contains("\r\nReferer: " + core::settings().serverBaseUrl.toLatin1()));
        QCOMPARE(boxes.count(), 0);
        const QStringList cached =
            QDir(core::settings().imageCacheFolder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(cached, cacheName.isEmpty() ? QStringList() : QStringList{cacheName});
        if (requests.size() > 1 || !shown)
            return;
        // From the cache the next time.
        m_box.clear();
        QVERIFY(show());
        QCOMPARE(int(m_server.requests().size()), before + 1);
    }

    void brokenCachedFileIsFetchedAgain()
    {
        QFile junk(media::artistCacheFile("Broken"));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("junk") == 4);
        junk.close();
        const int before = int(m_server.requests().size());
        QVERIFY(showPicture("Broken"));
        QCOMPARE(int(m_server.requests().size()), before + 1);
    }

    void genreGroupWithMissingPicturesOrCancelled()
    {
        // The second "One" makes no second node.
        m_server.setReplies({picture, notFound, picture, QByteArray(), picture});
        MessageBoxCatcher boxes;
        QVERIFY(loadGenre({"One", "Two", "", "Three", "Four", "Five", "One"}));
        const QString missing =
            "An error occurred while retrieving artist image\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
        QCOMPARE(boxes.texts(),
                 (QStringList{missing, "A Socket error occurred while retrieving artist image"}));
        QCOMPARE(texts(m_tree), (QStringList{"One", "Three", "Five"}));
        for (int i = 0; i < m_tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem *node = m_tree.topLevelItem(i);
            QVERIFY(!node->icon(0).isNull() && platform::treeNodeKey(*node) == node->text(0));
        }
        QCOMPARE(m_images.picture("Five").size(), QSize(150, 142));
        QVERIFY(!QFile::exists(media::artistCacheFile("Two")));

        // A cancel ends the fill without a word: "Seven" is never asked for.
        m_server.setScripts({{ScriptedServer::pause(300), ScriptedServer::send(picture)}});
        const qsizetype before = m_server.requests().size();
        const QCoro::Task<> fill =
            media::loadGenreArtists({"Six", "Seven"}, m_socket, m_tree, m_images, http::Slot::ChooserPicture);
        QTRY_COMPARE(m_server.requests().size(), before + 1);
        http::cancel(http::Slot::ChooserPicture);
        QTRY_VERIFY(fill.isReady());
        QCOMPARE(m_server.requests().size(), before + 1);
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(m_tree.topLevelItemCount(), 3);
    }
};

QTEST_MAIN(tst_artistPictures)
#include "tst_artistPictures.moc"
