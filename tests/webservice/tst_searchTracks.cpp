// The search operation against a scripted loopback server, with real controls offscreen.
#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "messageBoxCatcher.h"
#include "platform/socketControl.h"
#include "platform/webBrowserControl.h"
#include "scriptedServer.h"
#include "webservice/search.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <functional>

using S = ScriptedServer;

namespace {

// The shop page must not reach the scripted server: its scripts are for the client's own requests.
class OfflineBrowser : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override { info.block(true); }
};

QByteArray reply(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + " " + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray requestLine(const QByteArray &request)
{
    return request.left(request.indexOf("\r\n"));
}

} // namespace

class tst_searchTracks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void requestAddresses_data();
    void requestAddresses();
    void shopPageLoadsBeforeTheRequest();
    void resultsFillGridAndCaption_data();
    void resultsFillGridAndCaption();
    void failuresLeaveEmptyGrid_data();
    void failuresLeaveEmptyGrid();
    void searchStartedDuringAWaitTakesOver();

private:
    void startOnceRequested(const std::function<void()> &action);
    void search(const QString &type, const QString &text);
    QStringList gridRow(int row) const;

    QTemporaryDir m_dir;
    ScriptedServer *m_server = nullptr;
    std::unique_ptr<QWidget> m_owner;
    QComboBox *m_genres = nullptr;
    QLineEdit *m_echo = nullptr;
    QGroupBox *m_frame = nullptr;
    QTableWidget *m_grid = nullptr;
    platform::SocketControl *m_socket = nullptr;
    platform::WebBrowserControl *m_browser = nullptr;
    MessageBoxCatcher *m_boxes = nullptr;
};

void tst_searchTracks::initTestCase()
{
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(new OfflineBrowser(this));
    m_server = new ScriptedServer(this);
    httpGlobals::serverBaseUrl = QStringLiteral("http://%1/").arg(m_server->hostText());
    httpGlobals::userAgent = "TestAgent/1.0";
    httpGlobals::tempFolder = m_dir.path() + '/';
    appGlobals::genreNames[1] = "Rock";
    appGlobals::genreNames[7] = "Jazz";
}

void tst_searchTracks::init()
{
    m_owner = std::make_unique<QWidget>();
    m_genres = new QComboBox(m_owner.get());
    m_genres->addItems({"Any", "Rock", "Pop", "Folk", "Jazz"});
    m_echo = new QLineEdit(m_owner.get());
    m_frame = new QGroupBox(m_owner.get());
    m_grid = new QTableWidget(1, 3, m_owner.get());
    m_socket = new platform::SocketControl(m_owner.get());
    m_browser = new platform::WebBrowserControl(m_owner.get());
    m_boxes = new MessageBoxCatcher(m_owner.get());
}

void tst_searchTracks::cleanup()
{
    m_owner.reset();
}

void tst_searchTracks::search(const QString &type, const QString &text)
{
    webService::searchTracks(type, text, *m_genres, *m_echo, *m_frame, *m_socket, *m_grid, *m_browser,
                             httpGlobals::webServiceSlot);
}

QStringList tst_searchTracks::gridRow(int row) const
{
    QStringList cells;
    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem *cell = m_grid->item(row, column);
        cells << (cell ? cell->text() : QString());
    }
    return cells;
}

void tst_searchTracks::requestAddresses_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("genre");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("title, genre 3") << "Title"
                                    << "rock and roll" << 3
                                    << QByteArray("GET /trelvoTracksByTitle.php?genre=3&artist=&track="
                                                  "rock%20and%20roll% HTTP/1.1");
    QTest::newRow("artist, any genre") << "Artist"
                                       << "salt & pepper" << 0
                                       << QByteArray("GET /trelvoTracksByArtist.php?genre=0&artist="
                                                     "salt%20%26%20pepper%&track= HTTP/1.1");
    QTest::newRow("keyword carries no percent")
        << "Keyword"
        << "a+b/c" << 4 << QByteArray("GET /trelvoTracksByKeyword.php?genre=4&keyword=a+b/c&track= HTTP/1.1");
    QTest::newRow("no genre chosen")
        << "Keyword"
        << "abc" << -1 << QByteArray("GET /trelvoTracksByKeyword.php?genre=-1&keyword=abc&track= HTTP/1.1");
}

void tst_searchTracks::requestAddresses()
{
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(int, genre);
    QFETCH(QByteArray, line);
    m_genres->setCurrentIndex(genre);
    m_server->setScript({S::send(reply(200, "OK", "A,1,T,u\r\n"))});
    const int before = int(m_server->requests().size());
    search(type, text);
    QCOMPARE(m_server->requests().size(), before + 1);
    const QByteArray request = m_server->requests().last();
    QCOMPARE(requestLine(request), line);
    QVERIFY(request.contains("\r\nReferer: " + httpGlobals::serverBaseUrl.toLatin1() + "\r\n"));
    QCOMPARE(m_echo->text(), httpGlobals::serverBaseUrl + QString::fromLatin1(line.mid(5, line.size() - 14)));
    QCOMPARE(m_boxes->count(), 0);
}

void tst_searchTracks::shopPageLoadsBeforeTheRequest()
{
    m_server->setScript({S::send(reply(200, "OK", ""))});
    int requestsWhenShopLoaded = -1;
    connect(m_browser, &platform::WebBrowserControl::navigated, this,
            [&] { requestsWhenShopLoaded = int(m_server->requests().size()); });
    const int before = int(m_server->requests().size());
    search("Artist", "Ann & Bob");
    QCOMPARE(requestsWhenShopLoaded, before);
    QCOMPARE(m_browser->address(),
             httpGlobals::serverBaseUrl + "trelvoAmazonSearch.php?searchTerm=Ann%20%26%20Bob&locale=us");
}

void tst_searchTracks::resultsFillGridAndCaption_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("nothing found") << QByteArray("") << "Search Results : 0 free tracks found"
                                   << QList<QStringList>{};
    QTest::newRow("one") << QByteArray("Ann,7,Blue,http://src/1<br>\r\n")
                         << "Search Results : 1 free track found"
                         << QList<QStringList>{{"Ann", "Blue", "Jazz"}};
    QTest::newRow("two, other lines and empty artists skipped")
        << QByteArray("<p>\r\nAnn,7,Blue,u1<br>\r\nx,1,three\r\n,1,No artist,u9\r\nBob,1,Red,u2<BR>\r\n")
        << "Search Results : 2 free tracks found"
        << QList<QStringList>{{"Ann", "Blue", "Jazz"}, {"Bob", "Red", "Rock"}};
}

void tst_searchTracks::resultsFillGridAndCaption()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, caption);
    QFETCH(QList<QStringList>, rows);
    m_server->setScript({S::send(reply(200, "OK", body))});
    search("Keyword", "anything");
    QCOMPARE(m_frame->title(), caption);
    QCOMPARE(m_grid->rowCount(), int(rows.size()) + 2);
    QCOMPARE(gridRow(0), (QStringList{"Artist", "Track", "Genre"}));
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(gridRow(i + 1), rows.at(i));
    QCOMPARE(gridRow(int(rows.size()) + 1), (QStringList{"", "", ""}));
    QCOMPARE(appGlobals::searchResultCount, int(rows.size()));
    if (rows.size() == 2)
        QCOMPARE(appGlobals::searchResults[2][appGlobals::RESULT_SOURCE], "u2<BR>");
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
    QCOMPARE(m_boxes->count(), 0);
}

void tst_searchTracks::failuresLeaveEmptyGrid_data()
{
    QTest::addColumn<S::Script>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("closed before any reply")
        << S::Script{S::close()} << "A Socket error occurred while searching";
    QTest::newRow("not found") << S::Script{S::send(reply(404, "Not Found", "gone"))}
                               << "An error occurred while searching\r\nHTTP Response: 404 = HTTP_NOT_FOUND";
    QTest::newRow("server error") << S::Script{S::send(reply(500, "Internal Server Error", ""))}
                                  << "An error occurred while searching\r\nHTTP Response: 500 = "
                                     "HTTP_INTERNAL_SERVER_ERROR";
    QTest::newRow("body cut short")
        << S::Script{S::send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nAnn,7,Blue,u1\r\n"), S::close()}
        << "A Socket error occurred while searching";
}

void tst_searchTracks::failuresLeaveEmptyGrid()
{
    QFETCH(S::Script, script);
    QFETCH(QString, message);
    // A full grid from an earlier search must not survive a failed one.
    m_server->setScript({S::send(reply(200, "OK", "Ann,7,Blue,u1\r\nBob,1,Red,u2\r\n"))});
    search("Title", "first");
    QCOMPARE(appGlobals::searchResultCount, 2);

    m_server->setScript(script);
    search("Title", "second");
    QCOMPARE(m_boxes->texts(), QStringList{message});
    QCOMPARE(m_frame->title(), "Search Results : Search (by Title) in progress.");
    QCOMPARE(m_grid->rowCount(), 2);
    QCOMPARE(gridRow(0), (QStringList{"Artist", "Track", "Genre"}));
    QCOMPARE(gridRow(1), (QStringList{"", "", ""}));
    QCOMPARE(appGlobals::searchResultCount, 0);
    QVERIFY(!QFile::exists(httpGlobals::tempFolder + "webService_tmp.html"));
}

// Runs `action` from the event loop as soon as the server has the next request in hand, so the
// action lands while the client waits for the reply.
void tst_searchTracks::startOnceRequested(const std::function<void()> &action)
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

void tst_searchTracks::searchStartedDuringAWaitTakesOver()
{
    // The first reply is held back; a second search (a tree click, say) comes while it waits.
    m_server->setScript({S::pause(400), S::send(reply(200, "OK", "Old,1,Slow,u1\r\n"))});
    m_server->addScript({S::send(reply(200, "OK", "New,7,Fast,u2\r\nNew,7,Faster,u3\r\n"))});
    startOnceRequested([this] { search("Artist", "New"); });
    search("Artist", "Old");
    QCOMPARE(m_boxes->texts(), QStringList{});
    QCOMPARE(m_frame->title(), "Search Results : 2 free tracks found");
    QCOMPARE(m_grid->rowCount(), 4);
    QCOMPARE(gridRow(1), (QStringList{"New", "Fast", "Jazz"}));
    QCOMPARE(appGlobals::searchResultCount, 2);
    QVERIFY(m_echo->text().endsWith("artist=New%&track="));
}

QTEST_MAIN(tst_searchTracks)
#include "tst_searchTracks.moc"
