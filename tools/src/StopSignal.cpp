#include "StopSignal.h"

#include "ToolError.h"

#include <string>

namespace quendra::renderer
{

namespace
{

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void requestStop(int signal)
{
    gStopSignal = signal;
}

const char* signalName(int signal)
{
    switch (signal)
    {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace

void installStopHandlers()
{
    // No SA_RESTART: a batch parent waiting for its children wakes up to pass the signal on.
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

int stopSignal()
{
    return gStopSignal;
}

void throwIfStopped()
{
    if (const int signal = gStopSignal; signal != 0)
    {
        throw ToolError(std::string("interrupted by ") + signalName(signal),
                        static_cast<ExitStatus>(128 + signal));
    }
}

} // namespace quendra::renderer
