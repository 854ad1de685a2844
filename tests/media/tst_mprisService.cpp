#include "media/mprisService.h"

#include "platform/mediaPlayerControl.h"
#include "testMp3.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

// Records the PropertiesChanged signals of the player interface.
class PropertiesRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QVariantMap> changes;

public Q_SLOTS:
    void changed(const QString &interfaceName, const QVariantMap &properties, const QStringList &)
    {
        if (interfaceName == "org.mpris.MediaPlayer2.Player")
            changes.append(properties);
    }
};

// The service on a private session bus of its own, called from a second connection like a
// desktop's media keys would.
class tst_mprisService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void describesItself();
    void transportCallsReachThePlayer();
    void metadataNamesArtistAndTitle();
    void changesAreAnnounced();
    void secondPlayerTakesAnInstanceName();
    void noBusMeansNoService();

private:
    QVariant property(const QString &service, const QString &interfaceName, const QString &name);
    bool call(const QString &service, const QString &method);

    QProcess m_daemon;
    QString m_address;
    QTemporaryDir m_dir;
};

void tst_mprisService::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeTestMp3(m_dir.filePath("Band - Song.mp3"), 3000));
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    m_daemon.start(daemon, {"--session", "--nofork", "--print-address=1"});
    QVERIFY(m_daemon.waitForStarted());
    QTRY_VERIFY(m_daemon.canReadLine());
    m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
    QVERIFY(!m_address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLatin1());
    QVERIFY(QDBusConnection::connectToBus(m_address, "tester").isConnected());
}

void tst_mprisService::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("tester");
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
}

QVariant tst_mprisService::property(const QString &service, const QString &interfaceName, const QString &name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2",
                                                          "org.freedesktop.DBus.Properties", "Get");
    message << interfaceName << name;
    // Never block: the service answers from this very thread.
    QDBusPendingReply<QDBusVariant> reply = QDBusConnection("tester").asyncCall(message);
    if (!QTest::qWaitFor([&] { return reply.isFinished(); }, 5000) || !reply.isValid())
        return {};
    return reply.value().variant();
}

bool tst_mprisService::call(const QString &service, const QString &method)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2",
                                                          "org.mpris.MediaPlayer2.Player", method);
    QDBusPendingCall pending = QDBusConnection("tester").asyncCall(message);
    return QTest::qWaitFor([&] { return pending.isFinished(); }, 5000) && !pending.isError();
}

void tst_mprisService::describesItself()
{
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    localMedia::MprisService service(player, timer, &window);
    QVERIFY(service.isRegistered());
    QCOMPARE(service.serviceName(), QString("org.mpris.MediaPlayer2.sonavex"));

    const QString name = service.serviceName();
    QCOMPARE(property(name, "org.mpris.MediaPlayer2", "Identity").toString(), QString("Sonavex"));
    QCOMPARE(property(name, "org.mpris.MediaPlayer2", "CanQuit").toBool(), false);
    QCOMPARE(property(name, "org.mpris.MediaPlayer2.Player", "PlaybackStatus").toString(), QString("Stopped"));
    QCOMPARE(property(name, "org.mpris.MediaPlayer2.Player", "CanPause").toBool(), true);
    QCOMPARE(property(name, "org.mpris.MediaPlayer2.Player", "CanGoNext").toBool(), false);
    const QVariant metadata = property(name, "org.mpris.MediaPlayer2.Player", "Metadata");
    QVERIFY(metadata.isValid());
    QVERIFY(qdbus_cast<QVariantMap>(metadata).isEmpty());
}

void tst_mprisService::transportCallsReachThePlayer()
{
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    timer.setInterval(1000);
    localMedia::MprisService service(player, timer, &window);
    QVERIFY(service.isRegistered());
    player.setWait(true);
    player.setFileName(m_dir.filePath("Band - Song.mp3"));
    player.setCommand("Open");
    QCOMPARE(player.mode(), Mode::Stopped);

    const QString name = service.serviceName();
    const struct
    {
        const char *method;
        Mode mode;
        bool timerRuns;
        const char *status;
    } steps[] = {
        {"Play", Mode::Playing, true, "Playing"},       {"Pause", Mode::Paused, false, "Paused"},
        {"PlayPause", Mode::Playing, true, "Playing"},  {"PlayPause", Mode::Paused, false, "Paused"},
        {"Play", Mode::Playing, true, "Playing"},       {"Stop", Mode::Stopped, false, "Stopped"},
        {"Next", Mode::Stopped, false, "Stopped"},
    };
    for (const auto &step : steps) {
        QVERIFY2(call(name, QString::fromLatin1(step.method)), step.method);
        QCOMPARE(player.mode(), step.mode);
        QCOMPARE(timer.isActive(), step.timerRuns);
        QCOMPARE(property(name, "org.mpris.MediaPlayer2.Player", "PlaybackStatus").toString(),
                 QString::fromLatin1(step.status));
    }
}

void tst_mprisService::metadataNamesArtistAndTitle()
{
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    localMedia::MprisService service(player, timer, &window);
    player.setWait(true);
    player.setFileName(m_dir.filePath("Band - Song.mp3"));
    player.setCommand("Open");

    const QVariantMap metadata =
        qdbus_cast<QVariantMap>(property(service.serviceName(), "org.mpris.MediaPlayer2.Player", "Metadata"));
    QCOMPARE(metadata.value("xesam:artist").toStringList(), QStringList{"Band"});
    QCOMPARE(metadata.value("xesam:title").toString(), QString("Song"));
    QVERIFY(qAbs(metadata.value("mpris:length").toLongLong() - 3000000) <= 100000);
    QVERIFY(metadata.contains("mpris:trackid"));

    player.setCommand("Close");
    QVERIFY(qdbus_cast<QVariantMap>(property(service.serviceName(), "org.mpris.MediaPlayer2.Player", "Metadata"))
                .isEmpty());
}

void tst_mprisService::changesAreAnnounced()
{
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    localMedia::MprisService service(player, timer, &window);
    PropertiesRecorder recorder;
    QVERIFY(QDBusConnection("tester").connect(service.serviceName(), "/org/mpris/MediaPlayer2",
                                              "org.freedesktop.DBus.Properties", "PropertiesChanged", &recorder,
                                              SLOT(changed(QString, QVariantMap, QStringList))));

    player.setWait(true);
    player.setFileName(m_dir.filePath("Band - Song.mp3"));
    player.setCommand("Open");
    player.setCommand("Play");
    const auto announced = [&recorder] {
        QVariantMap merged;
        for (const QVariantMap &change : recorder.changes)
            merged.insert(change);
        return merged;
    };
    QTRY_COMPARE(announced().value("PlaybackStatus").toString(), QString("Playing"));
    QCOMPARE(qdbus_cast<QVariantMap>(announced().value("Metadata")).value("xesam:title").toString(),
             QString("Song"));
    // The intermediate modes of opening are not announced one by one.
    QVERIFY(recorder.changes.size() <= 2);

    recorder.changes.clear();
    service.pause();
    QTRY_COMPARE(recorder.changes.size(), 1);
    QCOMPARE(recorder.changes.first().value("PlaybackStatus").toString(), QString("Paused"));
    QVERIFY(!recorder.changes.first().contains("Metadata"));
}

void tst_mprisService::secondPlayerTakesAnInstanceName()
{
    QWidget window;
    platform::MediaPlayerControl firstPlayer(&window);
    platform::MediaPlayerControl secondPlayer(&window);
    QTimer timer;
    auto *first = new localMedia::MprisService(firstPlayer, timer, &window);
    localMedia::MprisService second(secondPlayer, timer, &window);
    QVERIFY(first->isRegistered());
    QVERIFY(second.isRegistered());
    QVERIFY(second.serviceName().startsWith("org.mpris.MediaPlayer2.sonavex.instance"));

    // Each answers for its own player.
    QVERIFY(call(second.serviceName(), "Play"));
    QCOMPARE(secondPlayer.mode(), Mode::NotOpen);
    QCOMPARE(property(first->serviceName(), "org.mpris.MediaPlayer2.Player", "PlaybackStatus").toString(),
             QString("Stopped"));

    delete first;
    QDBusConnectionInterface *bus = QDBusConnection("tester").interface();
    QTRY_VERIFY(!bus->isServiceRegistered("org.mpris.MediaPlayer2.sonavex").value());
    QVERIFY(bus->isServiceRegistered(second.serviceName()).value());
}

void tst_mprisService::noBusMeansNoService()
{
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-bus").toLocal8Bit());
    QWidget window;
    platform::MediaPlayerControl player(&window);
    QTimer timer;
    localMedia::MprisService service(player, timer, &window);
    qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    QVERIFY(!service.isRegistered());
    QCOMPARE(service.serviceName(), QString());

    // The player carries on as before.
    player.setWait(true);
    player.setFileName(m_dir.filePath("Band - Song.mp3"));
    player.setCommand("Open");
    service.play();
    QCOMPARE(player.mode(), Mode::Playing);
    QVERIFY(timer.isActive());
}

QTEST_MAIN(tst_mprisService)
#include "tst_mprisService.moc"
