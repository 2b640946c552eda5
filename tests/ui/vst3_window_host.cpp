// A small VST3 host that opens a plugin's editor the way hosts do: loads the bundle's module,
// creates and initialises the component, asks its edit controller for the "editor" view, gives
// the view a frame (on X11 with a run loop whose timers run every 16 ms, as Linux hosts must),
// attaches it to a window of its own (WindowSystem.h) and sizes that window to the view. Then it
// follows commands on standard input, one a line (the test scripts take pictures in between):
//   size W H   the host resizes its window and the view (after asking the view's constraint)
//   close      removes the view and releases everything (as does the end of the input)
// It checks what it can see from outside: the plugin's window is a shown child of the host's
// window at the view's size, follows each resize, and is gone after removal; and no reference
// the plugin took on the host's objects (application, run loop, timers, messages) is left.
// Exit status 0 only when every check holds.
//   vst3_window_host PLUGIN.vst3
#include "Vst3HostApplication.h"
#include "Vst3Module.h"
#include "WindowSystem.h"

#include "travesty/component.h"
#include "travesty/edit_controller.h"
#include "travesty/view.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

int gFailures = 0;

void check(bool condition, const std::string& what)
{
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    gFailures += condition ? 0 : 1;
}

using sorvell::conformance::Vst3HostApplication;
using sorvell::conformance::Vst3HostObject;

struct RunLoop : Vst3HostObject<v3_run_loop>
{
    std::vector<v3_timer_handler**> timers;
    int strayCalls = 0; // event handlers, unknown unregistrations

    RunLoop()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return query(self, iid, object, v3_run_loop_iid); },
                              ref, unrefOwned},
                             {[](void* self, v3_event_handler**, int)
                              {
                                  ++static_cast<RunLoop*>(self)->strayCalls;
                                  return static_cast<v3_result>(V3_NOT_IMPLEMENTED);
                              },
                              [](void* self, v3_event_handler**)
                              {
                                  ++static_cast<RunLoop*>(self)->strayCalls;
                                  return static_cast<v3_result>(V3_NOT_IMPLEMENTED);
                              },
                              [](void* self, v3_timer_handler** handler, uint64_t)
                              {
                                  v3_cpp_obj_ref(handler);
                                  static_cast<RunLoop*>(self)->timers.push_back(handler);
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, v3_timer_handler** handler)
                              {
                                  auto* loop = static_cast<RunLoop*>(self);
                                  const auto found =
                                      std::find(loop->timers.begin(), loop->timers.end(), handler);
                                  if (found == loop->timers.end())
                                  {
                                      ++loop->strayCalls;
                                      return static_cast<v3_result>(V3_INVALID_ARG);
                                  }
                                  loop->timers.erase(found);
                                  v3_cpp_obj_unref(handler);
                                  return static_cast<v3_result>(V3_OK);
                              }}};
        table = &t;
    }

    void runTimers()
    {
        for (std::size_t i = 0; i < timers.size(); ++i)
        {
            v3_cpp_obj(timers[i])->on_timer(timers[i]);
        }
    }
};

// The frame the view lives in; it hands out the run loop, as Linux hosts must.
struct PlugFrame : Vst3HostObject<v3_plugin_frame>
{
    RunLoop* loop = nullptr;
    int resizeRequests = 0;

    explicit PlugFrame(RunLoop* runLoop) : loop(runLoop)
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              {
                                  auto* frame = static_cast<PlugFrame*>(self);
                                  if (v3_tuid_match(iid, v3_run_loop_iid))
                                  {
                                      ++frame->loop->refs;
                                      *object = frame->loop;
                                      return static_cast<v3_result>(V3_OK);
                                  }
                                  return query(self, iid, object, v3_plugin_frame_iid);
                              },
                              ref, unrefOwned},
                             {[](void* self, v3_plugin_view**, v3_view_rect*)
                              {
                                  ++static_cast<PlugFrame*>(self)->resizeRequests;
                                  return static_cast<v3_result>(V3_OK);
                              }}};
        table = &t;
    }
};

using sorvell::window_test::HostWindow;

// Runs the view's timers for about a quarter of a second, as a host's idle loop would.
void pump(RunLoop& loop)
{
    for (int i = 0; i < 16; ++i)
    {
        loop.runTimers();
        sorvell::window_test::dispatchWindowEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
}

void checkChild(const HostWindow& window, RunLoop& loop, int width, int height, const char* when)
{
    std::pair<uint32_t, uint32_t> size{0, 0};
    const std::pair<uint32_t, uint32_t> wanted{static_cast<uint32_t>(width),
                                               static_cast<uint32_t>(height)};
    for (int attempt = 0; attempt < 20 && size != wanted; ++attempt)
    {
        pump(loop);
        size = window.childSize();
    }
    check(size == wanted, std::string(when) + ": the plugin's window is shown at " +
                              std::to_string(width) + "x" + std::to_string(height) + " (is " +
                              std::to_string(size.first) + "x" + std::to_string(size.second) + ")");
}

// The host resizes its window, then tells the view, as hosts do when the user drags.
void resize(HostWindow& window, v3_plugin_view** view, RunLoop& loop, int width, int height)
{
    v3_view_rect wanted{0, 0, width, height};
    check(v3_cpp_obj(view)->can_resize(view) == V3_TRUE, "the view can be resized");
    v3_cpp_obj(view)->check_size_constraint(view, &wanted);
    window.resize(static_cast<uint32_t>(wanted.right - wanted.left),
                  static_cast<uint32_t>(wanted.bottom - wanted.top));
    check(v3_cpp_obj(view)->on_size(view, &wanted) == V3_OK, "the view takes a new size");
    checkChild(window, loop, wanted.right - wanted.left, wanted.bottom - wanted.top, "resized");
    v3_view_rect rect{};
    v3_cpp_obj(view)->get_size(view, &rect);
    check(rect.right - rect.left == wanted.right - wanted.left &&
              rect.bottom - rect.top == wanted.bottom - wanted.top,
          "the view reports the new size");
    std::printf("resized\n");
    std::fflush(stdout);
}

// Standard input's lines, read on a thread of their own so that the idle loop never waits;
// the end of the input reads as "close".
class Commands
{
public:
    Commands()
    {
        std::thread(
            [this]
            {
                std::string line;
                while (std::getline(std::cin, line))
                    push(line);
                push("close");
            })
            .detach();
    }
    bool next(std::string& line)
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        if (mLines.empty())
            return false;
        line = mLines.front();
        mLines.erase(mLines.begin());
        return true;
    }

private:
    void push(const std::string& line)
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        mLines.push_back(line);
    }
    std::mutex mMutex;
    std::vector<std::string> mLines;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: vst3_window_host PLUGIN.vst3\n");
        return 2;
    }
    std::unique_ptr<sorvell::conformance::Vst3Module> module;
    try
    {
        module = std::make_unique<sorvell::conformance::Vst3Module>(argv[1]);
    }
    catch (const std::runtime_error& error)
    {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    v3_plugin_factory** factory = module->factory();

    Vst3HostApplication application("vst3 window test host");
    RunLoop loop;
    PlugFrame frame(&loop);
    void* object = nullptr;
    v3_cpp_obj(factory)->create_instance(factory, module->audioClass(), v3_component_iid, &object);
    auto** component = static_cast<v3_component**>(object);
    v3_edit_controller** controller = nullptr;
    if (component == nullptr || v3_cpp_obj_initialize(component, application.context()) != V3_OK ||
        v3_cpp_obj_query_interface(component, v3_edit_controller_iid, &controller) != V3_OK)
    {
        std::fprintf(stderr, "no component with an edit controller\n");
        return 1;
    }

    v3_plugin_view** view = v3_cpp_obj(controller)->create_view(controller, "editor");
    check(view != nullptr, "the controller creates the editor view");
    if (view == nullptr)
    {
        return 1;
    }
    const char* platform = sorvell::window_test::kVst3PlatformType;
    check(v3_cpp_obj(view)->is_platform_type_supported(view, platform) == V3_OK,
          std::string("the view supports embedding in ") + platform);
    v3_cpp_obj(view)->set_frame(view, reinterpret_cast<v3_plugin_frame**>(&frame));

    v3_view_rect rect{};
    v3_cpp_obj(view)->get_size(view, &rect);
    HostWindow window(static_cast<uint32_t>(rect.right - rect.left),
                      static_cast<uint32_t>(rect.bottom - rect.top));
    check(v3_cpp_obj(view)->attached(view, window.nativeHandle(), platform) == V3_OK,
          "the view attaches to the host's window");
    const std::size_t timers = sorvell::window_test::kVst3ViewUsesHostRunLoop ? 1 : 0;
    check(loop.timers.size() == timers, "the view registers " + std::to_string(timers) +
                                            (timers == 1 ? " timer" : " timers") +
                                            " with the host's run loop");
    v3_cpp_obj(view)->get_size(view, &rect);
    window.resize(static_cast<uint32_t>(rect.right - rect.left),
                  static_cast<uint32_t>(rect.bottom - rect.top));
    checkChild(window, loop, rect.right - rect.left, rect.bottom - rect.top, "attached");
    std::printf("shown\n");
    std::fflush(stdout);

    // The host's idle loop: timers and window events every 16 ms, commands as they come.
    Commands commands;
    for (std::string line; line != "close";)
    {
        loop.runTimers();
        sorvell::window_test::dispatchWindowEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        int width = 0;
        int height = 0;
        while (line != "close" && commands.next(line))
        {
            if (std::sscanf(line.c_str(), "size %d %d", &width, &height) == 2)
                resize(window, view, loop, width, height);
        }
    }

    check(v3_cpp_obj(view)->removed(view) == V3_OK, "the view is removed");
    pump(loop);
    check(window.childSize() == std::pair<uint32_t, uint32_t>{0, 0},
          "the plugin's window is gone after removal");
    check(loop.timers.empty() && loop.strayCalls == 0, "the view gave back its timer");
    v3_cpp_obj(view)->set_frame(view, nullptr);
    check(v3_cpp_obj_unref(view) == 0, "the last reference to the view deletes it");
    v3_cpp_obj_unref(controller);
    v3_cpp_obj_terminate(component);
    check(v3_cpp_obj_unref(component) == 0, "the last reference to the component deletes it");
    module.reset();
    check(application.referencesHeld() == 0 && loop.referencesHeld() == 0 &&
              frame.referencesHeld() == 0,
          "no reference to the host's application, run loop or frame is left (" +
              std::to_string(application.referencesHeld()) + ", " +
              std::to_string(loop.referencesHeld()) + ", " +
              std::to_string(frame.referencesHeld()) + ")");
    const int messages = Vst3HostApplication::liveMessages();
    check(messages == 0,
          "every message the plugin created is released (" + std::to_string(messages) + " left)");
    return gFailures == 0 ? 0 : 1;
}
