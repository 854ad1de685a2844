#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "platform/imageList.h"
#include "ui/designPictures.h"
#include "webservice/similarArtists.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// Name check and list readers and the relevance tree, fed real reply files.
class tst_similarArtists : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void encodesNames_data();
    void encodesNames();
    void confirmedNameLine_data();
    void confirmedNameLine();
    void iconKeysByPosition_data();
    void iconKeysByPosition();
    void treeOfTwentyFiveArtists();
    void unavailableEntryKeepsItsPosition();
    void duplicateNameGivesOneNodeCountedTwice();
    void nameKeepsItsCommas();
    void unknownFlagNeverInheritsEarlierList();
    void longListStopsAtTableSize();

private:
    QString writeReply(const QByteArray &bytes);
    QStringList nodeTexts() const;
    QString nodeIconKey(int node) const;

    QTemporaryDir m_dir;
    QTreeWidget *m_tree = nullptr;
    platform::ImageList *m_icons = nullptr;
};

QString tst_similarArtists::writeReply(const QByteArray &bytes)
{
    const QString path = m_dir.filePath("reply.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the reply file");
    file.write(bytes);
    return path;
}

QStringList tst_similarArtists::nodeTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        texts << m_tree->topLevelItem(i)->text(0);
    return texts;
}

// The key of the icon a node shows, found by comparing pictures.
QString tst_similarArtists::nodeIconKey(int node) const
{
    const QImage shown = m_tree->topLevelItem(node)->icon(0).pixmap(15, 15).toImage();
    if (shown.isNull())
        return {};
    for (const QString &key : m_icons->keys()) {
        if (m_icons->picture(key).toImage() == shown)
            return key;
    }
    return "?";
}

void tst_similarArtists::initTestCase()
{
    m_tree = new QTreeWidget;
    m_icons = new platform::ImageList(m_tree);
    m_icons->setPictureSize(QSize(15, 15));
    for (int level = 0; level < designPictures::RELEVANCE_LEVELS; ++level)
        m_icons->add(designPictures::relevanceKey(level), designPictures::relevanceIcon(level));
}

void tst_similarArtists::init()
{
    httpGlobals::responseHasNoPreamble = false;
    appGlobals::onlyShowAvailable = true;
    m_tree->clear();
}

void tst_similarArtists::encodesNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("blanks and ampersand") << "Salt Pepper & Co"
                                          << "Salt%20Pepper%20%26%20Co";
    QTest::newRow("slashes removed") << "AC/DC \\ Live"
                                     << "ACDC%20%20Live";
    QTest::newRow("already encoded text keeps its percent signs") << "Salt/Pepper%20%26%20Co"
                                                                  << "SaltPepper%20%26%20Co";
    QTest::newRow("other characters untouched") << "Sigur R\u00f3s?#"
                                                << "Sigur%20R\u00f3s?#";
}

void tst_similarArtists::encodesNames()
{
    QFETCH(QString, name);
    QFETCH(QString, encoded);
    QCOMPARE(webService::encodeArtistName(name), encoded);
}

void tst_similarArtists::confirmedNameLine_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("noPreamble");
    QTest::addColumn<QString>("name");
    QTest::newRow("crlf: second text line")
        << QByteArray("ok\r\nSome Band\r\nmore\r\n") << false << "Some Band";
    QTest::newRow("lf: third text line") << QByteArray("a\nb\nSome Band\n") << false << "Some Band";
    QTest::newRow("lf: second line is not it") << QByteArray("a\nSome Band\n") << false << "";
    QTest::newRow("unterminated third line") << QByteArray("a\nb\nSome Band") << false << "Some Band";
    QTest::newRow("empty") << QByteArray() << false << "";
    QTest::newRow("without preamble: first line")
        << QByteArray("Some Band\r\nx\r\ny\r\n") << true << "Some Band";
}

void tst_similarArtists::confirmedNameLine()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, noPreamble);
    QFETCH(QString, name);
    httpGlobals::responseHasNoPreamble = noPreamble;
    QCOMPARE(webService::readValidatedArtistName(writeReply(reply)), name);
    QCOMPARE(webService::readValidatedArtistName(m_dir.filePath("missing.html")), QString());
}

void tst_similarArtists::iconKeysByPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("key");
    QTest::newRow("-1") << -1 << "";
    QTest::newRow("0") << 0 << "level_9";
    QTest::newRow("9") << 9 << "level_9";
    QTest::newRow("10") << 10 << "level_8";
    QTest::newRow("55") << 55 << "level_4";
    QTest::newRow("89") << 89 << "level_1";
    QTest::newRow("90") << 90 << "level_0";
    QTest::newRow("101") << 101 << "level_0";
    QTest::newRow("102") << 102 << "";
}

void tst_similarArtists::iconKeysByPosition()
{
    QFETCH(int, position);
    QFETCH(QString, key);
    QCOMPARE(webService::relevanceIconKey(position), key);
}

void tst_similarArtists::treeOfTwentyFiveArtists()
{
    QByteArray reply;
    for (int i = 0; i < 25; ++i)
        reply += "1,Artist " + QByteArray::number(i) + "\r\n";
    QCOMPARE(webService::parseSimilarArtists(writeReply(reply), *m_tree, *m_icons), 25);
    QCOMPARE(m_tree->topLevelItemCount(), 25);
    for (int i = 0; i < 25; ++i) {
        const QString expected = i < 10 ? "level_9" : i < 20 ? "level_8" : "level_7";
        QCOMPARE(nodeIconKey(i), expected);
        QCOMPARE(platform::treeNodeKey(*m_tree->topLevelItem(i)), "Artist " + QString::number(i));
    }
    QCOMPARE(m_tree->topLevelItem(2)->toolTip(0), "3 of 25");
    QCOMPARE(m_tree->topLevelItem(24)->toolTip(0), "25 of 25");
}

void tst_similarArtists::unavailableEntryKeepsItsPosition()
{
    QByteArray reply;
    for (int i = 0; i < 12; ++i)
        reply += (i == 9 ? "0," : "1,") + QByteArray("A") + QByteArray::number(i) + "\n";
    QCOMPARE(webService::parseSimilarArtists(writeReply(reply), *m_tree, *m_icons), 11);
    QVERIFY(!nodeTexts().contains("A9"));
    // A10 keeps position 10 and its level_8 icon; it does not move up to level_9.
    QCOMPARE(m_tree->topLevelItem(9)->text(0), "A10");
    QCOMPARE(nodeIconKey(9), "level_8");
    QCOMPARE(m_tree->topLevelItem(9)->toolTip(0), "11 of 12");
    QCOMPARE(appGlobals::similarArtistCount, 12);
}

void tst_similarArtists::duplicateNameGivesOneNodeCountedTwice()
{
    const QString file = writeReply("1,Twin\r\n1,Other\r\n1,Twin\r\n");
    QCOMPARE(webService::parseSimilarArtists(file, *m_tree, *m_icons), 3);
    QCOMPARE(nodeTexts(), (QStringList{"Twin", "Other"}));
}

void tst_similarArtists::nameKeepsItsCommas()
{
    QCOMPARE(webService::parseSimilarArtists(writeReply("1,Smith, John\nno comma here\n1x,Jones\n"), *m_tree,
                                             *m_icons),
             2);
    QCOMPARE(nodeTexts(), (QStringList{"Smith, John", "Jones"}));
}

void tst_similarArtists::unknownFlagNeverInheritsEarlierList()
{
    webService::parseSimilarArtists(writeReply("1,First\n1,Second\n"), *m_tree, *m_icons);
    QCOMPARE(webService::parseSimilarArtists(writeReply("1,New\n?,Odd\n"), *m_tree, *m_icons), 1);
    QCOMPARE(nodeTexts(), QStringList{"New"});
}

void tst_similarArtists::longListStopsAtTableSize()
{
    QByteArray reply;
    for (int i = 0; i < 150; ++i)
        reply += "1,Artist " + QByteArray::number(i) + "\n";
    QCOMPARE(webService::parseSimilarArtists(writeReply(reply), *m_tree, *m_icons),
             appGlobals::SIMILAR_ARTIST_SLOTS);
    QCOMPARE(appGlobals::similarArtistCount, appGlobals::SIMILAR_ARTIST_SLOTS);
    QCOMPARE(m_tree->topLevelItemCount(), appGlobals::SIMILAR_ARTIST_SLOTS);
    QCOMPARE(m_tree->topLevelItem(105)->text(0), "Artist 105");
    QCOMPARE(nodeIconKey(101), "level_0");
    QCOMPARE(nodeIconKey(102), QString()); // past the ranked positions: no icon
}

QTEST_MAIN(tst_similarArtists)
#include "tst_similarArtists.moc"
