#pragma once

namespace platform {

// Runs the events that are pending now, once.
void doEvents();

// Waits up to `maxMs` for events and handles them; returns as soon as something was
// handled, so a waiting caller reacts at once instead of after a fixed sleep.
void waitForEvents(int maxMs = 100);

// The program is ending: every wait gives up at once and no further message is shown, so
// handlers that are waiting for the network unwind and the event loop can end.
void requestShutdown();
bool shutdownRequested();

} // namespace platform
