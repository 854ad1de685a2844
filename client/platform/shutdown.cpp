#include "platform/shutdown.h"

namespace platform {

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

} // namespace platform
