#include "downloads/resolvers.h"
#include "downloads/sourceSites.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The link scan over saved pages of the download site. "{P}" in a page stands for the
// configured redirector prefix.
class tst_findRedirectLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void scan_data();
    void scan();
    void missingPageGivesEmptyLink();

private:
    QTemporaryDir m_dir;
    QString m_prefix;
};

void tst_findRedirectLink::initTestCase()
{
    qputenv("SONAVEX_CONFIG", m_dir.filePath("none.ini").toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:8080");
    sourceSites::reload();
    m_prefix = sourceSites::sites().downloadComRedirectorPrefix;
    QVERIFY(m_prefix.endsWith("/redir?&destUrl="));
}

void tst_findRedirectLink::scan_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected"); // "{P}" is the prefix; empty means no link

    QTest::newRow("title, prefix line, rest with closing pair")
        << QByteArray("<td>Song One</td>\r\n<a href=\"{P}\r\nhttp://files/one.mp3\"><img src=x>\r\n")
        << "Song One"
        << "{P}http://files/one.mp3";
    QTest::newRow("middle line loses its CR and the character before it")
        << QByteArray("Song One\r\n{P}\r\nhttp://files/x\r\none.mp3\"><img src=x>\r\n") << "Song One"
        << "{P}http://files/one.mp3";
    QTest::newRow("text after the prefix on its line is not used")
        << QByteArray("Song One\r\nhref=\"{P}ignored\r\nrest\"><img src=\r\n") << "Song One"
        << "{P}rest";
    QTest::newRow("prefix on the title's own line counts")
        << QByteArray("Song One {P}\r\nrest\"><img src=\r\n") << "Song One"
        << "{P}rest";
    QTest::newRow("prefix only before the title")
        << QByteArray("{P}\r\nrest\"><img src=\r\nSong One\r\n") << "Song One"
        << "";
    QTest::newRow("page ends while collecting")
        << QByteArray("Song One\r\n{P}\r\nrest\r\nmore\r\n") << "Song One"
        << "";
    QTest::newRow("last line without LF still read")
        << QByteArray("Song One\r\n{P}\r\nrest\"><img src=") << "Song One"
        << "{P}rest";
    QTest::newRow("case ignored for title, prefix and marker")
        << QByteArray("SONG one\r\n{P}\r\nrest\"><IMG SRC=\r\n") << "song ONE"
        << "{P}rest";
    QTest::newRow("a second prefix line starts the link afresh")
        << QByteArray("Song One\r\n{P}\r\nold\r\n{P}\r\nnew\"><img src=\r\n") << "Song One"
        << "{P}new";
    QTest::newRow("empty title is seen on the first line that is not empty")
        << QByteArray("\n{P}\nrest\"><img src=\n") << ""
        << "{P}rest";
    QTest::newRow("only the first completed link")
        << QByteArray("Song One\r\n{P}\r\na\"><img src=\r\n{P}\r\nb\"><img src=\r\n") << "Song One"
        << "{P}a";
    // Counts that would be negative append nothing instead of failing.
    QTest::newRow("marker at the start of the line")
        << QByteArray("Song One\r\n{P}\r\nrest\r\n<img src=\r\n") << "Song One"
        << "{P}res";
    QTest::newRow("marker at the second position")
        << QByteArray("Song One\r\n{P}\r\nrest\r\nx<img src=\r\n") << "Song One"
        << "{P}res";
    QTest::newRow("one-character and empty continuation lines")
        << QByteArray("Song One\n{P}\nabcd\nx\n\nefgh\"><img src=\n") << "Song One"
        << "{P}abefgh";
    QTest::newRow("no title on the page") << QByteArray("Other\r\n{P}\r\nrest\"><img src=\r\n") << "Song One"
                                          << "";
    QTest::newRow("empty page") << QByteArray() << "Song One"
                                << "";
}

void tst_findRedirectLink::scan()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, title);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath("page.html");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(page.replace("{P}", m_prefix.toLatin1()));
    file.close();

    QCOMPARE(handleDownloads::findRedirectLink(path, title), expected.replace("{P}", m_prefix));
}

void tst_findRedirectLink::missingPageGivesEmptyLink()
{
    QCOMPARE(handleDownloads::findRedirectLink(m_dir.filePath("absent.html"), "Song One"), QString());
}

QTEST_GUILESS_MAIN(tst_findRedirectLink)
#include "tst_findRedirectLink.moc"
