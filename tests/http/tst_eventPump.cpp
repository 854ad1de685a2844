#include "core/httpGlobals.h"
#include "http/httpAgent.h"
#include "platform/eventPump.h"
#include "platform/socketControl.h"
#include "scriptedServer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ctime>

namespace {

qint64 cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

} // namespace

// The waits of the agent must neither burn a core nor sit out a fixed sleep once something happened.
class tst_eventPump : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void waitReturnsOnceAnEventWasHandled();
    void waitRunsNestedHandlers();
    void idleWaitDoesNotSpin();
    void agentWaitDoesNotSpin();
};

void tst_eventPump::waitReturnsOnceAnEventWasHandled()
{
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    platform::waitForEvents(60000);
    QVERIFY(ran);
    // Far from the minute it would have slept had it ignored the event.
    QVERIFY(clock.elapsed() < 20000);

    ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    platform::doEvents();
    QVERIFY(ran);
}

void tst_eventPump::waitRunsNestedHandlers()
{
    QStringList order;
    QTimer::singleShot(0, this, [&] {
        order << "outer handler";
        QTimer::singleShot(0, this, [&] { order << "inner handler"; });
        platform::waitForEvents(60000);
        order << "outer handler done";
    });
    platform::waitForEvents(60000);
    QCOMPARE(order, QStringList({"outer handler", "inner handler", "outer handler done"}));
}

void tst_eventPump::idleWaitDoesNotSpin()
{
    const qint64 before = cpuMs();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400)
        platform::waitForEvents(100);
    QVERIFY2(cpuMs() - before < 200, qPrintable(QString::number(cpuMs() - before)));
}

void tst_eventPump::agentWaitDoesNotSpin()
{
    QTemporaryDir dir;
    ScriptedServer server;
    server.setScript({ScriptedServer::silence()});
    platform::SocketControl socket(this);
    httpAgent::setTimeouts(10000, 500);

    const qint64 before = cpuMs();
    QCOMPARE(httpAgent::sendGetRequest(server.hostText(), "80", "/", "", "", socket, dir.filePath("f"),
                                       httpGlobals::webServiceSlot),
             0);
    QVERIFY2(cpuMs() - before < 250, qPrintable(QString::number(cpuMs() - before)));
}

QTEST_MAIN(tst_eventPump)
#include "tst_eventPump.moc"
