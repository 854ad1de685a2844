#include "media/mprisService.h"

#include "platform/mediaPlayerControl.h"
#include "testMp3.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

namespace {
const QString playerInterface = "org.mpris.MediaPlayer2.Player";
}

// Keeps what the PropertiesChanged signals of the player interface announced last.
class PropertiesRecorder : public QObject
{
    Q_OBJECT
public:
    QVariant last(const QString &name) const { return m_announced.value(name); }
public Q_SLOTS:
    void changed(const QString &interfaceName, const QVariantMap &properties, const QStringList &)
    {
        if (interfaceName == playerInterface)
            m_announced.insert(properties);
    }

private:
    QVariantMap m_announced;
};

// The service on a private session bus of its own, called from a second connection as a desktop's
// media keys would.
class tst_mprisService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void callsReachThePlayerAndChangesAreAnnounced();
    void secondPlayerTakesAnInstanceName();

private:
    QVariant property(const QString &service, const QString &name);
    bool call(const QString &service, const QString &method);

    QProcess m_daemon;
    QTemporaryDir m_dir;
};

void tst_mprisService::initTestCase()
{
    QVERIFY(writeTestMp3(m_dir.filePath("Band - Song.mp3"), 3000));
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    m_daemon.start(daemon, {"--session", "--nofork", "--print-address=1"});
    QVERIFY(m_daemon.waitForStarted());
    QTRY_VERIFY(m_daemon.canReadLine());
    const QByteArray address = m_daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::connectToBus(QString::fromLatin1(address), "tester").isConnected());
}

void tst_mprisService::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("tester");
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

// Never blocks: the service answers from this very thread.
QVariant tst_mprisService::property(const QString &service, const QString &name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2",
                                                          "org.freedesktop.DBus.Properties", "Get");
    message << playerInterface << name;
    QDBusPendingReply<QDBusVariant> reply = QDBusConnection("tester").asyncCall(message);
    if (!QTest::qWaitFor([&] { return reply.isFinished(); }, 5000) || !reply.isValid())
        return {};
    return reply.value().variant();
}

bool tst_mprisService::call(const QString &service, const QString &method)
{
    const QDBusMessage message =
        QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2", playerInterface, method);
    QDBusPendingCall pending = QDBusConnection("tester").asyncCall(message);
    return QTest::qWaitFor([&] { return pending.isFinished(); }, 5000) && !pending.isError();
}

void tst_mprisService::callsReachThePlayerAndChangesAreAnnounced()
{
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    timer.setInterval(1000);
    media::MprisService service(player, timer, &window);
    const QString name = service.serviceName();
    QCOMPARE(name, QString("org.mpris.MediaPlayer2.sonavex"));
    QCOMPARE(property(name, "PlaybackStatus").toString(), QString("Stopped"));
    QVERIFY(qdbus_cast<QVariantMap>(property(name, "Metadata")).isEmpty());
    PropertiesRecorder recorder;
    QVERIFY(QDBusConnection("tester").connect(name, "/org/mpris/MediaPlayer2",
                                              "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                              &recorder, SLOT(changed(QString, QVariantMap, QStringList))));

    player.open(m_dir.filePath("Band - Song.mp3"));
    const QVariantMap metadata = qdbus_cast<QVariantMap>(property(name, "Metadata"));
    QCOMPARE(metadata.value("xesam:artist").toStringList(), QStringList{"Band"});
    QCOMPARE(metadata.value("xesam:title").toString(), QString("Song"));
    QVERIFY(qAbs(metadata.value("mpris:length").toLongLong() - 3000000) <= 100000);
    QTRY_COMPARE(qdbus_cast<QVariantMap>(recorder.last("Metadata")).value("xesam:title"), QVariant("Song"));

    const struct
    {
        QString method;
        Mode mode;
        bool timerRuns;
        QString status;
    } steps[] = {
        {"Play", Mode::Playing, true, "Playing"},      {"Pause", Mode::Paused, false, "Paused"},
        {"PlayPause", Mode::Playing, true, "Playing"}, {"PlayPause", Mode::Paused, false, "Paused"},
        {"Stop", Mode::Stopped, false, "Stopped"},     {"Next", Mode::Stopped, false, "Stopped"},
    };
    for (const auto &step : steps) {
        QVERIFY2(call(name, step.method), qPrintable(step.method));
        QCOMPARE(player.mode(), step.mode);
        QCOMPARE(timer.isActive(), step.timerRuns);
        QCOMPARE(property(name, "PlaybackStatus").toString(), step.status);
        QTRY_COMPARE(recorder.last("PlaybackStatus").toString(), step.status);
    }

    player.close();
    QVERIFY(qdbus_cast<QVariantMap>(property(name, "Metadata")).isEmpty());
}

void tst_mprisService::secondPlayerTakesAnInstanceName()
{
    QWidget window;
    platform::MediaPlayerControl firstPlayer(&window);
    platform::MediaPlayerControl secondPlayer(&window);
    QTimer timer;
    auto *first = new media::MprisService(firstPlayer, timer, &window);
    media::MprisService second(secondPlayer, timer, &window);
    QVERIFY(first->isRegistered());
    QVERIFY(second.serviceName().startsWith("org.mpris.MediaPlayer2.sonavex.instance"));

    // Each answers for its own player.
    firstPlayer.open(m_dir.filePath("Band - Song.mp3"));
    QVERIFY(call(second.serviceName(), "Play"));
    QCOMPARE(firstPlayer.mode(), Mode::Stopped);
    QCOMPARE(property(first->serviceName(), "PlaybackStatus").toString(), QString("Stopped"));

    delete first;
    QDBusConnectionInterface *bus = QDBusConnection("tester").interface();
    QTRY_VERIFY(!bus->isServiceRegistered("org.mpris.MediaPlayer2.sonavex").value());
    QVERIFY(bus->isServiceRegistered(second.serviceName()).value());
}

QTEST_MAIN(tst_mprisService)
#include "tst_mprisService.moc"
