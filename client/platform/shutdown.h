#pragma once

namespace platform {

// The program is ending: running requests end as cancelled and no further message is shown, so
// the coroutines still waiting unwind quietly while the event loop ends.
void requestShutdown();
bool shutdownRequested();

} // namespace platform
