// A small VST3 host that opens a plugin's editor the way hosts on Linux do: loads the bundle's
// module, creates and initialises the component, asks its edit controller for the "editor"
// view, gives the view a frame with a run loop (timers, called every 16 ms), attaches it to
// an X11 window of its own and sizes that window to the view. Then it follows commands on
// standard input (the test script waits for pictures in between):
//   size W H   the host resizes its window and the view (after asking the view's constraint)
//   close      removes the view and releases everything
// It checks what it can see from outside: the plugin's window is a mapped child of the host's
// window at the view's size, follows each resize, and is gone after removal; and no reference
// the plugin took on the host's objects (application, run loop, timers, messages) is left.
// Exit status 0 only when every check holds.
//   vst3_window_host PLUGIN.vst3
#include "Vst3Module.h"

#include "travesty/component.h"
#include "travesty/edit_controller.h"
#include "travesty/host.h"
#include "travesty/message.h"
#include "travesty/view.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace
{

int gFailures = 0;

void check(bool condition, const std::string& what)
{
    std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    gFailures += condition ? 0 : 1;
}

// A host object as the plugin sees it: a pointer to a table of functions, whose first three
// are the reference-counting ones. Every object counts the references the plugin holds.
template <typename Interface>
struct HostObject
{
    struct Table
    {
        v3_funknown unknown;
        Interface methods;
    };
    const Table* table;
    std::atomic<int> refs{1};

    static v3_result V3_API query(void* self, const v3_tuid iid, void** object, const v3_tuid own)
    {
        if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, own))
        {
            ++static_cast<HostObject*>(self)->refs;
            *object = self;
            return V3_OK;
        }
        *object = nullptr;
        return V3_NO_INTERFACE;
    }
    static uint32_t V3_API ref(void* self) { return ++static_cast<HostObject*>(self)->refs; }
    // For the host's own objects, which live on the stack of main(): their counts must fall
    // back to one.
    static uint32_t V3_API unrefOwned(void* self)
    {
        return static_cast<uint32_t>(--static_cast<HostObject*>(self)->refs);
    }
};

// Messages: how the framework's controller and editor talk, created through the host.
std::atomic<int> gLiveMessages{0};

struct AttributeList : HostObject<v3_attribute_list>
{
    using Value = std::variant<int64_t, double, std::vector<int16_t>, std::vector<uint8_t>>;
    std::map<std::string, Value> values;

    template <typename T>
    static v3_result get(void* self, const char* id, T** value)
    {
        auto& values = static_cast<AttributeList*>(self)->values;
        const auto found = values.find(id);
        if (found == values.end() || !std::holds_alternative<T>(found->second))
        {
            return V3_INVALID_ARG;
        }
        *value = &std::get<T>(found->second);
        return V3_OK;
    }
    static const Table* vtable()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return query(self, iid, object, v3_attribute_list_iid); },
                              ref,
                              [](void* self) -> uint32_t
                              {
                                  auto* list = static_cast<AttributeList*>(self);
                                  const int left = --list->refs;
                                  if (left == 0)
                                  {
                                      delete list;
                                  }
                                  return static_cast<uint32_t>(left);
                              }},
                             {[](void* self, const char* id, int64_t value)
                              {
                                  static_cast<AttributeList*>(self)->values[id] = value;
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, const char* id, int64_t* value)
                              {
                                  int64_t* stored = nullptr;
                                  const v3_result result = get(self, id, &stored);
                                  *value = stored != nullptr ? *stored : 0;
                                  return result;
                              },
                              [](void* self, const char* id, double value)
                              {
                                  static_cast<AttributeList*>(self)->values[id] = value;
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, const char* id, double* value)
                              {
                                  double* stored = nullptr;
                                  const v3_result result = get(self, id, &stored);
                                  *value = stored != nullptr ? *stored : 0.0;
                                  return result;
                              },
                              [](void* self, const char* id, const int16_t* text)
                              {
                                  std::vector<int16_t> copy;
                                  for (; *text != 0; ++text)
                                  {
                                      copy.push_back(*text);
                                  }
                                  copy.push_back(0);
                                  static_cast<AttributeList*>(self)->values[id] = std::move(copy);
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, const char* id, int16_t* text, uint32_t size)
                              {
                                  std::vector<int16_t>* stored = nullptr;
                                  const v3_result result = get(self, id, &stored);
                                  if (stored == nullptr || size == 0)
                                  {
                                      return result;
                                  }
                                  const std::size_t n =
                                      std::min<std::size_t>(stored->size(), size / 2);
                                  std::memcpy(text, stored->data(), n * 2);
                                  text[n - 1] = 0;
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, const char* id, const void* data, uint32_t size)
                              {
                                  const auto* bytes = static_cast<const uint8_t*>(data);
                                  static_cast<AttributeList*>(self)->values[id] =
                                      std::vector<uint8_t>(bytes, bytes + size);
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void* self, const char* id, const void** data, uint32_t* size)
                              {
                                  std::vector<uint8_t>* stored = nullptr;
                                  const v3_result result = get(self, id, &stored);
                                  *data = stored != nullptr ? stored->data() : nullptr;
                                  *size =
                                      stored != nullptr ? static_cast<uint32_t>(stored->size()) : 0;
                                  return result;
                              }}};
        return &t;
    }
    AttributeList() { table = vtable(); }
};

struct Message : HostObject<v3_message>
{
    std::string id;
    AttributeList* attributes = new AttributeList;

    static const Table* vtable()
    {
        static const Table t{
            {[](void* self, const v3_tuid iid, void** object)
             { return query(self, iid, object, v3_message_iid); },
             ref,
             [](void* self) -> uint32_t
             {
                 auto* message = static_cast<Message*>(self);
                 const int left = --message->refs;
                 if (left == 0)
                 {
                     v3_cpp_obj_unref(reinterpret_cast<v3_attribute_list**>(message->attributes));
                     delete message;
                     --gLiveMessages;
                 }
                 return static_cast<uint32_t>(left);
             }},
            {[](void* self) { return static_cast<Message*>(self)->id.c_str(); },
             [](void* self, const char* id)
             { static_cast<Message*>(self)->id = id != nullptr ? id : ""; },
             [](void* self) {
                 return reinterpret_cast<v3_attribute_list**>(
                     static_cast<Message*>(self)->attributes);
             }}};
        return &t;
    }
    Message()
    {
        table = vtable();
        ++gLiveMessages;
    }
};

struct HostApplication : HostObject<v3_host_application>
{
    HostApplication()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return query(self, iid, object, v3_host_application_iid); },
                              ref, unrefOwned},
                             {[](void*, v3_str_128 name)
                              {
                                  const char* text = "vst3 window test host";
                                  for (int i = 0; i == 0 || text[i - 1] != 0; ++i)
                                  {
                                      name[i] = static_cast<int16_t>(text[i]);
                                  }
                                  return static_cast<v3_result>(V3_OK);
                              },
                              [](void*, v3_tuid cid, v3_tuid iid, void** object)
                              {
                                  if (v3_tuid_match(cid, v3_message_iid) &&
                                      v3_tuid_match(iid, v3_message_iid))
                                  {
                                      *object = new Message;
                                      return static_cast<v3_result>(V3_OK);
                                  }
                                  *object = nullptr;
                                  return static_cast<v3_result>(V3_NO_INTERFACE);
                              }}};
        table = &t;
    }
};

struct RunLoop : HostObject<v3_run_loop>
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
struct PlugFrame : HostObject<v3_plugin_frame>
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

// The plugin's window: the one child of the host's window, if any.
bool childGeometry(Display* display, Window parent, int& width, int& height, bool& mapped)
{
    Window root = 0;
    Window unused = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XSync(display, False);
    if (!XQueryTree(display, parent, &root, &unused, &children, &count) || count == 0)
    {
        return false;
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, children[0], &attributes);
    XFree(children);
    width = attributes.width;
    height = attributes.height;
    mapped = attributes.map_state == IsViewable;
    return true;
}

// Runs the view's timers for about a quarter of a second, as a host's idle loop would.
void pump(RunLoop& loop)
{
    for (int i = 0; i < 16; ++i)
    {
        loop.runTimers();
        usleep(16000);
    }
}

void checkChild(Display* display, Window parent, RunLoop& loop, int width, int height,
                const char* when)
{
    int childWidth = 0;
    int childHeight = 0;
    bool mapped = false;
    for (int attempt = 0; attempt < 20; ++attempt)
    {
        pump(loop);
        if (childGeometry(display, parent, childWidth, childHeight, mapped) && mapped &&
            childWidth == width && childHeight == height)
        {
            break;
        }
    }
    check(mapped && childWidth == width && childHeight == height,
          std::string(when) + ": the plugin's window is mapped at " + std::to_string(width) + "x" +
              std::to_string(height) + " (is " + std::to_string(childWidth) + "x" +
              std::to_string(childHeight) + ")");
}

// The host resizes its window, then tells the view, as hosts do when the user drags.
void resize(Display* display, Window parent, v3_plugin_view** view, RunLoop& loop, int width,
            int height)
{
    v3_view_rect wanted{0, 0, width, height};
    check(v3_cpp_obj(view)->can_resize(view) == V3_TRUE, "the view can be resized");
    v3_cpp_obj(view)->check_size_constraint(view, &wanted);
    XResizeWindow(display, parent, static_cast<unsigned>(wanted.right - wanted.left),
                  static_cast<unsigned>(wanted.bottom - wanted.top));
    XSync(display, False);
    check(v3_cpp_obj(view)->on_size(view, &wanted) == V3_OK, "the view takes a new size");
    checkChild(display, parent, loop, wanted.right - wanted.left, wanted.bottom - wanted.top,
               "resized");
    v3_view_rect rect{};
    v3_cpp_obj(view)->get_size(view, &rect);
    check(rect.right - rect.left == wanted.right - wanted.left &&
              rect.bottom - rect.top == wanted.bottom - wanted.top,
          "the view reports the new size");
    std::printf("resized\n");
    std::fflush(stdout);
}

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

    HostApplication application;
    RunLoop loop;
    PlugFrame frame(&loop);
    void* object = nullptr;
    v3_cpp_obj(factory)->create_instance(factory, module->audioClass(), v3_component_iid, &object);
    auto** component = static_cast<v3_component**>(object);
    v3_edit_controller** controller = nullptr;
    if (component == nullptr ||
        v3_cpp_obj_initialize(component, reinterpret_cast<v3_funknown**>(&application)) != V3_OK ||
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
    check(v3_cpp_obj(view)->is_platform_type_supported(view, V3_VIEW_PLATFORM_TYPE_X11) == V3_OK,
          "the view supports X11 embedding");
    v3_cpp_obj(view)->set_frame(view, reinterpret_cast<v3_plugin_frame**>(&frame));

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    v3_view_rect rect{};
    v3_cpp_obj(view)->get_size(view, &rect);
    const Window parent = XCreateSimpleWindow(
        display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(rect.right - rect.left),
        static_cast<unsigned>(rect.bottom - rect.top), 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    check(v3_cpp_obj(view)->attached(view, reinterpret_cast<void*>(parent),
                                     V3_VIEW_PLATFORM_TYPE_X11) == V3_OK,
          "the view attaches to the host's window");
    check(loop.timers.size() == 1, "the view registers one timer with the host's run loop");
    v3_cpp_obj(view)->get_size(view, &rect);
    XResizeWindow(display, parent, static_cast<unsigned>(rect.right - rect.left),
                  static_cast<unsigned>(rect.bottom - rect.top));
    XSync(display, False);
    checkChild(display, parent, loop, rect.right - rect.left, rect.bottom - rect.top, "attached");
    std::printf("shown\n");
    std::fflush(stdout);

    // The host's idle loop: timers every 16 ms, commands as they come.
    std::string pending;
    for (bool open = true; open;)
    {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 16) > 0)
        {
            char buffer[256];
            const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
            open = count > 0;
            pending.append(buffer, count > 0 ? static_cast<std::size_t>(count) : 0);
        }
        loop.runTimers();
        for (std::size_t end = pending.find('\n'); end != std::string::npos;
             end = pending.find('\n'))
        {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            int width = 0;
            int height = 0;
            if (std::sscanf(line.c_str(), "size %d %d", &width, &height) == 2)
            {
                resize(display, parent, view, loop, width, height);
            }
            else if (line == "close")
            {
                open = false;
            }
        }
    }

    check(v3_cpp_obj(view)->removed(view) == V3_OK, "the view is removed");
    int width = 0;
    int height = 0;
    bool mapped = false;
    check(!childGeometry(display, parent, width, height, mapped),
          "the plugin's window is gone after removal");
    check(loop.timers.empty() && loop.strayCalls == 0, "the view gave back its timer");
    v3_cpp_obj(view)->set_frame(view, nullptr);
    check(v3_cpp_obj_unref(view) == 0, "the last reference to the view deletes it");
    v3_cpp_obj_unref(controller);
    v3_cpp_obj_terminate(component);
    check(v3_cpp_obj_unref(component) == 0, "the last reference to the component deletes it");
    module.reset();
    check(application.refs == 1 && loop.refs == 1 && frame.refs == 1,
          "no reference to the host's application, run loop or frame is left (" +
              std::to_string(application.refs - 1) + ", " + std::to_string(loop.refs - 1) + ", " +
              std::to_string(frame.refs - 1) + ")");
    check(gLiveMessages == 0, "every message the plugin created is released (" +
                                  std::to_string(gLiveMessages) + " left)");
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
    return gFailures == 0 ? 0 : 1;
}
