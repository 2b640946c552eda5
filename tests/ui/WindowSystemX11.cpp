#include "WindowSystem.h"

#include "travesty/view.h"

#include <X11/Xlib.h>

namespace sorvell::window_test
{

const char* const kClapWindowApi = CLAP_WINDOW_API_X11;
const char* const kVst3PlatformType = V3_VIEW_PLATFORM_TYPE_X11;
const bool kVst3ViewUsesHostRunLoop = true;

// The plugin's window reads its own X events when its timer runs.
void dispatchWindowEvents() {}

struct HostWindow::Native
{
    Display* display = nullptr;
    Window window = 0;
};

HostWindow::HostWindow(uint32_t width, uint32_t height) : mNative(std::make_unique<Native>())
{
    mNative->display = XOpenDisplay(nullptr);
    if (mNative->display == nullptr)
    {
        return;
    }
    mNative->window = XCreateSimpleWindow(mNative->display, DefaultRootWindow(mNative->display), 0,
                                          0, width, height, 0, 0, 0);
    XMapWindow(mNative->display, mNative->window);
    XSync(mNative->display, False);
}

HostWindow::~HostWindow()
{
    if (mNative->display != nullptr)
    {
        XDestroyWindow(mNative->display, mNative->window);
        XCloseDisplay(mNative->display);
    }
}

clap_window_t HostWindow::clapWindow() const
{
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = mNative->window;
    return window;
}

void* HostWindow::nativeHandle() const
{
    return reinterpret_cast<void*>(mNative->window);
}

void HostWindow::resize(uint32_t width, uint32_t height)
{
    XResizeWindow(mNative->display, mNative->window, width, height);
    XSync(mNative->display, False);
}

std::pair<uint32_t, uint32_t> HostWindow::childSize() const
{
    if (mNative->display == nullptr)
    {
        return {0, 0};
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XWindowAttributes attributes{};
    XSync(mNative->display, False);
    const bool shown =
        XQueryTree(mNative->display, mNative->window, &root, &parent, &children, &count) &&
        count > 0 && XGetWindowAttributes(mNative->display, children[0], &attributes) &&
        attributes.map_state == IsViewable;
    if (children != nullptr)
    {
        XFree(children);
    }
    if (!shown)
    {
        return {0, 0};
    }
    return {static_cast<uint32_t>(attributes.width), static_cast<uint32_t>(attributes.height)};
}

} // namespace sorvell::window_test
