#include "platform/eventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace platform {

void doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
bool shuttingDown = false;
}

void requestShutdown()
{
    shuttingDown = true;
}

bool shutdownRequested()
{
    return shuttingDown;
}

void waitForEvents(int maxMs)
{
    // The timed processEvents overload drops WaitForMoreEvents and would spin; a timer
    // bounds the blocking wait instead.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace platform
