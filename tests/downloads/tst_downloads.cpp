// The downloads layer against a scripted loopback server standing in for every site: what each resolver
// sends, one track file's transfer, the queue, outside addresses and the rate text.
#include "downloads/sourceSites.h"
#include "messageBoxCatcher.h"
#include "windowTestEnvironment.h"

#include "core/startup.h"
#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "downloads/resolvers.h"
#include "downloads/transfer.h"
#include "platform/socketControl.h"

#include <memory>

using S = ScriptedServer;

static QByteArray servedTrack()
{
    QByteArray body(3000, 0);
    std::generate(body.begin(), body.end(), [i = 0]() mutable { return char(7 * i++); });
    return body;
}

// "request line|host|referer|cookie" of a recorded request, or the line and the fields named.
static QString describe(const QByteArray &request,
                        const QList<QByteArray> &names = {"Host", "Referer", "Cookie"})
{
    QStringList parts{QString::fromLatin1(request.left(request.indexOf("\r\n")))};
    for (const QByteArray &name : names) {
        const qsizetype at = request.indexOf("\r\n" + name + ": ");
        parts << (at < 0 ? QString()
                         : QString::fromLatin1(request.mid(at + name.size() + 4).split('\r').first()));
    }
    return parts.join('|');
}

class tst_downloads : public QObject
{
    Q_OBJECT

    S m_server;
    std::unique_ptr<WindowTestEnvironment> m_env;
    MessageBoxCatcher m_boxes;
    platform::SocketControl m_socket;

    static QByteArray musicFile(const QString &name) { return fileBytes(core::settings().mp3Folder + name); }
    QString fileAddress(const QString &path) const { return m_server.siteAddress("files", path); }
    void transfer(const QString &artist, const QString &track, const QString &address)
    {
        downloads::TrackJob job(m_socket, http::Slot::Download);
        QCoro::waitFor(downloads::transferTrackFile(artist, track, address, job, {}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Every outside site at one loopback port ("<name>.localhost:<port>").
        m_env = std::make_unique<WindowTestEnvironment>("http://127.0.0.1:1/",
                                                        QStringLiteral("localhost:%1").arg(m_server.port()));
        QVERIFY(core::startUp());
        http::attachSocket(m_socket, http::Slot::Download);
        http::setTimeouts(5000, 5000);
        downloads::setFirstRetryPause(1);
    }

    void init()
    {
        m_boxes.clear();
        emptyMusicFolder();
    }

    void requestsOfEachSite_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<QByteArray>>("responses"); // one per connection
        QTest::addColumn<QStringList>("requests");        // as describe() gives them
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QByteArray>("saved"); // under "A & B+C - Song One.mp3"

        const auto &s = downloads::sourceSites();
        const QString port = QString::number(m_server.port());
        const auto site = [this](const char *name, const char *path) {
            return m_server.siteAddress(QLatin1String(name), QLatin1String(path));
        };
        const auto redirect = [](const QString &to) {
            return "HTTP/1.1 302 Found\r\nLocation: " + to.toLatin1() + "\r\nContent-Length: 0\r\n\r\n";
        };
        const QString host = ".localhost:" + port + "|";
        const QByteArray bytes("track bytes");
        const QList<QByteArray> served{okResponse(bytes)}, nothing;
        const QStringList none;
        const auto fromCdn = [&](const QString &file) {
            return QStringList{"GET /o1/epi_files/reg/songs/mp3/" + file + " HTTP/1.1|cdn.epitonic" + host +
                               s.epitonicHome + "|"};
        };
        const QString shutPage = "GET /mp3/t.mp3 HTTP/1.1|shutemdown" + host + s.downloadComMusicHome + "|";
        const QString pageRequest =
            "GET /3000-1/song-one.html HTTP/1.1|music.download" + host +
            "http://www.google.com/search?hl=en&q=A+%26+B%2BC&btnG=Google+Search&meta=|";

        QTest::newRow("epitonic: the file from its CDN, blanks as %20")
            << site("epitonic", "/artists/art/My Song.mp3") << served << fromCdn("My%20Song.mp3") << none
            << bytes;
        const QString rave = site("rave", "/play.php?id=3&TRACK=k9&x=1");
        QTest::newRow("rave: its redirect script, then where it points")
            << rave << QList<QByteArray>{redirect(site("files", "/k9.mp3")), okResponse(bytes)}
            << QStringList{"GET /music.php?redirect=k9&x=1 HTTP/1.1|rave" + host + rave + "|",
                           "GET /k9.mp3 HTTP/1.1|files" + host + rave + "|"}
            << none << bytes;
        QTest::newRow("shutemdown: the page's cookie goes back with the file request")
            << site("shutemdown", "/mp3/t.mp3")
            << QList<QByteArray>{okResponse("<html>welcome</html>", "sEt-cOOkie: sid=abc; path=/\r\n"),
                                 okResponse(bytes)}
            << QStringList{shutPage,
                           "GET /mp3/t.mp3 HTTP/1.1|shutemdown" + host + s.shutEmDownRefererPage + "|sid=abc"}
            << none << bytes;
        const QString page = site("music.download", "/3000-1/song-one.html");
        const QString file = site("files", "/s1.mp3");
        QTest::newRow("download site: its page, the redirector, the file")
            << page
            << QList<QByteArray>{okResponse("<html>\r\n<td>Song One</td>\r\n<a href=\"" +
                                            s.downloadComRedirectorPrefix.toLatin1() + "\r\n" +
                                            file.toLatin1() + "\"><img src=\"dl.gif\"></a>\r\n</html>\r\n"),
                                 redirect(file), okResponse(bytes)}
            << QStringList{pageRequest,
                           "GET /redir?&destUrl=" + file + " HTTP/1.1|dl.download" + host + page + "|",
                           "GET /s1.mp3 HTTP/1.1|files" + host + page + "|"}
            << none << bytes;
        QTest::newRow("download site page without a link")
            << page << QList<QByteArray>{okResponse("<html>Song One, but no link</html>\r\n")}
            << QStringList{pageRequest}
            << QStringList{"I couldn't find that track,\r\nsomething went wrong.  Sorry."} << QByteArray();
        QTest::newRow("shutemdown page refused")
            << site("shutemdown", "/mp3/t.mp3")
            << QList<QByteArray>{"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"}
            << QStringList{shutPage}
            << QStringList{"An error occurred while downloading\r\nHTTP Response: 403 = HTTP_FORBIDDEN"}
            << QByteArray();
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        QTest::newRow("shutemdown page without a connection")
            << QStringLiteral("http://shutemdown.localhost:%1/t.mp3").arg(closed.serverPort()) << nothing
            << none << QStringList{"A Socket error occurred while downloading"} << QByteArray();
        QTest::newRow("epitonic address ending in a slash")
            << site("epitonic", "/artists/") << nothing << none << none << QByteArray();
        QTest::newRow("rave address with an empty key")
            << site("rave", "/play.php?id=3&track=") << nothing << none << none << QByteArray();
        QTest::newRow("letter case of the domain ignored") << "HTTP://EPITONIC.LOCALHOST:" + port + "/X/A.mp3"
                                                           << served << fromCdn("A.mp3") << none << bytes;
        const QString query = site("files", "/get.php?from=rave.localhost&track=k2");
        QTest::newRow("domain text only in the query")
            << query << served << QStringList{"GET /music.php?redirect=k2 HTTP/1.1|rave" + host + query + "|"}
            << none << bytes;
        // Epitonic first; rave then finds the file there already.
        QTest::newRow("address naming two sites runs both")
            << site("epitonic", "/x?via=rave.localhost&track=k3") << served
            << fromCdn("x?via=rave.localhost&track=k3")
            << QStringList{"This track has already been downloaded.\r\n"
                           "If you want this file instead, delete the old one."}
            << bytes;
    }
    void requestsOfEachSite()
    {
        QFETCH(QString, source);
        QFETCH(QList<QByteArray>, responses);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, messages);
        QFETCH(QByteArray, saved);
        m_server.setReplies(responses);
        const qsizetype first = m_server.requests().size();
        http::forgetSlotHistory(http::Slot::Download);
        downloads::TrackJob job(m_socket, http::Slot::Download);
        QCoro::waitFor(downloads::downloadTrack("A & B+C", "Song One", source, job));
        QStringList sent;
        for (const QByteArray &request : m_server.requests().mid(first))
            sent << describe(request);
        QCOMPARE(sent, requests);
        QCOMPARE(m_boxes.texts(), messages);
        QCOMPARE(musicFolderFiles(), saved.isEmpty() ? QStringList() : QStringList{"A & B+C - Song One.mp3"});
        QCOMPARE(musicFile("A & B+C - Song One.mp3"), saved.isEmpty() ? "<no file>" : saved);
        // The pages the resolvers fetched are gone too.
        QCOMPARE(QDir(core::settings().tempFolder).entryList(QDir::Files), QStringList());
    }

    // The link scan over saved pages of the download site. "{P}" stands for the redirector prefix.
    void redirectLinkScan_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected"); // empty: no link
        const auto row = [](const char *name, const char *page, const char *expected,
                            const char *title = "Song One") {
            QTest::newRow(name) << QByteArray(page) << QString::fromLatin1(title)
                                << QString::fromLatin1(expected);
        };

        row("title, prefix line, rest with closing pair",
            "<td>Song One</td>\r\n<a href=\"{P}\r\nhttp://files/one.mp3\"><img src=x>\r\n",
            "{P}http://files/one.mp3");
        row("middle line loses its CR and the character before it",
            "Song One\r\n{P}\r\nhttp://files/x\r\none.mp3\"><img src=x>\r\n", "{P}http://files/one.mp3");
        row("text after the prefix on its line is not used",
            "Song One\r\nhref=\"{P}ignored\r\nrest\"><img src=\r\n", "{P}rest");
        row("prefix on the title's own line counts", "Song One {P}\r\nrest\"><img src=\r\n", "{P}rest");
        row("prefix only before the title", "{P}\r\nrest\"><img src=\r\nSong One\r\n", "");
        row("page ends while collecting", "Song One\r\n{P}\r\nrest\r\nmore\r\n", "");
        row("last line without LF still read", "Song One\r\n{P}\r\nrest\"><img src=", "{P}rest");
        row("case ignored for title, prefix and marker", "SONG one\r\n{P}\r\nrest\"><IMG SRC=\r\n", "{P}rest",
            "song ONE");
        row("a second prefix line starts the link afresh",
            "Song One\r\n{P}\r\nold\r\n{P}\r\nnew\"><img src=\r\n", "{P}new");
        row("only the first completed link", "Song One\r\n{P}\r\na\"><img src=\r\n{P}\r\nb\"><img src=\r\n",
            "{P}a");
        // Counts that would be negative append nothing instead of failing.
        row("marker at the start of the line", "Song One\r\n{P}\r\nrest\r\n<img src=\r\n", "{P}res");
        row("one-character and empty continuation lines", "Song One\n{P}\nabcd\nx\n\nefgh\"><img src=\n",
            "{P}abefgh");
    }
    void redirectLinkScan()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, title);
        QFETCH(QString, expected);
        const QString prefix = downloads::sourceSites().downloadComRedirectorPrefix;
        QFile file(core::settings().tempFolder + "page.html");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(page.replace("{P}", prefix.toLatin1())) > 0);
        file.close();
        QCOMPARE(downloads::findRedirectLink(file.fileName(), title), expected.replace("{P}", prefix));
        QVERIFY(file.remove());
    }

    void savesServedBytesUnderSafeNameOnce()
    {
        static const char head[] = "ID3\x03\0\0\0\0\0\0 not a blank line:\r\n\r\n then more";
        const QByteArray body = QByteArray(head, sizeof(head) - 1) + servedTrack();
        const QByteArray response = okResponse(body);
        const qsizetype first = m_server.requests().size();
        m_server.setScript({S::send(response.left(60)), S::pause(20), S::send(response.mid(60))});

        // Blanks go out as %20; "%" and other bytes as they are.
        transfer("a//b\\c?d*e", ":f|g>h <\"&.", fileAddress(QString::fromLatin1("/dir/my song%41\xe9.mp3")));
        const QString saved = "a--b-c-d-e - -f-g-h <\"&..mp3";
        QCOMPARE(m_boxes.texts(), QStringList());
        QCOMPARE(musicFolderFiles(), QStringList{saved});
        QCOMPARE(musicFile(saved), body);
        QCOMPARE(m_server.requests().size(), first + 1);
        QCOMPARE(describe(m_server.requests().last()),
                 QString::fromLatin1("GET /dir/my%20song%41\xe9.mp3 HTTP/1.1|files.localhost:%1|"
                                     "http://files.localhost:%1/index.html|")
                     .arg(m_server.port()));

        // A second copy is refused before any request.
        transfer("a//b\\c?d*e", ":f|g>h <\"&.", fileAddress("/other.mp3"));
        QCOMPARE(m_boxes.texts(), QStringList{"This track has already been downloaded.\r\n"
                                              "If you want this file instead, delete the old one."});
        QCOMPARE(m_server.requests().size(), first + 1);
        QCOMPARE(musicFile(saved), body);
    }

    // Failures that may pass are tried again, a broken body resumed where the server allows it; whatever
    // fails in the end (a refused name before any request) leaves no file and never blocks a later try.
    void retriesResumesAndFailures_data()
    {
        QTest::addColumn<QList<S::Script>>("scripts"); // one per connection, the last for all later
        QTest::addColumn<QStringList>("ranges");       // "line|Range|If-Range" of each request
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("pauses"); // seconds shown before each retry; else 2 4 8 as far as it got
        const QByteArray body = servedTrack();
        const auto head206 = [](int from) {
            return "HTTP/1.1 206 Partial Content\r\nETag: \"v1\"\r\nContent-Range: bytes " +
                   QByteArray::number(from) +
                   "-2999/3000\r\nContent-Length: " + QByteArray::number(3000 - from) + "\r\n\r\n";
        };
        const S::Script broken{
            S::send(okResponse(body, "Accept-Ranges: bytes\r\nETag: \"v1\"\r\n").chopped(2000)), S::pause(20),
            S::reset()};
        const S::Script whole = S::ok(body), busy = S::status(503, "Unavailable");
        const QString get = "GET /t.mp3 HTTP/1.1||";
        const auto from = [&get](const char *at) {
            return get.chopped(1) + "bytes=" + QLatin1String(at) + "-|\"v1\"";
        };
        const QStringList resumed{get, from("1000")}, twice{get, get}, fourTimes(4, get);
        QTest::newRow("reset at byte 1000, the rest resumed")
            << QList<S::Script>{broken, {S::send(head206(1000) + body.mid(1000))}} << resumed << QString()
            << QString();
        // Each try adds bytes, so four drops in a row cost pauses, not the track.
        const auto part = [&](int at, int to) {
            return S::Script{S::send(head206(at) + body.mid(at, to - at)), S::pause(20), S::reset()};
        };
        QTest::newRow("dropped four times, each try further")
            << QList<S::Script>{broken, part(1000, 2000), part(2000, 2500), part(2500, 2800),
                                part(2800, 3000)}
            << QStringList{get, from("1000"), from("2000"), from("2500"), from("2800")} << QString()
            << "2 2 2 2";
        QTest::newRow("no ranges: starts over")
            << QList<S::Script>{{S::send(okResponse(body).chopped(2000)), S::pause(20), S::reset()}, whole}
            << twice << QString() << QString();
        QTest::newRow("a whole body for the resume")
            << QList<S::Script>{broken, whole} << resumed << QString() << QString();
        QTest::newRow("503 then 200") << QList<S::Script>{busy, whole} << twice << QString() << QString();
        QTest::newRow("404 not retried")
            << QList<S::Script>{S::status(404, "Not Found")} << QStringList{get}
            << "An error occurred while downloading\r\nHTTP Response: 404 = HTTP_NOT_FOUND" << QString();
        QTest::newRow("503 four times")
            << QList<S::Script>{busy} << fourTimes
            << "An error occurred while downloading\r\nHTTP Response: 503 = HTTP_SERVICE_UNAVAILABLE"
            << QString();
        QTest::newRow("a name the file system refuses") // the artist's, when no request is expected
            << QList<S::Script>{whole} << QStringList{}
            << "An error occurred while downloading\r\nThe file could not be saved as " +
                   core::settings().mp3Folder + QString(300, 'a') + " - Track.mp3"
            << QString();
    }
    void retriesResumesAndFailures()
    {
        QFETCH(QList<S::Script>, scripts);
        QFETCH(QStringList, ranges);
        QFETCH(QString, message);
        m_server.setScripts(scripts);
        const qsizetype first = m_server.requests().size();
        downloads::TrackJob job(m_socket, http::Slot::Download);
        QStringList shown;
        connect(&job, &downloads::TrackJob::notice, &job, [&shown](const QString &text) { shown << text; });
        const QString artist = ranges.isEmpty() ? QString(300, 'a') : QString("Art");
        QCoro::waitFor(downloads::transferTrackFile(artist, "Track", fileAddress("/t.mp3"), job, {}));
        QStringList sent;
        for (const QByteArray &request : m_server.requests().mid(first))
            sent << describe(request, {"Range", "If-Range"});
        QCOMPARE(sent, ranges);
        QFETCH(QString, pauses);
        QStringList expected;
        const QStringList seconds = pauses.isEmpty() ? QStringList{"2", "4", "8"} : pauses.split(' ');
        for (const QString &s : seconds.mid(0, qMax(0, ranges.size() - 1)))
            expected << "retrying in " + s + " s\u2026" << QString();
        QCOMPARE(shown, expected);
        QCOMPARE(m_boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(musicFile("Art - Track.mp3"), message.isEmpty() ? servedTrack() : "<no file>");
        if (message.isEmpty())
            return;
        // Nothing stops the same track from landing afterwards.
        m_server.setScript(S::ok("whole"));
        transfer("Art", "Track", fileAddress("/t.mp3"));
        QCOMPARE(musicFolderFiles(), QStringList{"Art - Track.mp3"});
        QCOMPARE(musicFile("Art - Track.mp3"), "whole");
    }

    void queueIsFirstInFirstOutAndBounded()
    {
        downloads::DownloadQueue queue;
        QListWidget list;
        QCOMPARE(queue.takeFirst().source, QString()); // harmless on an empty queue
        downloads::enqueueDownload(queue, {"B & C", "Two ", "http://s/0"}, list);
        for (int i = 1; i <= 100; ++i) // duplicates are queued too; past 99 nothing
            downloads::enqueueDownload(queue, {QString::number(i % 2), "T", "u" + QString::number(i)}, list);
        QCOMPARE(queue.count(), downloads::DownloadQueue::MAX_TRACKS);
        QCOMPARE(list.count(), downloads::DownloadQueue::MAX_TRACKS);
        QCOMPARE(texts(list).mid(0, 3), (QStringList{"B & C - Two ", "1 - T", "0 - T"}));
        QCOMPARE(texts(list).last(), "0 - T");
        const downloads::QueuedTrack first = queue.takeFirst();
        QCOMPARE(QStringList({first.artist, first.track, first.source}),
                 (QStringList{"B & C", "Two ", "http://s/0"}));
        QCOMPARE(queue.takeFirst().source, "u1");

        // A place taken off a full queue is free again, at the end.
        downloads::enqueueDownload(queue, {"New", "T", "u"}, list);
        QCOMPARE(queue.count(), downloads::DownloadQueue::MAX_TRACKS - 1);
        QCOMPARE(queue.at(queue.count() - 1).artist, "New");
        QCOMPARE(texts(list).last(), "New - T");
    }

    // Addresses from the network reach the desktop only as http or https with a host.
    void outsideAddressesOpenOnlyOverHttp()
    {
        UrlRecorder urls; // its handlers go with it
        for (const QString &scheme : QStringList{"http", "https", "file", "ftp"})
            QDesktopServices::setUrlHandler(scheme, &urls, "open");
        for (const QString &address :
             QStringList{"http://a.example/1", "HTTPS://b.example:81/x?y=1", "file:///etc/passwd",
                         "/etc/passwd", "ftp://c.example/", "http:/etc/passwd", "javascript:alert(1)", ""})
            downloads::openOutsideAddress(address);
        QCOMPARE(urls.opened, (QList<QUrl>{QUrl("http://a.example/1"), QUrl("https://b.example:81/x?y=1")}));
    }

    void rateTexts()
    {
        QStringList shown;
        for (const qint64 bytes : {12000LL, 500LL, 1010LL, 5000000123LL, 0LL})
            shown << downloads::thousandsText(bytes);
        QCOMPARE(shown, (QStringList{"12", ".5", "1.01", "5000000.123", ""}));
    }
};

QTEST_MAIN(tst_downloads)
#include "tst_downloads.moc"
