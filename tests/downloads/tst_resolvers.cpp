#include "downloadTestEnvironment.h"
#include "messageBoxCatcher.h"
#include "scriptedServer.h"

#include "core/httpGlobals.h"
#include "downloads/resolvers.h"
#include "downloads/sourceSites.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"

#include <memory>

using namespace httpGlobals;

// What each site's resolver sends (request lines, hosts, referers, the cookie) and what the
// dispatcher picks, against a scripted loopback server standing in for every site.
class tst_resolvers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void epitonic();
    void rave();
    void shutEmDownSendsCookieBack();
    void shutEmDownPageRefused();
    void downloadSitePageAndRedirector();
    void downloadSitePageWithoutLink();
    void pageRequestWithoutConnection();
    void addressesWithoutTheExpectedPart_data();
    void addressesWithoutTheExpectedPart();
    void dispatch_data();
    void dispatch();
    void addressNamingTwoSitesRunsBoth();

private:
    struct Expected
    {
        QByteArray line;
        QString host;
        QString referer;
        QByteArray cookie;
    };
    void compareRequests(const QList<Expected> &expected);
    QString site(const char *name, const QString &path) const;
    void download(const QString &artist, const QString &track, const QString &source);

    std::unique_ptr<ScriptedServer> m_server;
    std::unique_ptr<DownloadTestEnvironment> m_env;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    platform::SocketControl m_socket;
    qsizetype m_firstRequest = 0;
};

void tst_resolvers::initTestCase()
{
    m_server = std::make_unique<ScriptedServer>();
    m_env = std::make_unique<DownloadTestEnvironment>(QStringLiteral("localhost:%1").arg(m_server->port()));
    httpAgent::attachSocket(m_socket, downloadSlot);
    httpAgent::setTimeouts(5000, 5000);
}

void tst_resolvers::init()
{
    m_boxes = std::make_unique<MessageBoxCatcher>();
    m_firstRequest = m_server->requests().size();
    slotCookie[downloadSlot].clear();
}

void tst_resolvers::cleanup()
{
    m_boxes.reset();
    for (const QString &name : DownloadTestEnvironment::musicFolderFiles())
        QFile::remove(DownloadTestEnvironment::musicFile(name));
    QCOMPARE(QDir(tempFolder).entryList(QDir::Files), QStringList());
}

QString tst_resolvers::site(const char *name, const QString &path) const
{
    return QStringLiteral("http://%1.localhost:%2%3")
        .arg(QLatin1String(name))
        .arg(m_server->port())
        .arg(path);
}

void tst_resolvers::download(const QString &artist, const QString &track, const QString &source)
{
    handleDownloads::downloadTrack(artist, track, source, m_socket, downloadSlot);
}

void tst_resolvers::compareRequests(const QList<Expected> &expected)
{
    const QList<QByteArray> requests = m_server->requests().mid(m_firstRequest);
    QCOMPARE(requests.size(), expected.size());
    for (qsizetype i = 0; i < requests.size(); ++i) {
        QCOMPARE(requestLine(requests[i]), expected[i].line);
        QCOMPARE(QString::fromLatin1(headerValue(requests[i], "Host")), expected[i].host);
        QCOMPARE(QString::fromLatin1(headerValue(requests[i], "Referer")), expected[i].referer);
        QCOMPARE(headerValue(requests[i], "Cookie"), expected[i].cookie);
        QCOMPARE(requests[i].contains("\r\nCookie: "), !expected[i].cookie.isEmpty());
    }
}

void tst_resolvers::epitonic()
{
    m_server->setScript({ScriptedServer::send(okResponse("epitonic bytes"))});
    download("Art", "Song", site("epitonic", "/artists/art/My Song.mp3"));

    const auto &s = sourceSites::sites();
    compareRequests({{"GET /o1/epi_files/reg/songs/mp3/My%20Song.mp3 HTTP/1.1",
                      QStringLiteral("cdn.epitonic.localhost:%1").arg(m_server->port()),
                      s.epitonicHome,
                      {}}});
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("Art - Song.mp3")),
             "epitonic bytes");
}

void tst_resolvers::rave()
{
    const QString source = site("rave", "/play.php?id=3&TRACK=k9&x=1");
    m_server->setScript(
        {ScriptedServer::send("HTTP/1.1 302 Found\r\nLocation: " + site("files", "/k9.mp3").toLatin1() +
                              "\r\nContent-Length: 0\r\n\r\n")});
    m_server->addScript({ScriptedServer::send(okResponse("rave bytes"))});
    download("Art", "Rave", source);

    const QString port = QString::number(m_server->port());
    compareRequests({{"GET /music.php?redirect=k9&x=1 HTTP/1.1", "rave.localhost:" + port, source, {}},
                     {"GET /k9.mp3 HTTP/1.1", "files.localhost:" + port, source, {}}});
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("Art - Rave.mp3")),
             "rave bytes");
}

void tst_resolvers::shutEmDownSendsCookieBack()
{
    const QString source = site("shutemdown", "/mp3/t.mp3");
    m_server->setScript(
        {ScriptedServer::send(okResponse("<html>welcome</html>", "sEt-cOOkie: sid=abc; path=/\r\n"))});
    m_server->addScript({ScriptedServer::send(okResponse("shut bytes"))});
    download("Art", "Shut", source);

    const auto &s = sourceSites::sites();
    const QString host = QStringLiteral("shutemdown.localhost:%1").arg(m_server->port());
    compareRequests({{"GET /mp3/t.mp3 HTTP/1.1", host, s.downloadComMusicHome, {}},
                     {"GET /mp3/t.mp3 HTTP/1.1", host, s.shutEmDownRefererPage, "sid=abc"}});
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("Art - Shut.mp3")),
             "shut bytes");
}

void tst_resolvers::shutEmDownPageRefused()
{
    m_server->setScript({ScriptedServer::send("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")});
    download("Art", "Shut", site("shutemdown", "/mp3/t.mp3"));
    QCOMPARE(m_server->requests().size(), m_firstRequest + 1);
    QCOMPARE(m_boxes->texts(),
             QStringList{"An error occurred while downloading\r\nHTTP Response: 403 = HTTP_FORBIDDEN"});
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());
}

void tst_resolvers::downloadSitePageAndRedirector()
{
    const auto &s = sourceSites::sites();
    const QString source = site("music.download", "/3000-1/song-one.html");
    const QString file = site("files", "/s1.mp3");
    const QByteArray page = "<html>\r\n<td>Song One</td>\r\n<a href=\"" +
                            s.downloadComRedirectorPrefix.toLatin1() + "\r\n" + file.toLatin1() +
                            "\"><img src=\"dl.gif\"></a>\r\n</html>\r\n";
    m_server->setScript({ScriptedServer::send(okResponse(page))});
    m_server->addScript({ScriptedServer::send("HTTP/1.1 302 Found\r\nLocation: " + file.toLatin1() +
                                              "\r\nContent-Length: 0\r\n\r\n")});
    m_server->addScript({ScriptedServer::send(okResponse("download site bytes"))});
    download("A & B+C", "Song One", source);

    const QString port = QString::number(m_server->port());
    compareRequests({{"GET /3000-1/song-one.html HTTP/1.1",
                      "music.download.localhost:" + port,
                      "http://www.google.com/search?hl=en&q=A+%26+B%2BC&btnG=Google+Search&meta=",
                      {}},
                     {"GET /redir?&destUrl=" + file.toLatin1() + " HTTP/1.1",
                      "dl.download.localhost:" + port,
                      source,
                      {}},
                     {"GET /s1.mp3 HTTP/1.1", "files.localhost:" + port, source, {}}});
    QCOMPARE(m_boxes->texts(), QStringList());
    QCOMPARE(DownloadTestEnvironment::readAll(DownloadTestEnvironment::musicFile("A & B+C - Song One.mp3")),
             "download site bytes");
}

void tst_resolvers::downloadSitePageWithoutLink()
{
    m_server->setScript({ScriptedServer::send(okResponse("<html>Song One, but no link</html>\r\n"))});
    download("Art", "Song One", site("music.download", "/3000-1/x.html"));
    QCOMPARE(m_server->requests().size(), m_firstRequest + 1);
    QCOMPARE(m_boxes->texts(), QStringList{"I couldn't find that track,\r\nsomething went wrong.  Sorry."});
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList());
}

void tst_resolvers::pageRequestWithoutConnection()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString source = QStringLiteral("http://shutemdown.localhost:%1/t.mp3").arg(closed.serverPort());
    closed.close();
    download("Art", "T", source);
    QCOMPARE(m_boxes->texts(), QStringList{"A Socket error occurred while downloading"});
}

void tst_resolvers::addressesWithoutTheExpectedPart_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("epitonic address ending in a slash") << "http://epitonic.localhost/artists/";
    QTest::newRow("rave address without a track key") << "http://rave.localhost/play.php?id=3";
    QTest::newRow("rave address with an empty key") << "http://rave.localhost/play.php?id=3&track=";
}

void tst_resolvers::addressesWithoutTheExpectedPart()
{
    QFETCH(QString, source);
    const int connections = m_server->connectionCount();
    download("Art", "None", source);
    QCOMPARE(m_server->connectionCount(), connections);
    QCOMPARE(m_boxes->texts(), QStringList());
}

void tst_resolvers::dispatch_data()
{
    QTest::addColumn<QString>("source"); // "P" is the server's port
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("host");

    QTest::newRow("letter case ignored")
        << "HTTP://EPITONIC.LOCALHOST:P/X/A.mp3"
        << QByteArray("GET /o1/epi_files/reg/songs/mp3/A.mp3 HTTP/1.1") << "cdn.epitonic.localhost:P";
    QTest::newRow("domain text only in the query")
        << "http://files.localhost:P/get.php?from=rave.localhost&track=k2"
        << QByteArray("GET /music.php?redirect=k2 HTTP/1.1") << "rave.localhost:P";
    QTest::newRow("plain host fetched directly")
        << "http://files.localhost:P/plain.mp3" << QByteArray("GET /plain.mp3 HTTP/1.1")
        << "files.localhost:P";
    QTest::newRow("home-page-only site fetched directly")
        << "http://insound.localhost:P/a/b.mp3" << QByteArray("GET /a/b.mp3 HTTP/1.1")
        << "insound.localhost:P";
}

void tst_resolvers::dispatch()
{
    QFETCH(QString, source);
    QFETCH(QByteArray, line);
    QFETCH(QString, host);
    const QString port = QString::number(m_server->port());
    m_server->setScript({ScriptedServer::send(okResponse("bytes"))});
    download("Art", "Dispatched", source.replace(":P", ":" + port));
    QCOMPARE(m_server->requests().size(), m_firstRequest + 1);
    QCOMPARE(requestLine(m_server->requests().last()), line);
    QCOMPARE(QString::fromLatin1(headerValue(m_server->requests().last(), "Host")),
             host.replace(":P", ":" + port));
    QCOMPARE(DownloadTestEnvironment::musicFolderFiles(), QStringList{"Art - Dispatched.mp3"});
}

void tst_resolvers::addressNamingTwoSitesRunsBoth()
{
    // Epitonic first; rave then finds the file there already.
    m_server->setScript({ScriptedServer::send(okResponse("bytes"))});
    download("Art", "Twice", site("epitonic", "/x?via=rave.localhost&track=k3"));
    QCOMPARE(m_server->requests().size(), m_firstRequest + 1);
    QCOMPARE(requestLine(m_server->requests().last()),
             "GET /o1/epi_files/reg/songs/mp3/x?via=rave.localhost&track=k3 HTTP/1.1");
    QCOMPARE(m_boxes->texts(), QStringList{"This track has already been downloaded.\r\n"
                                           "If you want this file instead, delete the old one."});
}

QTEST_MAIN(tst_resolvers)
#include "tst_resolvers.moc"
