// Console.cpp - the host console (object_error and the host's own reports), the host version
// and the fixed random seed.
#include "HostState.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>

using namespace tessel::host;

namespace tessel::host
{

void postConsole(std::string text, std::string className, bool fromHost)
{
    auto& state = hostState();
    const std::lock_guard lock(state.consoleMutex);
    if (state.consoleEcho)
        std::cerr << (className.empty() ? std::string() : className + ": ") << text << '\n';
    state.console.push_back(ConsoleLine{std::move(text), std::move(className), fromHost});
}

} // namespace tessel::host

extern "C" void object_error(void* x, const char* fmt, ...)
{
    if (!fmt)
        return;
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    va_end(args);
    // One line per call: trailing line ends are dropped, inner ones become blanks.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    postConsole(std::move(text), classNameOf(x), false);
}

extern "C" long tesselversion(void)
{
    return hostState().version.load();
}

extern "C" long sys_getrandomseed(uint32_t* seed)
{
    auto& state = hostState();
    if (!state.hasSeed.load())
        return 0;
    if (seed)
        *seed = state.seed.load();
    return 1;
}
