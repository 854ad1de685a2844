#include "core/appGlobals.h"
#include "webservice/radio.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

// The radio reply reader: station lines in the list, addresses paired with them.
class tst_radio : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void stationsAndAddresses_data();
    void stationsAndAddresses();
    void longReplyKeepsLinesAndAddressesPaired();

private:
    QString writeReply(const QByteArray &bytes);
    QTemporaryDir m_dir;
    QListWidget m_list;
};

QString tst_radio::writeReply(const QByteArray &bytes)
{
    const QString path = m_dir.filePath("radio.html");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the reply file");
    file.write(bytes);
    return path;
}

void tst_radio::init()
{
    appGlobals::radioStationAddresses.fill(QString());
    m_list.clear();
    m_list.addItem("left over");
}

void tst_radio::stationsAndAddresses_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("stations");
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("break removed") << QByteArray("12,Station One,http://one.example/listen<br>\r\n")
                                   << QStringList{"Station One"} << QStringList{"http://one.example/listen"};
    QTest::newRow("break in capitals removed too")
        << QByteArray("12,Station One,http://one.example/listen<BR>\n") << QStringList{"Station One"}
        << QStringList{"http://one.example/listen"};
    QTest::newRow("mixed-case breaks anywhere in the address")
        << QByteArray("1,S,http://a<Br>.example/<bR>x<br>\n") << QStringList{"S"}
        << QStringList{"http://a.example/x"};
    QTest::newRow("address keeps its commas")
        << QByteArray("1,Two,http://two.example/?a=1,b=2,c<br>\n") << QStringList{"Two"}
        << QStringList{"http://two.example/?a=1,b=2,c"};
    QTest::newRow("fewer than two commas skipped")
        << QByteArray("no comma\n1,only one\n2,Three,http://three<br>\n") << QStringList{"Three"}
        << QStringList{"http://three"};
    QTest::newRow("empty station name listed")
        << QByteArray("1,,http://x<br>\n") << QStringList{""} << QStringList{"http://x"};
    QTest::newRow("break in the name is kept")
        << QByteArray("1,A<br>,http://x\n") << QStringList{"A<br>"} << QStringList{"http://x"};
}

void tst_radio::stationsAndAddresses()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, stations);
    QFETCH(QStringList, addresses);
    webService::parseRadioRecommendations(writeReply(reply), m_list);
    QStringList listed;
    for (int i = 0; i < m_list.count(); ++i)
        listed << m_list.item(i)->text();
    QCOMPARE(listed, stations);
    for (int i = 0; i < addresses.size(); ++i)
        QCOMPARE(appGlobals::radioStationAddresses[size_t(i)], addresses.at(i));
}

void tst_radio::longReplyKeepsLinesAndAddressesPaired()
{
    QByteArray reply;
    for (int i = 0; i < 150; ++i)
        reply += "1,Station " + QByteArray::number(i) + ",http://s" + QByteArray::number(i) + "<br>\n";
    webService::parseRadioRecommendations(writeReply(reply), m_list);
    QCOMPARE(m_list.count(), appGlobals::RADIO_STATION_SLOTS);
    for (int line : {0, 57, 101}) {
        QCOMPARE(m_list.item(line)->text(), "Station " + QString::number(line));
        QCOMPARE(webService::radioStationAddress(line), "http://s" + QString::number(line));
    }
}

QTEST_MAIN(tst_radio)
#include "tst_radio.moc"
