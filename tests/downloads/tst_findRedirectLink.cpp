#include "downloads/resolvers.h"
#include "downloads/sourceSites.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The link scan over saved pages of the download site. "{P}" stands for the redirector prefix.
class tst_findRedirectLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void scan_data();
    void scan();

private:
    QTemporaryDir m_dir;
    QString m_prefix;
};

void tst_findRedirectLink::initTestCase()
{
    qputenv("SONAVEX_CONFIG", m_dir.filePath("none.ini").toLocal8Bit());
    qputenv("SONAVEX_SITE_SUFFIX", "localhost:8080");
    downloads::reloadSourceSites();
    m_prefix = downloads::sourceSites().downloadComRedirectorPrefix;
    QVERIFY(m_prefix.endsWith("/redir?&destUrl="));
}

void tst_findRedirectLink::scan_data()
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
    row("a second prefix line starts the link afresh", "Song One\r\n{P}\r\nold\r\n{P}\r\nnew\"><img src=\r\n",
        "{P}new");
    row("only the first completed link", "Song One\r\n{P}\r\na\"><img src=\r\n{P}\r\nb\"><img src=\r\n",
        "{P}a");
    // Counts that would be negative append nothing instead of failing.
    row("marker at the start of the line", "Song One\r\n{P}\r\nrest\r\n<img src=\r\n", "{P}res");
    row("marker at the second position", "Song One\r\n{P}\r\nrest\r\nx<img src=\r\n", "{P}res");
    row("one-character and empty continuation lines", "Song One\n{P}\nabcd\nx\n\nefgh\"><img src=\n",
        "{P}abefgh");
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
    QCOMPARE(downloads::findRedirectLink(path, title), expected.replace("{P}", m_prefix));
}

QTEST_GUILESS_MAIN(tst_findRedirectLink)
#include "tst_findRedirectLink.moc"
