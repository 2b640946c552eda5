// A small CLAP host that opens a plugin's window: loads the module, activates the plugin at
// 48 kHz, processes audio on its own thread (pink-ish noise, or silence), shows the window
// floating, drives the plugin's timer from the main thread, and closes everything after the
// given time. Parameter values given on the command line reach the plugin as events in the
// first processed block, as host automation would, and note=N a MIDI note-on after them.
//   clap_window_host PLUGIN.clap SECONDS noise|silence [PARAM_ID=VALUE ...] [note=N]
#include "clap/entry.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{

union Event
{
    clap_event_header_t header;
    clap_event_param_value_t param;
    clap_event_midi_t midi;
};
std::vector<Event> gStartEvents;

const void* hostExtension(const clap_host_t*, const char* id)
{
    static const clap_host_gui_t gui{
        [](const clap_host_t*) {}, [](const clap_host_t*, uint32_t, uint32_t) { return true; },
        [](const clap_host_t*) { return true; }, [](const clap_host_t*) { return true; },
        [](const clap_host_t*, bool) {}};
    static const clap_host_timer_support_t timer{[](const clap_host_t*, uint32_t, clap_id* timerId)
                                                 {
                                                     *timerId = 1;
                                                     return true;
                                                 },
                                                 [](const clap_host_t*, clap_id) { return true; }};
    static const clap_host_params_t params{
        [](const clap_host_t*, clap_param_rescan_flags) {},
        [](const clap_host_t*, clap_id, clap_param_clear_flags) {}, [](const clap_host_t*) {}};
    static const clap_host_latency_t latency{[](const clap_host_t*) {}};
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
    {
        return &gui;
    }
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
    {
        return &timer;
    }
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
    {
        return &params;
    }
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0)
    {
        return &latency;
    }
    return nullptr;
}

struct EventList
{
    clap_input_events_t in{
        nullptr,
        [](const clap_input_events_t* list) -> uint32_t
        {
            auto* events = static_cast<std::vector<Event>*>(list->ctx);
            return static_cast<uint32_t>(events->size());
        },
        [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t*
        {
            auto* events = static_cast<std::vector<Event>*>(list->ctx);
            return &(*events)[index].header;
        }};
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: clap_window_host PLUGIN.clap SECONDS noise|silence "
                             "[PARAM_ID=VALUE ...]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const bool noise = std::strcmp(argv[3], "noise") == 0;
    for (int i = 4; i < argc; ++i)
    {
        unsigned note = 0;
        if (std::sscanf(argv[i], "note=%u", &note) == 1)
        {
            Event midi{};
            midi.midi.header = {sizeof(clap_event_midi_t), 0, CLAP_CORE_EVENT_SPACE_ID,
                                CLAP_EVENT_MIDI, 0};
            midi.midi.data[0] = 0x90;
            midi.midi.data[1] = static_cast<std::uint8_t>(note);
            midi.midi.data[2] = 100;
            gStartEvents.push_back(midi);
            continue;
        }
        clap_event_param_value_t event{};
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        if (std::sscanf(argv[i], "%u=%lf", &event.param_id, &event.value) != 2)
        {
            return 2;
        }
        Event param{};
        param.param = event;
        gStartEvents.push_back(param);
    }

    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
    {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(module, "clap_entry"));
    if (entry == nullptr || !entry->init(argv[1]))
    {
        return 1;
    }
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    static const clap_host_t host{CLAP_VERSION,
                                  nullptr,
                                  "window test host",
                                  "Quendra",
                                  "",
                                  "1",
                                  hostExtension,
                                  [](const clap_host_t*) {},
                                  [](const clap_host_t*) {},
                                  [](const clap_host_t*) {}};
    const clap_plugin_t* plugin = factory->create_plugin(factory, &host, descriptor->id);
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
            std::vector<Event> none;
            EventList startEvents;
            startEvents.in.ctx = &gStartEvents;
            EventList noEvents;
            noEvents.in.ctx = &none;
            const clap_output_events_t outEvents{
                nullptr,
                [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
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
                const clap_process_t process{
                    time,      512, nullptr, &in,
                    &out,      1,   1,       first ? &startEvents.in : &noEvents.in,
                    &outEvents};
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
    bool shown =
        gui != nullptr && gui->create(plugin, CLAP_WINDOW_API_X11, true) && gui->show(plugin);
    if (!shown)
    {
        std::fprintf(stderr, "no window\n");
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end)
    {
        if (timer != nullptr)
        {
            timer->on_timer(plugin, 1);
        }
        plugin->on_main_thread(plugin);
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
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
    entry->deinit();
    dlclose(module);
    return shown ? 0 : 1;
}
