// The CLAP host: opens the .clap, takes its plugin factory from clap_entry and drives the
// plugin through its params, state, latency and note-ports extensions. Parameter changes and
// MIDI travel as input events inside process(), as hosts send them. The host offers the
// extensions the DPF wrapper looks up (latency, params, thread check, state, log).
#include "ClapHost.h"
#include "PluginInstance.h"

#include "clap/ext/audio-ports.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

namespace sorvell::conformance
{
namespace
{

constexpr const char* kPluginId = "quendra.sorvell";
constexpr size_t kMaxEvents = 512;
static_assert(kMaxEvents >= kEventsPerCall);

const std::thread::id gMainThread = std::this_thread::get_id();

const clap_host_thread_check_t kHostThreadCheck{
    [](const clap_host_t*) { return std::this_thread::get_id() == gMainThread; },
    [](const clap_host_t*) { return std::this_thread::get_id() != gMainThread; }};
const clap_host_state_t kHostState{[](const clap_host_t*) {}};

const ClapHost& host()
{
    static const ClapHost host{"sorvell-conformance",
                               {{CLAP_EXT_LATENCY, &kClapHostLatency},
                                {CLAP_EXT_PARAMS, &kClapHostParams},
                                {CLAP_EXT_THREAD_CHECK, &kHostThreadCheck},
                                {CLAP_EXT_STATE, &kHostState}}};
    return host;
}

// Events are stored in place in one fixed array so that queueing never allocates.
struct EventQueue
{
    std::array<ClapEvent, kMaxEvents> events{};
    uint32_t count = 0;
    clap_input_events_t input{
        this,
        [](const clap_input_events_t* list) { return static_cast<EventQueue*>(list->ctx)->count; },
        [](const clap_input_events_t* list, uint32_t index) -> const clap_event_header_t*
        {
            auto* q = static_cast<EventQueue*>(list->ctx);
            return index < q->count ? &q->events[index].header : nullptr;
        }};

    void push(const ClapEvent& event)
    {
        if (count == kMaxEvents)
        {
            throw std::length_error("more events than the CLAP host's list holds for one call");
        }
        // Hosts deliver events sorted by time; equal times keep their order.
        uint32_t at = count;
        while (at > 0 && events[at - 1].header.time > event.header.time)
        {
            events[at] = events[at - 1];
            --at;
        }
        events[at] = event;
        ++count;
    }
};

// The modules stay loaded for the whole run; at exit their entries are told, as a host does.
std::map<std::string, ClapModule>& modules()
{
    static std::map<std::string, ClapModule> loaded;
    return loaded;
}

const ClapModule& loadModule(const std::string& path)
{
    return modules().try_emplace(path, path).first->second;
}

class ClapInstance final : public PluginInstance
{
public:
    ClapInstance(const std::string& path, double sampleRate, uint32_t maxBlockSize)
    {
        const clap_plugin_factory_t* factory = loadModule(path).factory();
        mPlugin = factory->create_plugin(factory, host().get(), kPluginId);
        if (mPlugin == nullptr || !mPlugin->init(mPlugin))
        {
            throw std::runtime_error(std::string("the CLAP factory did not create ") + kPluginId);
        }
        mParams = static_cast<const clap_plugin_params_t*>(
            mPlugin->get_extension(mPlugin, CLAP_EXT_PARAMS));
        mState = static_cast<const clap_plugin_state_t*>(
            mPlugin->get_extension(mPlugin, CLAP_EXT_STATE));
        mLatency = static_cast<const clap_plugin_latency_t*>(
            mPlugin->get_extension(mPlugin, CLAP_EXT_LATENCY));
        const auto* notes = static_cast<const clap_plugin_note_ports_t*>(
            mPlugin->get_extension(mPlugin, CLAP_EXT_NOTE_PORTS));
        mHasNoteInput = notes != nullptr && notes->count(mPlugin, true) > 0;
        if (mParams == nullptr)
        {
            throw std::runtime_error("the CLAP has no params extension");
        }
        describeParameters();
        if (!activate(sampleRate, maxBlockSize))
        {
            throw std::runtime_error("the CLAP refused activation");
        }
    }

    ~ClapInstance() override
    {
        deactivate();
        mPlugin->destroy(mPlugin);
    }

    Format format() const override { return Format::Clap; }
    const std::vector<ParameterInfo>& parameters() const override { return mParameters; }
    const std::vector<MeterInfo>& meters() const override { return mMeters; }

    bool activate(double sampleRate, uint32_t maxBlockSize) override
    {
        deactivate();
        if (!mPlugin->activate(mPlugin, sampleRate, 1, maxBlockSize))
        {
            return false;
        }
        mActive = true;
        mProcessing = false;
        return true;
    }

    void deactivate() override
    {
        if (mActive)
        {
            if (mProcessing)
            {
                mPlugin->stop_processing(mPlugin);
                mProcessing = false;
            }
            mPlugin->deactivate(mPlugin);
            mActive = false;
        }
    }

    void setParameter(uint32_t index, double value, uint32_t frame) override
    {
        mEvents.push(clapParameterEvent(frame, mIds[index], value, mCookies[index]));
    }

    void sendMidi(const MidiMessage& message) override
    {
        mEvents.push(clapMidiEvent(message.frame, message.bytes));
    }

    void process(const float* const* inputs, float* const* outputs, uint32_t frames) override
    {
        if (!mProcessing)
        {
            mProcessing = mPlugin->start_processing(mPlugin);
        }
        mInputPointers = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
        mOutputPointers = {outputs[0], outputs[1]};
        clap_audio_buffer_t in{mInputPointers.data(), nullptr, 2, 0, 0};
        clap_audio_buffer_t out{mOutputPointers.data(), nullptr, 2, 0, 0};
        clap_process_t process{};
        process.steady_time = mPosition;
        process.frames_count = frames;
        process.audio_inputs = &in;
        process.audio_outputs = &out;
        process.audio_inputs_count = 1;
        process.audio_outputs_count = 1;
        process.in_events = &mEvents.input;
        process.out_events = &kClapDiscardEvents;
        mPlugin->process(mPlugin, &process);
        mPosition += frames;
        mEvents.count = 0;
    }

    std::optional<double> meterValue(uint32_t index) override
    {
        double value = 0.0;
        if (!mParams->get_value(mPlugin, mMeterIds[index], &value))
        {
            return std::nullopt;
        }
        return value;
    }

    double parameterValue(uint32_t index) override
    {
        double value = 0.0;
        mParams->get_value(mPlugin, mIds[index], &value);
        return value;
    }

    std::string valueToText(uint32_t index, double value) override
    {
        char text[256] = {};
        if (!mParams->value_to_text(mPlugin, mIds[index], value, text, sizeof text))
        {
            return "";
        }
        return text;
    }

    std::optional<double> textToValue(uint32_t index, const std::string& text) override
    {
        double value = 0.0;
        if (!mParams->text_to_value(mPlugin, mIds[index], text.c_str(), &value))
        {
            return std::nullopt;
        }
        return value;
    }

    void touchFromMainThread(uint32_t index) override
    {
        double value = 0.0;
        mParams->get_value(mPlugin, mIds[index], &value);
        char text[256];
        mParams->value_to_text(mPlugin, mIds[index], value, text, sizeof text);
    }

    uint32_t latency() override { return mLatency != nullptr ? mLatency->get(mPlugin) : 0; }
    bool hasMidiInput() const override { return mHasNoteInput; }

    std::optional<std::vector<uint8_t>> saveState() override
    {
        if (mState == nullptr)
        {
            return std::nullopt;
        }
        std::vector<uint8_t> bytes;
        clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* buffer, uint64_t size)
                              {
                                  auto* out = static_cast<std::vector<uint8_t>*>(s->ctx);
                                  const auto* data = static_cast<const uint8_t*>(buffer);
                                  out->insert(out->end(), data, data + size);
                                  return static_cast<int64_t>(size);
                              }};
        if (!mState->save(mPlugin, &stream))
        {
            return std::nullopt;
        }
        return bytes;
    }

    bool loadState(const std::vector<uint8_t>& state) override
    {
        if (mState == nullptr)
        {
            return false;
        }
        struct Reader
        {
            const std::vector<uint8_t>* bytes;
            size_t position;
        } reader{&state, 0};
        clap_istream_t stream{&reader, [](const clap_istream_t* s, void* buffer, uint64_t size)
                              {
                                  auto* r = static_cast<Reader*>(s->ctx);
                                  const size_t n = std::min<size_t>(static_cast<size_t>(size),
                                                                    r->bytes->size() - r->position);
                                  if (n > 0) // an empty state has no data pointer at all
                                  {
                                      std::memcpy(buffer, r->bytes->data() + r->position, n);
                                  }
                                  r->position += n;
                                  return static_cast<int64_t>(n);
                              }};
        return mState->load(mPlugin, &stream);
    }

private:
    void describeParameters()
    {
        for (uint32_t i = 0, n = mParams->count(mPlugin); i < n; ++i)
        {
            clap_param_info_t info{};
            if (!mParams->get_info(mPlugin, i, &info))
            {
                continue;
            }
            // DPF puts the parameter's symbol in the module path.
            const std::string module = info.module;
            if ((info.flags & CLAP_PARAM_IS_READONLY) != 0)
            {
                mMeterIds.push_back(info.id);
                mMeters.push_back(
                    {module.substr(module.rfind('/') + 1), info.min_value, info.max_value});
                continue;
            }
            ParameterInfo parameter;
            parameter.name = info.name;
            parameter.symbol = module.substr(module.rfind('/') + 1);
            parameter.bypass = (info.flags & CLAP_PARAM_IS_BYPASS) != 0;
            if (parameter.bypass)
            {
                parameter.symbol = "bypass";
            }
            parameter.minimum = info.min_value;
            parameter.maximum = info.max_value;
            parameter.defaultValue = info.default_value;
            parameter.integer = (info.flags & CLAP_PARAM_IS_STEPPED) != 0;
            if (parameter.integer && !parameter.bypass)
            {
                // A stepped parameter whose every step has a word of its own is an enumeration.
                std::vector<std::string> words;
                for (double v = info.min_value; v <= info.max_value && words.size() < 64; v += 1.0)
                {
                    char text[256] = {};
                    mParams->value_to_text(mPlugin, info.id, v, text, sizeof text);
                    words.emplace_back(text);
                }
                const bool textual = std::all_of(
                    words.begin(), words.end(),
                    [](const std::string& w)
                    { return !w.empty() && std::isalpha(static_cast<unsigned char>(w[0])); });
                if (textual)
                {
                    parameter.labels = words;
                }
            }
            mIds.push_back(info.id);
            mCookies.push_back(info.cookie);
            mParameters.push_back(std::move(parameter));
        }
    }

    const clap_plugin_t* mPlugin = nullptr;
    const clap_plugin_params_t* mParams = nullptr;
    const clap_plugin_state_t* mState = nullptr;
    const clap_plugin_latency_t* mLatency = nullptr;
    bool mHasNoteInput = false;
    bool mActive = false;
    bool mProcessing = false;
    int64_t mPosition = 0;
    std::vector<clap_id> mIds;
    std::vector<void*> mCookies;
    std::vector<ParameterInfo> mParameters;
    std::vector<clap_id> mMeterIds;
    std::vector<MeterInfo> mMeters;
    EventQueue mEvents;
    std::array<float*, 2> mInputPointers{};
    std::array<float*, 2> mOutputPointers{};
};

} // namespace

void unloadClapModules()
{
    modules().clear();
}

std::unique_ptr<PluginInstance> instantiateClap(const std::string& path, double sampleRate,
                                                uint32_t maxBlockSize)
{
    return std::make_unique<ClapInstance>(path, sampleRate, maxBlockSize);
}

} // namespace sorvell::conformance
