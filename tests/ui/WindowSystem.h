// The part of the window tests' CLAP and VST3 hosts that depends on the window system: which
// window API the plugin is asked for, who hands the window system's events to the plugin's
// window, and a window of the host's own to embed the plugin's window in, as hosts do. Floating,
// the plugin's window is a top-level window that the screenshot helpers find as an X window of its
// size, under Wine too.
#pragma once

#include "clap/ext/gui.h"

#include <cstdint>
#include <memory>
#include <utility>

namespace sorvell::window_test
{

extern const char* const kClapWindowApi;
extern const char* const kVst3PlatformType;
// Whether a VST3 view runs its timers on the host's run loop (X11) or on the window system's
// own timers (Windows).
extern const bool kVst3ViewUsesHostRunLoop;

// Hands the window system's pending events to their windows; called between timer ticks.
void dispatchWindowEvents();

// A frameless window of the given size, shown until destroyed.
class HostWindow
{
public:
    HostWindow(uint32_t width, uint32_t height);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    clap_window_t clapWindow() const;
    void* nativeHandle() const; // as a VST3 view takes its parent
    void resize(uint32_t width, uint32_t height);
    // The size of its first child window (the plugin's), {0, 0} while it has none shown.
    std::pair<uint32_t, uint32_t> childSize() const;

private:
    struct Native;
    std::unique_ptr<Native> mNative;
};

} // namespace sorvell::window_test
