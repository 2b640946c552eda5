#include "WindowSystem.h"

#include "travesty/view.h"

#include <windows.h>

namespace sorvell::window_test
{

const char* const kClapWindowApi = CLAP_WINDOW_API_WIN32;
const char* const kVst3PlatformType = V3_VIEW_PLATFORM_TYPE_HWND;
const bool kVst3ViewUsesHostRunLoop = false;

// Windows delivers a thread's window messages (painting, the plugin's timer, the mouse) only to
// a thread that asks for them: a host's message loop.
void dispatchWindowEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct HostWindow::Native
{
    HWND window = nullptr;
};

HostWindow::HostWindow(uint32_t width, uint32_t height) : mNative(std::make_unique<Native>())
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"SorvellTestHost";
    RegisterClassW(&windowClass);
    // A pop-up has no frame: its client area is the whole window.
    mNative->window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Sorvell test host",
                        WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, static_cast<int>(width),
                        static_cast<int>(height), nullptr, nullptr, instance, nullptr);
}

HostWindow::~HostWindow()
{
    if (mNative->window != nullptr)
    {
        DestroyWindow(mNative->window);
    }
}

clap_window_t HostWindow::clapWindow() const
{
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = mNative->window;
    return window;
}

void* HostWindow::nativeHandle() const
{
    return mNative->window;
}

void HostWindow::resize(uint32_t width, uint32_t height)
{
    SetWindowPos(mNative->window, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height),
                 SWP_NOMOVE | SWP_NOZORDER);
}

std::pair<uint32_t, uint32_t> HostWindow::childSize() const
{
    RECT area{};
    const HWND child = mNative->window != nullptr ? GetWindow(mNative->window, GW_CHILD) : nullptr;
    if (child == nullptr || !IsWindowVisible(child) || !GetClientRect(child, &area))
    {
        return {0, 0};
    }
    return {static_cast<uint32_t>(area.right - area.left),
            static_cast<uint32_t>(area.bottom - area.top)};
}

} // namespace sorvell::window_test
