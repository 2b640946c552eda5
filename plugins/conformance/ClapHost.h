// What every CLAP host of ours needs before it drives a plugin: the module loaded with its
// entry initialised and its plugin factory found, a clap_host_t offering the extensions the
// host picks, and events built in place (parameter values and MIDI) ready to queue.
#pragma once

#include "clap/entry.h"
#include "clap/events.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/host.h"
#include "clap/plugin-factory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorvell::conformance
{

// One loaded .clap. Throws std::runtime_error when the file does not load or offers no
// usable entry or factory. The entry is told at destruction; the library itself stays mapped
// until the process ends, since the plugin's static data may outlive the entry.
class ClapModule
{
public:
    explicit ClapModule(const std::string& path);
    const clap_plugin_factory_t* factory() const { return mFactory; }

    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

private:
    const clap_plugin_entry_t* mEntry = nullptr;
    const clap_plugin_factory_t* mFactory = nullptr;
};

struct ClapHostExtension
{
    const char* id;
    const void* table;
};

// A host that offers exactly the given extensions; its restart, process and callback requests
// do nothing, since our hosts restart, process and call back on their own schedule.
class ClapHost
{
public:
    ClapHost(const char* name, std::vector<ClapHostExtension> extensions);
    ClapHost(const ClapHost&) = delete;
    ClapHost& operator=(const ClapHost&) = delete;

    const clap_host_t* get() const { return &mHost; }

private:
    std::vector<ClapHostExtension> mExtensions;
    clap_host_t mHost;
};

// Extension tables with nothing to do: no parameters to rescan or flush, no latency to re-read.
extern const clap_host_params_t kClapHostParams;
extern const clap_host_latency_t kClapHostLatency;

// Output events the host has no use for.
extern const clap_output_events_t kClapDiscardEvents;

// Any event our hosts send, stored in place so that a fixed array of them holds any mix.
union ClapEvent
{
    clap_event_header_t header;
    clap_event_param_value_t param;
    clap_event_midi_t midi;
};

// A parameter change at `frame`, for every note, port, channel and key.
ClapEvent clapParameterEvent(uint32_t frame, clap_id id, double value, void* cookie = nullptr);
// A MIDI message at `frame` on the first note port.
ClapEvent clapMidiEvent(uint32_t frame, const uint8_t (&bytes)[3]);

} // namespace sorvell::conformance
