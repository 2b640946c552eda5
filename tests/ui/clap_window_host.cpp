// A small CLAP host that opens a plugin's window: loads the module, activates the plugin at
// 48 kHz, processes audio on its own thread (pink-ish noise, or silence), shows the window
// floating (on X11 or on Windows: WindowSystem.h), drives the plugin's timer and the window's
// events from the main thread, and closes everything after the given time. Parameter values
// given on the command line reach the plugin as events in the first processed block, as host
// automation would, and note=N a MIDI note-on after them; scale=F is the host's scale factor,
// size=WxH a size the host asks for once the window shows. With `embed` the window is embedded
// in a frameless window of the host's own instead, and at the end the host checks that the
// plugin's window is a child of it with the size the plugin reports ("embedded WxH").
//   clap_window_host PLUGIN.clap SECONDS noise|silence [PARAM_ID=VALUE ...] [note=N]
//                    [scale=F] [size=WxH] [embed]
#include "ClapHost.h"
#include "WindowSystem.h"

#include "clap/ext/gui.h"
#include "clap/ext/timer-support.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

using sorvell::conformance::ClapEvent;
using sorvell::conformance::ClapHost;
using sorvell::conformance::ClapModule;

std::vector<ClapEvent> gStartEvents;

const clap_host_gui_t kHostGui{
    [](const clap_host_t*) {}, [](const clap_host_t*, uint32_t, uint32_t) { return true; },
    [](const clap_host_t*) { return true; }, [](const clap_host_t*) { return true; },
    [](const clap_host_t*, bool) {}};
const clap_host_timer_support_t kHostTimer{[](const clap_host_t*, uint32_t, clap_id* timerId)
                                           {
                                               *timerId = 1;
                                               return true;
                                           },
                                           [](const clap_host_t*, clap_id) { return true; }};

struct EventList
{
    clap_input_events_t in{
        nullptr,
        [](const clap_input_events_t* list) -> uint32_t
        {
            auto* events = static_cast<std::vector<ClapEvent>*>(list->ctx);
            return static_cast<uint32_t>(events->size());
        },
        [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t*
        {
            auto* events = static_cast<std::vector<ClapEvent>*>(list->ctx);
            return &(*events)[index].header;
        }};
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: clap_window_host PLUGIN.clap SECONDS noise|silence "
                             "[PARAM_ID=VALUE ...] [note=N] [scale=F] [size=WxH] [embed]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const bool noise = std::strcmp(argv[3], "noise") == 0;
    double scale = 1.0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool embed = false;
    for (int i = 4; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "embed") == 0)
        {
            embed = true;
            continue;
        }
        if (std::sscanf(argv[i], "scale=%lf", &scale) == 1 ||
            std::sscanf(argv[i], "size=%ux%u", &width, &height) == 2)
        {
            continue;
        }
        unsigned note = 0;
        if (std::sscanf(argv[i], "note=%u", &note) == 1)
        {
            gStartEvents.push_back(
                sorvell::conformance::clapMidiEvent(0, {0x90, static_cast<uint8_t>(note), 100}));
            continue;
        }
        clap_id id = 0;
        double value = 0.0;
        if (std::sscanf(argv[i], "%u=%lf", &id, &value) != 2)
        {
            return 2;
        }
        gStartEvents.push_back(sorvell::conformance::clapParameterEvent(0, id, value));
    }

    std::unique_ptr<ClapModule> module;
    try
    {
        module = std::make_unique<ClapModule>(argv[1]);
    }
    catch (const std::runtime_error& error)
    {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    const clap_plugin_factory_t* factory = module->factory();
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    static const ClapHost host{"window test host",
                               {{CLAP_EXT_GUI, &kHostGui},
                                {CLAP_EXT_TIMER_SUPPORT, &kHostTimer},
                                {CLAP_EXT_PARAMS, &sorvell::conformance::kClapHostParams},
                                {CLAP_EXT_LATENCY, &sorvell::conformance::kClapHostLatency}}};
    const clap_plugin_t* plugin = factory->create_plugin(factory, host.get(), descriptor->id);
    if (plugin == nullptr || !plugin->init(plugin) || !plugin->activate(plugin, 48000.0, 1, 512))
    {
        return 1;
    }

    std::atomic<bool> running{true};
    std::thread audio(
        [&]
        {
            plugin->start_processing(plugin);
            std::vector<float> buffers[4];
            for (auto& buffer : buffers)
            {
                buffer.assign(512, 0.0f);
            }
            float* inputs[2] = {buffers[0].data(), buffers[1].data()};
            float* outputs[2] = {buffers[2].data(), buffers[3].data()};
            clap_audio_buffer_t in{inputs, nullptr, 2, 0, 0};
            clap_audio_buffer_t out{outputs, nullptr, 2, 0, 0};
            std::vector<ClapEvent> none;
            EventList startEvents;
            startEvents.in.ctx = &gStartEvents;
            EventList noEvents;
            noEvents.in.ctx = &none;
            std::uint32_t state = 1;
            float lowpass = 0.0f;
            std::int64_t time = 0;
            for (bool first = true; running; first = false)
            {
                for (std::size_t i = 0; i < 512; ++i)
                {
                    state = state * 1664525u + 1013904223u;
                    const float white = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
                    lowpass += 0.05f * (white - lowpass); // tilt towards the lows
                    inputs[0][i] = inputs[1][i] = noise ? 0.2f * white + 0.8f * lowpass : 0.0f;
                }
                const clap_process_t process{time,
                                             512,
                                             nullptr,
                                             &in,
                                             &out,
                                             1,
                                             1,
                                             first ? &startEvents.in : &noEvents.in,
                                             &sorvell::conformance::kClapDiscardEvents};
                plugin->process(plugin, &process);
                time += 512;
                std::this_thread::sleep_for(std::chrono::microseconds(10667)); // real time
            }
            plugin->stop_processing(plugin);
        });

    const auto* gui =
        static_cast<const clap_plugin_gui_t*>(plugin->get_extension(plugin, CLAP_EXT_GUI));
    const auto* timer = static_cast<const clap_plugin_timer_support_t*>(
        plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
    std::unique_ptr<sorvell::window_test::HostWindow> hostWindow;
    bool shown = gui != nullptr &&
                 gui->create(plugin, sorvell::window_test::kClapWindowApi, !embed) &&
                 (scale == 1.0 || gui->set_scale(plugin, scale));
    if (shown && embed)
    {
        uint32_t embeddedWidth = 0;
        uint32_t embeddedHeight = 0;
        shown = gui->get_size(plugin, &embeddedWidth, &embeddedHeight);
        if (shown)
        {
            hostWindow =
                std::make_unique<sorvell::window_test::HostWindow>(embeddedWidth, embeddedHeight);
            const clap_window_t parent = hostWindow->clapWindow();
            shown = gui->set_parent(plugin, &parent);
        }
    }
    shown = shown && gui->show(plugin);
    if (!shown)
    {
        std::fprintf(stderr, "no window\n");
    }
    bool resized = true;
    if (shown && width != 0 && !gui->set_size(plugin, width, height))
    {
        std::fprintf(stderr, "the window did not take %ux%u\n", width, height);
        resized = false;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end)
    {
        if (timer != nullptr)
        {
            timer->on_timer(plugin, 1);
        }
        plugin->on_main_thread(plugin);
        sorvell::window_test::dispatchWindowEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    bool embedded = true;
    if (shown && hostWindow != nullptr)
    {
        uint32_t reportedWidth = 0;
        uint32_t reportedHeight = 0;
        gui->get_size(plugin, &reportedWidth, &reportedHeight);
        const auto [childWidth, childHeight] = hostWindow->childSize();
        std::printf("embedded %ux%u\n", childWidth, childHeight);
        embedded = childWidth == reportedWidth && childHeight == reportedHeight && childWidth > 0;
    }
    running = false;
    audio.join();
    if (shown)
    {
        gui->hide(plugin);
        gui->destroy(plugin);
    }
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    return shown && resized && embedded ? 0 : 1;
}
