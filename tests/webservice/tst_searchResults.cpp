#include "core/appGlobals.h"
#include "webservice/search.h"

#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The search reply reader and the grid fill, fed real reply files.
class tst_searchResults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void readsOnlyFourFieldRecords_data();
    void readsOnlyFourFieldRecords();
    void parseTableKeepsLastRecordBeyondItsSize();
    void genreNames_data();
    void genreNames();
    void badGenreNeverReusesPreviousRow();
    void resultsStopAtTableSize();

private:
    QString writeReply(const QByteArray &bytes);
    QTemporaryDir m_dir;
};

QString tst_searchResults::writeReply(const QByteArray &bytes)
{
    const QString path = m_dir.filePath("reply.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the reply file");
    file.write(bytes);
    return path;
}

void tst_searchResults::init()
{
    appGlobals::genreNames.fill(QString());
    appGlobals::genreNames[3] = "Rock";
    appGlobals::genreNames[7] = "Jazz";
    appGlobals::genreNames[254] = "Last";
    appGlobals::searchResultCount = 0;
}

void tst_searchResults::readsOnlyFourFieldRecords_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("expected"); // records joined with '|'

    QTest::newRow("crlf lines") << QByteArray("A,3,T1,http://x/1<br>\r\nB,7,T2,http://x/2<br>\r\n")
                                << QStringList{"A|3|T1|http://x/1", "B|7|T2|http://x/2"};
    QTest::newRow("bare cr and lf, last line unterminated")
        << QByteArray("A,3,T1,u1\rB,7,T2,u2\nC,1,T3,u3")
        << QStringList{"A|3|T1|u1", "B|7|T2|u2", "C|1|T3|u3"};
    QTest::newRow("three and five fields skipped")
        << QByteArray("A,3,T1\nB,7,T2,u2,extra\nC,1,T3,u3\n") << QStringList{"C|1|T3|u3"};
    QTest::newRow("break removed wherever it stands")
        << QByteArray("A<br>,3,T<br>1,u1<br>\n") << QStringList{"A|3|T1|u1"};
    QTest::newRow("capital break kept in last field")
        << QByteArray("A,3,T1,u1<BR>\n") << QStringList{"A|3|T1|u1<BR>"};
    QTest::newRow("break hiding a fifth field still counts the comma")
        << QByteArray("A,3,T1,u1,<br>\n") << QStringList{};
    QTest::newRow("empty artist is still a record") << QByteArray(",3,T1,u1\n") << QStringList{"|3|T1|u1"};
    QTest::newRow("html around records")
        << QByteArray("<html>\n<body>\nA,3,T1,u1<br>\n</body>\n") << QStringList{"A|3|T1|u1"};
    QTest::newRow("empty reply") << QByteArray() << QStringList{};
    QTest::newRow("latin-1 bytes kept")
        << QByteArray("Bj\xf6rk,3,J\xf3ga,u\n") << QStringList{QString::fromLatin1("Bj\xf6rk|3|J\xf3ga|u")};
}

void tst_searchResults::readsOnlyFourFieldRecords()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, expected);
    QStringList got;
    for (const webService::SearchRecord &r : webService::parseSearchResults(writeReply(reply)))
        got << QStringList{r[0], r[1], r[2], r[3]}.join('|');
    QCOMPARE(got, expected);
}

void tst_searchResults::parseTableKeepsLastRecordBeyondItsSize()
{
    QByteArray reply;
    for (int i = 1; i <= webService::SEARCH_PARSE_RECORDS + 5; ++i)
        reply += "Artist" + QByteArray::number(i) + ",3,T,u\r\n";
    const auto table = webService::parseSearchResults(writeReply(reply));
    QCOMPARE(table.size(), webService::SEARCH_PARSE_RECORDS);
    QCOMPARE(table.at(998)[0], "Artist999");
    QCOMPARE(table.last()[0], "Artist1005");
}

void tst_searchResults::genreNames_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("known id") << "7"
                              << "Jazz";
    QTest::newRow("highest id") << "254"
                                << "Last";
    QTest::newRow("unnamed id") << "5"
                                << "";
    QTest::newRow("zero") << "0"
                          << "";
    QTest::newRow("255") << "255"
                         << "";
    QTest::newRow("negative") << "-3"
                              << "";
    QTest::newRow("not a number") << "rock"
                                  << "";
    QTest::newRow("number with trailing text") << "7x"
                                               << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks around") << " 7 "
                                   << "Jazz";
    QTest::newRow("half rounds to even") << "2.5"
                                         << "";
    QTest::newRow("rounds up") << "6.6"
                               << "Jazz";
    QTest::newRow("just below 255 rounds out of range") << "254.7"
                                                        << "";
}

void tst_searchResults::genreNames()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QCOMPARE(webService::genreNameForId(field), expected);
}

void tst_searchResults::badGenreNeverReusesPreviousRow()
{
    QTableWidget grid(2, 3);
    const QList<webService::SearchRecord> records{
        {"A", "3", "T1", "u1"}, {"B", "999", "T2", "u2"}, {"C", "x", "T3", "u3"}, {"D", "7", "T4", "u4"}};
    QCOMPARE(webService::showSearchResults(records, grid), 4);
    QCOMPARE(grid.item(1, 2)->text(), "Rock");
    QCOMPARE(grid.item(2, 2)->text(), "");
    QCOMPARE(grid.item(3, 2)->text(), "");
    QCOMPARE(grid.item(4, 2)->text(), "Jazz");
    QCOMPARE(appGlobals::searchResults[2][appGlobals::RESULT_GENRE], "");
    QCOMPARE(appGlobals::searchResults[3][appGlobals::RESULT_GENRE], "");
}

void tst_searchResults::resultsStopAtTableSize()
{
    QByteArray reply;
    for (int i = 1; i <= 400; ++i)
        reply += "Artist" + QByteArray::number(i) + ",3,Track,http://src/" + QByteArray::number(i) + "<br>\n";
    QTableWidget grid(2, 3);
    const int shown = webService::showSearchResults(webService::parseSearchResults(writeReply(reply)), grid);
    QCOMPARE(shown, appGlobals::SEARCH_RESULT_ROWS);
    QCOMPARE(appGlobals::searchResultCount, appGlobals::SEARCH_RESULT_ROWS);
    QCOMPARE(grid.rowCount(), appGlobals::SEARCH_RESULT_ROWS + 2);
    QCOMPARE(grid.item(305, 0)->text(), "Artist305");
    QCOMPARE(appGlobals::searchResults[305][appGlobals::RESULT_SOURCE], "http://src/305");
}

QTEST_MAIN(tst_searchResults)
#include "tst_searchResults.moc"
