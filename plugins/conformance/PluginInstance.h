// The host's view of one loaded plugin instance, the same for every plugin format.
// Each format adapter (LV2, VST3, CLAP) loads a bundle the way a host does and drives it
// through this interface, so every check runs unchanged on every format.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvell::conformance
{

struct ParameterInfo
{
    std::string symbol; // stable key: automation and state are keyed by it
    std::string name;
    double minimum = 0.0;
    double maximum = 1.0;
    double defaultValue = 0.0;
    bool integer = false;
    bool bypass = false;
    std::vector<std::string> labels; // enumeration names, one per integer value from the minimum
};

// A value the plugin reports and the host only reads (an output parameter or port).
struct MeterInfo
{
    std::string symbol;
    double minimum = 0.0;
    double maximum = 1.0;
};

// A MIDI message of up to three bytes at a frame offset inside the next process call.
struct MidiMessage
{
    uint32_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
};

enum class Format
{
    Lv2,
    Vst3,
    Clap,
};

const char* formatName(Format format);

// Events (parameter changes and MIDI) that every format's instance keeps for one process call,
// as a host's event list has a fixed size; more throws std::length_error rather than losing one.
constexpr uint32_t kEventsPerCall = 64;

class PluginInstance
{
public:
    virtual ~PluginInstance() = default;

    virtual Format format() const = 0;
    virtual const std::vector<ParameterInfo>& parameters() const = 0;
    virtual const std::vector<MeterInfo>& meters() const = 0;

    // Prepares processing at a rate and largest block size, as a host does before its first
    // process call. Returns false when the format cannot do it on a live instance (LV2 fixes
    // the rate when it instantiates).
    virtual bool activate(double sampleRate, uint32_t maxBlockSize) = 0;
    virtual void deactivate() = 0;

    // Queues a parameter change (plain value) for the next process call at a frame offset.
    virtual void setParameter(uint32_t index, double value, uint32_t frame = 0) = 0;
    // Queues a MIDI message for the next process call.
    virtual void sendMidi(const MidiMessage& message) = 0;
    // Runs one block of stereo audio; frames may be 0 (a call that only carries events).
    // Inputs may be the same buffers as outputs.
    virtual void process(const float* const* inputs, float* const* outputs, uint32_t frames) = 0;

    // The value the plugin reports for a parameter (LV2: the host's control port).
    virtual double parameterValue(uint32_t index) = 0;
    // The newest value the plugin reported for a meter; none before it reported one.
    virtual std::optional<double> meterValue(uint32_t index) = 0;
    virtual std::string valueToText(uint32_t index, double value) = 0;
    virtual std::optional<double> textToValue(uint32_t index, const std::string& text) = 0;
    // What a host's generic editor does from its own thread while audio runs: read a value and
    // its text. Safe to call concurrently with process().
    virtual void touchFromMainThread(uint32_t index) = 0;

    virtual uint32_t latency() = 0;
    virtual bool hasMidiInput() const = 0;

    virtual std::optional<std::vector<uint8_t>> saveState() = 0;
    // False when the plugin refuses the state.
    virtual bool loadState(const std::vector<uint8_t>& state) = 0;

    // A parameter's index by symbol, or -1.
    int indexOf(const std::string& symbol) const;
};

// Loads the bundle of a format and instantiates it at a rate and largest block size, ready
// to process. Throws std::runtime_error with the host's reason when it cannot.
std::unique_ptr<PluginInstance> instantiate(Format format, const std::string& bundlePath,
                                            double sampleRate, uint32_t maxBlockSize);

// Lets go of every loaded VST3 and CLAP module (factory released, module told to exit), as
// a host does before it quits: the modules' own globals are still alive then. No instance
// may be left.
void unloadModules();

} // namespace sorvell::conformance
