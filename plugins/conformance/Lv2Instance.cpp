// The LV2 host: lilv loads the bundle, and the instance gets the features a DPF plugin asks
// for (URID map and unmap, options with the block length bounds, bounded block length).
// Control inputs are host memory written before each run; MIDI goes through an atom
// sequence port; the latency comes from the port that reports it.
#include "PluginInstance.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

namespace sorvell::conformance
{
namespace
{

constexpr const char* kPluginUri = "urn:quendra:sorvell";
constexpr uint32_t kAtomBufferBytes = 8192;
// A MIDI event takes 24 bytes of the sequence: kEventsPerCall of them always fit.
static_assert(kAtomBufferBytes >= sizeof(LV2_Atom_Sequence) + kEventsPerCall * 24);

// URIDs shared by every instance; lilv and the plugin may map from any thread.
class UridTable
{
public:
    LV2_URID map(const char* uri)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        auto [it, inserted] = mIds.try_emplace(uri, static_cast<LV2_URID>(mUris.size() + 1));
        if (inserted)
        {
            mUris.push_back(it->first);
        }
        return it->second;
    }
    const char* unmap(LV2_URID id)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return id >= 1 && id <= mUris.size() ? mUris[id - 1].c_str() : nullptr;
    }

    LV2_URID_Map mapFeature{this, [](LV2_URID_Map_Handle h, const char* uri)
                            { return static_cast<UridTable*>(h)->map(uri); }};
    LV2_URID_Unmap unmapFeature{this, [](LV2_URID_Unmap_Handle h, LV2_URID id)
                                { return static_cast<UridTable*>(h)->unmap(id); }};

private:
    std::mutex mMutex;
    std::map<std::string, LV2_URID> mIds;
    std::vector<std::string> mUris;
};

UridTable& urids()
{
    static UridTable table;
    return table;
}

LilvWorld* world()
{
    static LilvWorld* instance = lilv_world_new();
    return instance;
}

struct Node
{
    explicit Node(LilvNode* node) : node(node) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

enum class PortKind
{
    AudioIn,
    AudioOut,
    ControlIn,
    ControlOut,
    AtomIn,
    AtomOut,
    Other,
};

class Lv2Instance final : public PluginInstance
{
public:
    Lv2Instance(const std::string& bundlePath, double sampleRate, uint32_t maxBlockSize)
        : mRate(sampleRate), mMaxBlock(maxBlockSize)
    {
        std::string path = bundlePath;
        if (path.empty() || path.back() != '/')
        {
            path += '/';
        }
        // A host loads a bundle once and instantiates from it many times.
        static std::set<std::string> loaded;
        if (loaded.insert(path).second)
        {
            Node bundle(lilv_new_file_uri(world(), nullptr, path.c_str()));
            lilv_world_load_bundle(world(), bundle.node);
        }
        Node uri(lilv_new_uri(world(), kPluginUri));
        mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world()), uri.node);
        if (mPlugin == nullptr)
        {
            throw std::runtime_error(std::string("no plugin ") + kPluginUri + " in " + bundlePath);
        }
        describePorts();
        instantiateAndConnect();
    }

    ~Lv2Instance() override
    {
        if (mInstance != nullptr)
        {
            if (mActive)
            {
                lilv_instance_deactivate(mInstance);
            }
            lilv_instance_free(mInstance);
        }
    }

    Format format() const override { return Format::Lv2; }
    const std::vector<ParameterInfo>& parameters() const override { return mParameters; }
    const std::vector<MeterInfo>& meters() const override { return mMeters; }

    bool activate(double sampleRate, uint32_t maxBlockSize) override
    {
        if (sampleRate != mRate || maxBlockSize > mMaxBlock)
        {
            return false;
        }
        if (!mActive)
        {
            lilv_instance_activate(mInstance);
            mActive = true;
        }
        return true;
    }

    void deactivate() override
    {
        if (mActive)
        {
            lilv_instance_deactivate(mInstance);
            mActive = false;
        }
    }

    void setParameter(uint32_t index, double value, uint32_t) override
    {
        // A control port holds one value per run: the host writes it before the call.
        mControls[mParameterPorts[index]] =
            static_cast<float>(mParameters[index].bypass ? 1.0 - value : value);
    }

    void sendMidi(const MidiMessage& message) override { mPendingMidi.push_back(message); }

    void process(const float* const* inputs, float* const* outputs, uint32_t frames) override
    {
        fillMidiSequence();
        int audioIn = 0;
        int audioOut = 0;
        for (uint32_t port = 0; port < mKinds.size(); ++port)
        {
            if (mKinds[port] == PortKind::AudioIn)
            {
                lilv_instance_connect_port(mInstance, port, const_cast<float*>(inputs[audioIn++]));
            }
            else if (mKinds[port] == PortKind::AudioOut)
            {
                lilv_instance_connect_port(mInstance, port, outputs[audioOut++]);
            }
        }
        lilv_instance_run(mInstance, frames);
        resetOutputSequence();
    }

    std::optional<double> meterValue(uint32_t index) override
    {
        const float value = mControls[mMeterPorts[index]];
        return std::isnan(value) ? std::nullopt : std::optional<double>(value);
    }

    double parameterValue(uint32_t index) override
    {
        const float port = mControls[mParameterPorts[index]];
        return mParameters[index].bypass ? 1.0 - port : port;
    }

    std::string valueToText(uint32_t index, double value) override
    {
        // LV2 offers texts only as scale points; other values show as numbers.
        const ParameterInfo& info = mParameters[index];
        const long step = std::lround(value - info.minimum);
        if (!info.labels.empty() && step >= 0 && step < static_cast<long>(info.labels.size()))
        {
            return info.labels[static_cast<size_t>(step)];
        }
        char text[64];
        std::snprintf(text, sizeof text, "%.9g", value);
        return text;
    }

    std::optional<double> textToValue(uint32_t index, const std::string& text) override
    {
        const ParameterInfo& info = mParameters[index];
        for (size_t i = 0; i < info.labels.size(); ++i)
        {
            if (info.labels[i] == text)
            {
                return info.minimum + static_cast<double>(i);
            }
        }
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        return end != text.c_str() ? std::optional<double>(value) : std::nullopt;
    }

    void touchFromMainThread(uint32_t) override
    {
        // LV2 control ports are host memory: a host's editor reads its own copy.
    }

    uint32_t latency() override
    {
        return mLatencyPort >= 0 ? static_cast<uint32_t>(mControls[mLatencyPort]) : 0;
    }

    bool hasMidiInput() const override { return mMidiPort >= 0; }

    std::optional<std::vector<uint8_t>> saveState() override
    {
        LilvState* state = lilv_state_new_from_instance(
            mPlugin, mInstance, &urids().mapFeature, nullptr, nullptr, nullptr, nullptr,
            &Lv2Instance::portValue, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, mFeatures);
        if (state == nullptr)
        {
            return std::nullopt;
        }
        char* text = lilv_state_to_string(world(), &urids().mapFeature, &urids().unmapFeature,
                                          state, "urn:quendra:conformance:state", nullptr);
        lilv_state_free(state);
        if (text == nullptr)
        {
            return std::nullopt;
        }
        std::vector<uint8_t> bytes(text, text + std::strlen(text));
        lilv_free(text);
        return bytes;
    }

    bool loadState(const std::vector<uint8_t>& bytes) override
    {
        const std::string text(bytes.begin(), bytes.end());
        LilvState* state = lilv_state_new_from_string(world(), &urids().mapFeature, text.c_str());
        if (state == nullptr)
        {
            return false;
        }
        lilv_state_restore(state, mInstance, &Lv2Instance::setPortValue, this, 0, mFeatures);
        lilv_state_free(state);
        return true;
    }

private:
    static const void* portValue(const char* symbol, void* self, uint32_t* size, uint32_t* type)
    {
        auto* host = static_cast<Lv2Instance*>(self);
        for (uint32_t port = 0; port < host->mKinds.size(); ++port)
        {
            if (host->mKinds[port] == PortKind::ControlIn && host->mSymbols[port] == symbol)
            {
                *size = sizeof(float);
                *type = urids().map(LV2_ATOM__Float);
                return &host->mControls[port];
            }
        }
        *size = 0;
        *type = 0;
        return nullptr;
    }

    static void setPortValue(const char* symbol, void* self, const void* value, uint32_t size,
                             uint32_t type)
    {
        auto* host = static_cast<Lv2Instance*>(self);
        float number = 0.0f;
        if (type == urids().map(LV2_ATOM__Float) && size == sizeof(float))
        {
            std::memcpy(&number, value, sizeof number);
        }
        else if (type == urids().map(LV2_ATOM__Double) && size == sizeof(double))
        {
            double wide;
            std::memcpy(&wide, value, sizeof wide);
            number = static_cast<float>(wide);
        }
        else if (type == urids().map(LV2_ATOM__Int) && size == sizeof(int32_t))
        {
            int32_t integer;
            std::memcpy(&integer, value, sizeof integer);
            number = static_cast<float>(integer);
        }
        else
        {
            return;
        }
        for (uint32_t port = 0; port < host->mKinds.size(); ++port)
        {
            if (host->mKinds[port] == PortKind::ControlIn && host->mSymbols[port] == symbol)
            {
                host->mControls[port] = number;
            }
        }
    }

    void describePorts()
    {
        Node audio(lilv_new_uri(world(), LV2_CORE__AudioPort));
        Node control(lilv_new_uri(world(), LV2_CORE__ControlPort));
        Node input(lilv_new_uri(world(), LV2_CORE__InputPort));
        Node atom(lilv_new_uri(world(), LV2_ATOM__AtomPort));
        Node midiEvent(lilv_new_uri(world(), LV2_MIDI__MidiEvent));
        Node reportsLatency(lilv_new_uri(world(), LV2_CORE__reportsLatency));
        Node integer(lilv_new_uri(world(), LV2_CORE__integer));
        Node toggled(lilv_new_uri(world(), LV2_CORE__toggled));
        Node enabled(lilv_new_uri(world(), LV2_CORE__enabled));
        Node designation(lilv_new_uri(world(), LV2_CORE__designation));

        const uint32_t count = lilv_plugin_get_num_ports(mPlugin);
        mKinds.assign(count, PortKind::Other);
        mSymbols.assign(count, "");
        mControls.assign(count, 0.0f);
        for (uint32_t port = 0; port < count; ++port)
        {
            const LilvPort* p = lilv_plugin_get_port_by_index(mPlugin, port);
            mSymbols[port] = lilv_node_as_string(lilv_port_get_symbol(mPlugin, p));
            const bool isInput = lilv_port_is_a(mPlugin, p, input.node);
            if (lilv_port_is_a(mPlugin, p, audio.node))
            {
                mKinds[port] = isInput ? PortKind::AudioIn : PortKind::AudioOut;
            }
            else if (lilv_port_is_a(mPlugin, p, atom.node))
            {
                mKinds[port] = isInput ? PortKind::AtomIn : PortKind::AtomOut;
                if (isInput && lilv_port_supports_event(mPlugin, p, midiEvent.node))
                {
                    mMidiPort = static_cast<int>(port);
                }
            }
            else if (lilv_port_is_a(mPlugin, p, control.node))
            {
                mKinds[port] = isInput ? PortKind::ControlIn : PortKind::ControlOut;
                if (!isInput && lilv_port_has_property(mPlugin, p, reportsLatency.node))
                {
                    mLatencyPort = static_cast<int>(port);
                }
                else if (!isInput)
                {
                    describeMeter(port, p);
                }
                if (isInput)
                {
                    describeParameter(port, p, integer.node, toggled.node, enabled.node,
                                      designation.node);
                }
            }
        }
    }

    void describeMeter(uint32_t port, const LilvPort* p)
    {
        LilvNode* min = nullptr;
        LilvNode* max = nullptr;
        lilv_port_get_range(mPlugin, p, nullptr, &min, &max);
        MeterInfo info;
        info.symbol = mSymbols[port];
        info.minimum = min != nullptr ? lilv_node_as_float(min) : 0.0;
        info.maximum = max != nullptr ? lilv_node_as_float(max) : 1.0;
        lilv_node_free(min);
        lilv_node_free(max);
        // NaN until the plugin writes the port.
        mControls[port] = std::numeric_limits<float>::quiet_NaN();
        mMeterPorts.push_back(port);
        mMeters.push_back(std::move(info));
    }

    void describeParameter(uint32_t port, const LilvPort* p, const LilvNode* integer,
                           const LilvNode* toggled, const LilvNode* enabled,
                           const LilvNode* designation)
    {
        LilvNode* def = nullptr;
        LilvNode* min = nullptr;
        LilvNode* max = nullptr;
        lilv_port_get_range(mPlugin, p, &def, &min, &max);
        ParameterInfo info;
        info.symbol = mSymbols[port];
        LilvNode* name = lilv_port_get_name(mPlugin, p);
        info.name = name != nullptr ? lilv_node_as_string(name) : info.symbol;
        lilv_node_free(name);
        info.minimum = min != nullptr ? lilv_node_as_float(min) : 0.0;
        info.maximum = max != nullptr ? lilv_node_as_float(max) : 1.0;
        info.defaultValue = def != nullptr ? lilv_node_as_float(def) : info.minimum;
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);
        info.integer = lilv_port_has_property(mPlugin, p, integer) ||
                       lilv_port_has_property(mPlugin, p, toggled);
        LilvNodes* designations = lilv_port_get_value(mPlugin, p, designation);
        if (designations != nullptr && lilv_nodes_contains(designations, enabled))
        {
            // The host's "enabled" port is the plugin's bypass, inverted.
            info.bypass = true;
            info.symbol = "bypass";
            info.defaultValue = 1.0 - info.defaultValue;
        }
        lilv_nodes_free(designations);
        if (LilvScalePoints* points = lilv_port_get_scale_points(mPlugin, p))
        {
            std::map<long, std::string> byValue;
            LILV_FOREACH(scale_points, it, points)
            {
                const LilvScalePoint* point = lilv_scale_points_get(points, it);
                byValue[std::lround(lilv_node_as_float(lilv_scale_point_get_value(point)))] =
                    lilv_node_as_string(lilv_scale_point_get_label(point));
            }
            for (auto& [value, label] : byValue)
            {
                info.labels.push_back(label);
            }
            lilv_scale_points_free(points);
        }
        mControls[port] =
            static_cast<float>(info.bypass ? 1.0 - info.defaultValue : info.defaultValue);
        mParameterPorts.push_back(port);
        mParameters.push_back(std::move(info));
    }

    void instantiateAndConnect()
    {
        UridTable& table = urids();
        mBlockBound = static_cast<int32_t>(mMaxBlock);
        mRateOption = static_cast<float>(mRate);
        const LV2_URID intType = table.map(LV2_ATOM__Int);
        mOptions[0] = {LV2_OPTIONS_INSTANCE, 0,       table.map(LV2_BUF_SIZE__minBlockLength),
                       sizeof(int32_t),      intType, &mZero};
        mOptions[1] = {LV2_OPTIONS_INSTANCE, 0,       table.map(LV2_BUF_SIZE__maxBlockLength),
                       sizeof(int32_t),      intType, &mBlockBound};
        mOptions[2] = {LV2_OPTIONS_INSTANCE, 0,       table.map(LV2_BUF_SIZE__nominalBlockLength),
                       sizeof(int32_t),      intType, &mBlockBound};
        mOptions[3] = {LV2_OPTIONS_INSTANCE,
                       0,
                       table.map(LV2_PARAMETERS__sampleRate),
                       sizeof(float),
                       table.map(LV2_ATOM__Float),
                       &mRateOption};
        mOptions[4] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};

        mFeatureList[0] = {LV2_URID__map, &table.mapFeature};
        mFeatureList[1] = {LV2_URID__unmap, &table.unmapFeature};
        mFeatureList[2] = {LV2_OPTIONS__options, mOptions};
        mFeatureList[3] = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
        for (int i = 0; i < 4; ++i)
        {
            mFeatures[i] = &mFeatureList[i];
        }
        mFeatures[4] = nullptr;

        mInstance = lilv_plugin_instantiate(mPlugin, mRate, mFeatures);
        if (mInstance == nullptr)
        {
            throw std::runtime_error("lilv could not instantiate the LV2");
        }
        mAtomIn.assign(kAtomBufferBytes / sizeof(uint64_t), 0);
        mAtomOut.assign(kAtomBufferBytes / sizeof(uint64_t), 0);
        for (uint32_t port = 0; port < mKinds.size(); ++port)
        {
            switch (mKinds[port])
            {
            case PortKind::ControlIn:
            case PortKind::ControlOut:
                lilv_instance_connect_port(mInstance, port, &mControls[port]);
                break;
            case PortKind::AtomIn:
                lilv_instance_connect_port(mInstance, port, mAtomIn.data());
                break;
            case PortKind::AtomOut:
                lilv_instance_connect_port(mInstance, port, mAtomOut.data());
                break;
            default:
                break;
            }
        }
        fillMidiSequence();
        resetOutputSequence();
        lilv_instance_activate(mInstance);
        mActive = true;
    }

    void fillMidiSequence()
    {
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(mAtomIn.data());
        sequence->atom.type = mSequenceType;
        sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
        sequence->body.unit = 0;
        sequence->body.pad = 0;
        for (const MidiMessage& message : mPendingMidi)
        {
            if (sizeof(LV2_Atom) + sequence->atom.size +
                    lv2_atom_pad_size(sizeof(LV2_Atom_Event) + 3) >
                kAtomBufferBytes)
            {
                mPendingMidi.clear();
                throw std::length_error("more MIDI than the LV2 host's sequence holds for one run");
            }
            auto* event = reinterpret_cast<LV2_Atom_Event*>(
                reinterpret_cast<uint8_t*>(LV2_ATOM_CONTENTS(LV2_Atom_Sequence, sequence)) +
                (sequence->atom.size - sizeof(LV2_Atom_Sequence_Body)));
            event->time.frames = message.frame;
            event->body.type = mMidiType;
            event->body.size =
                (message.bytes[0] & 0xF0) == 0xC0 || (message.bytes[0] & 0xF0) == 0xD0 ? 2 : 3;
            std::memcpy(event + 1, message.bytes, event->body.size);
            sequence->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + event->body.size);
        }
        mPendingMidi.clear();
    }

    void resetOutputSequence()
    {
        // The plugin may write an output sequence: give it the whole buffer again.
        auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(mAtomOut.data());
        sequence->atom.type = mChunkType;
        sequence->atom.size = kAtomBufferBytes - sizeof(LV2_Atom);
    }

    double mRate;
    uint32_t mMaxBlock;
    const LilvPlugin* mPlugin = nullptr;
    LilvInstance* mInstance = nullptr;
    bool mActive = false;

    std::vector<PortKind> mKinds;
    std::vector<std::string> mSymbols;
    std::vector<float> mControls; // one value per port; only control ports use theirs
    std::vector<uint32_t> mParameterPorts;
    std::vector<ParameterInfo> mParameters;
    std::vector<uint32_t> mMeterPorts;
    std::vector<MeterInfo> mMeters;
    int mLatencyPort = -1;
    int mMidiPort = -1;
    std::vector<uint64_t> mAtomIn;
    std::vector<uint64_t> mAtomOut;
    std::vector<MidiMessage> mPendingMidi;

    // Mapped once: mapping takes a lock and may allocate, which process() must not.
    const LV2_URID mSequenceType = urids().map(LV2_ATOM__Sequence);
    const LV2_URID mMidiType = urids().map(LV2_MIDI__MidiEvent);
    const LV2_URID mChunkType = urids().map(LV2_ATOM__Chunk);
    int32_t mZero = 0;
    int32_t mBlockBound = 0;
    float mRateOption = 0.0f;
    LV2_Options_Option mOptions[5];
    LV2_Feature mFeatureList[4];
    const LV2_Feature* mFeatures[5];
};

} // namespace

std::unique_ptr<PluginInstance> instantiateLv2(const std::string& bundlePath, double sampleRate,
                                               uint32_t maxBlockSize)
{
    return std::make_unique<Lv2Instance>(bundlePath, sampleRate, maxBlockSize);
}

} // namespace sorvell::conformance
