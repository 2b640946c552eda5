// Stopping a render by signal: SIGINT, SIGTERM and SIGHUP only raise a flag, and the long
// loops call throwIfStopped() between blocks, so that the unwinding removes every temporary
// file and the process exits with 128 + the signal's number. SIGPIPE is ignored: a closed
// standard output shows up as a write error instead.
#pragma once

#include <csignal>

namespace quendra::renderer
{

void installStopHandlers();

// The signal that asked the render to stop, or 0.
int stopSignal();

// Throws ToolError ("interrupted by SIGTERM", status 128 + N) once a signal has come.
void throwIfStopped();

} // namespace quendra::renderer
