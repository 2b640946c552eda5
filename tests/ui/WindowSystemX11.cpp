#include "WindowSystem.h"

#include <X11/Xlib.h>

namespace sorvell::window_test
{

const char* const kClapWindowApi = CLAP_WINDOW_API_X11;

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

std::pair<uint32_t, uint32_t> HostWindow::childSize() const
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::pair<uint32_t, uint32_t> size{0, 0};
    if (mNative->display != nullptr &&
        XQueryTree(mNative->display, mNative->window, &root, &parent, &children, &count) &&
        count > 0)
    {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(mNative->display, children[0], &attributes))
        {
            size = {static_cast<uint32_t>(attributes.width),
                    static_cast<uint32_t>(attributes.height)};
        }
    }
    if (children != nullptr)
    {
        XFree(children);
    }
    return size;
}

} // namespace sorvell::window_test
