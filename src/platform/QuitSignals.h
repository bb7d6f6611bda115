#pragma once

namespace tv {

// Turns the requests to end the program (SIGTERM, SIGINT, SIGHUP on Linux) into bytes on a
// file descriptor, so the event loop can end normally and release what is held. Returns
// the descriptor to watch; -1 when it cannot be set up.
int quitSignalsDescriptor();

// Reads what is waiting on the descriptor.
void drainQuitSignals(int descriptor);

}  // namespace tv
