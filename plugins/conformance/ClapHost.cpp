#include "ClapHost.h"

#include "AllocationCounter.h"
#include "tessel/host/SharedLibrary.h"

#include <cstring>
#include <stdexcept>

namespace sorvell::conformance
{

ClapModule::ClapModule(const std::string& path)
{
    std::string reason;
    void* library = tessel::host::openSharedLibrary(path, reason);
    if (library == nullptr)
    {
        throw std::runtime_error("cannot load " + path + ": " + reason);
    }
    sorvell::testing::countAllocationsIn(library);
    mEntry = static_cast<const clap_plugin_entry_t*>(
        tessel::host::sharedLibrarySymbol(library, "clap_entry"));
    if (mEntry == nullptr || !mEntry->init(path.c_str()))
    {
        throw std::runtime_error("no usable clap_entry in " + path);
    }
    mFactory =
        static_cast<const clap_plugin_factory_t*>(mEntry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (mFactory == nullptr)
    {
        mEntry->deinit();
        throw std::runtime_error("the CLAP offers no plugin factory");
    }
}

ClapModule::~ClapModule()
{
    mEntry->deinit();
}

ClapHost::ClapHost(const char* name, std::vector<ClapHostExtension> extensions)
    : mExtensions(std::move(extensions)),
      mHost{CLAP_VERSION_INIT,
            this,
            name,
            "Quendra",
            "",
            "1",
            [](const clap_host_t* host, const char* id) -> const void*
            {
                for (const auto& extension :
                     static_cast<const ClapHost*>(host->host_data)->mExtensions)
                {
                    if (std::strcmp(id, extension.id) == 0)
                    {
                        return extension.table;
                    }
                }
                return nullptr;
            },
            [](const clap_host_t*) {},
            [](const clap_host_t*) {},
            [](const clap_host_t*) {}}
{
}

const clap_host_params_t kClapHostParams{[](const clap_host_t*, clap_param_rescan_flags) {},
                                         [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                         [](const clap_host_t*) {}};
const clap_host_latency_t kClapHostLatency{[](const clap_host_t*) {}};
const clap_output_events_t kClapDiscardEvents{
    nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};

ClapEvent clapParameterEvent(uint32_t frame, clap_id id, double value, void* cookie)
{
    ClapEvent event{};
    event.param.header = {sizeof(clap_event_param_value_t), frame, CLAP_CORE_EVENT_SPACE_ID,
                          CLAP_EVENT_PARAM_VALUE, 0};
    event.param.param_id = id;
    event.param.cookie = cookie;
    event.param.note_id = -1;
    event.param.port_index = -1;
    event.param.channel = -1;
    event.param.key = -1;
    event.param.value = value;
    return event;
}

ClapEvent clapMidiEvent(uint32_t frame, const uint8_t (&bytes)[3])
{
    ClapEvent event{};
    event.midi.header = {sizeof(clap_event_midi_t), frame, CLAP_CORE_EVENT_SPACE_ID,
                         CLAP_EVENT_MIDI, 0};
    event.midi.port_index = 0;
    std::memcpy(event.midi.data, bytes, 3);
    return event;
}

} // namespace sorvell::conformance
