#include "StopSignal.h"

#include "ToolError.h"
#include "platform/System.h"

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

} // namespace

void installStopHandlers()
{
    platform::installStopHandlers(requestStop);
}

int stopSignal()
{
    return gStopSignal;
}

void throwIfStopped()
{
    if (const int signal = gStopSignal; signal != 0)
    {
        throw ToolError(std::string("interrupted by ") + platform::signalName(signal),
                        static_cast<ExitStatus>(128 + signal));
    }
}

} // namespace quendra::renderer
