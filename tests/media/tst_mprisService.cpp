#include "media/mprisService.h"

#include "platform/mediaPlayerControl.h"
#include "testMp3.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using Mode = platform::MediaPlayerControl::Mode;

static const QString playerInterface = "org.mpris.MediaPlayer2.Player";

// Keeps what the PropertiesChanged signals of the player interface announced last.
class PropertiesRecorder : public QObject
{
    Q_OBJECT
public:
    QVariantMap announced;
public Q_SLOTS:
    void changed(const QString &interfaceName, const QVariantMap &properties, const QStringList &)
    {
        if (interfaceName == playerInterface)
            announced.insert(properties);
    }
};

// The service on a private session bus, called from a second connection as a desktop's media keys would.
class tst_mprisService : public QObject
{
    Q_OBJECT

    // Never blocks: the service answers from this very thread.
    QDBusMessage call(const QString &service, const QString &interface, const QString &method,
                      const QVariantList &arguments = {})
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(service, "/org/mpris/MediaPlayer2", interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = QDBusConnection("tester").asyncCall(message);
        return QTest::qWaitFor([&] { return pending.isFinished(); }, 5000) ? pending.reply() : QDBusMessage();
    }
    QVariant property(const QString &service, const QString &name)
    {
        const QDBusMessage reply =
            call(service, "org.freedesktop.DBus.Properties", "Get", {playerInterface, name});
        return reply.arguments().isEmpty() ? QVariant()
                                           : qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
    }

    QProcess m_daemon;
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
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

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus("tester");
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    void callsReachThePlayerAndChangesAreAnnounced()
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
        QVERIFY(QDBusConnection("tester").connect(
            name, "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties", "PropertiesChanged",
            &recorder, SLOT(changed(QString, QVariantMap, QStringList))));

        QVERIFY(QCoro::waitFor(player.open(m_dir.filePath("Band - Song.mp3"))));
        const QVariantMap metadata = qdbus_cast<QVariantMap>(property(name, "Metadata"));
        QCOMPARE(metadata.value("xesam:artist").toStringList(), QStringList{"Band"});
        QCOMPARE(metadata.value("xesam:title").toString(), QString("Song"));
        QVERIFY(qAbs(metadata.value("mpris:length").toLongLong() - 3000000) <= 100000);
        QTRY_COMPARE(qdbus_cast<QVariantMap>(recorder.announced.value("Metadata")).value("xesam:title"),
                     QVariant("Song"));

        const QList<std::tuple<QString, Mode, QString>> steps{
            {"Play", Mode::Playing, "Playing"},      {"Pause", Mode::Paused, "Paused"},
            {"PlayPause", Mode::Playing, "Playing"}, {"PlayPause", Mode::Paused, "Paused"},
            {"Stop", Mode::Stopped, "Stopped"},      {"Next", Mode::Stopped, "Stopped"}};
        for (const auto &[method, mode, status] : steps) {
            QVERIFY2(call(name, playerInterface, method).type() == QDBusMessage::ReplyMessage,
                     qPrintable(method));
            QCOMPARE(player.mode(), mode);
            QCOMPARE(timer.isActive(), mode == Mode::Playing);
            QCOMPARE(property(name, "PlaybackStatus").toString(), status);
            QTRY_COMPARE(recorder.announced.value("PlaybackStatus").toString(), status);
        }

        player.close();
        QVERIFY(qdbus_cast<QVariantMap>(property(name, "Metadata")).isEmpty());
    }

    void secondPlayerTakesAnInstanceName()
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
        QVERIFY(QCoro::waitFor(firstPlayer.open(m_dir.filePath("Band - Song.mp3"))));
        QCOMPARE(call(second.serviceName(), playerInterface, "Play").type(), QDBusMessage::ReplyMessage);
        QCOMPARE(firstPlayer.mode(), Mode::Stopped);
        QCOMPARE(property(first->serviceName(), "PlaybackStatus").toString(), QString("Stopped"));

        delete first;
        QDBusConnectionInterface *bus = QDBusConnection("tester").interface();
        QTRY_VERIFY(!bus->isServiceRegistered("org.mpris.MediaPlayer2.sonavex").value());
        QVERIFY(bus->isServiceRegistered(second.serviceName()).value());
    }
};

QTEST_MAIN(tst_mprisService)
#include "tst_mprisService.moc"
