// Sorvell as a plugin of the DISTRHO framework: parameters from the shared table plus bypass and
// pitch source, 1536 samples of latency, MIDI input; the audio work is SorvellProcessor's.
#include "DistrhoPlugin.hpp"
#include "DistrhoPluginUtils.hpp"

#include "AnalysisSource.h"
#include "PluginParameterIndex.h"
#include "SorvellProcessor.h"
#include "TuningState.h"
#include "factory_presets.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

START_NAMESPACE_DISTRHO

namespace
{

using quendra::plugin::kBypassIndex;
using quendra::plugin::kFreezeIndex;
using quendra::plugin::kGainReductionFloorDb;
using quendra::plugin::kGainReductionParameter;
using quendra::plugin::kPitchSourceIndex;
using quendra::plugin::kPluginParameterCount;
using quendra::plugin::processorIndex;
using quendra::plugin::SorvellProcessor;

String text(std::string_view view)
{
    return String(std::string(view).c_str());
}

void setEnumeration(Parameter& parameter, std::span<const std::string_view> names)
{
    auto* values = new ParameterEnumerationValue[names.size()];
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        values[i].value = static_cast<float>(i);
        values[i].label = text(names[i]);
    }
    parameter.enumValues.count = static_cast<uint8_t>(names.size());
    parameter.enumValues.restrictedMode = true;
    parameter.enumValues.values = values;
}

} // namespace

class SorvellPlugin : public Plugin, public quendra::plugin::AnalysisSource
{
public:
    SorvellPlugin()
        : Plugin(kPluginParameterCount, DISTRHO_PLUGIN_WANT_PROGRAMS ? programCount() : 0,
                 DISTRHO_PLUGIN_WANT_STATE ? quendra::plugin::kTuningStateCount : 0),
          mProcessor(getSampleRate())
    {
        setLatency(SorvellProcessor::kLatency);
        mFeed.setSampleRate(getSampleRate());
    }

    const quendra::plugin::AnalysisFeed& analysisFeed() const noexcept override { return mFeed; }

protected:
    const char* getLabel() const override { return "Sorvell"; }
    const char* getDescription() const override
    {
        return "A spectral processor which uses spectral resonances and pitched overtones to add "
               "tonal character to any audio source.";
    }
    const char* getMaker() const override { return "Quendra"; }
    const char* getLicense() const override { return "Proprietary"; }
    uint32_t getVersion() const override { return d_version(0, 1, 0); }
    int64_t getUniqueId() const override { return d_cconst('Q', 's', 'r', 'v'); }

    void initAudioPort(bool input, uint32_t index, AudioPort& port) override
    {
        port.groupId = kPortGroupStereo;
        Plugin::initAudioPort(input, index, port);
    }

    void initParameter(uint32_t pluginIndex, Parameter& parameter) override
    {
        if (pluginIndex == kGainReductionParameter)
        {
            parameter.hints = kParameterIsOutput;
            parameter.name = "Gain reduction";
            parameter.shortName = "Reduction";
            parameter.symbol = "gain_reduction";
            parameter.unit = "dB";
            parameter.description = "How far the output limiter turns the output down now.";
            parameter.ranges = ParameterRanges(0.0f, kGainReductionFloorDb, 0.0f);
            return;
        }
        const std::size_t index = *processorIndex(pluginIndex);
        if (index < quendra::sorvell::parameter_count)
        {
            const auto& row = quendra::sorvell::parameters()[index];
            parameter.hints = kParameterIsAutomatable;
            if (row.kind != quendra::sorvell::parameter_kind::smoothed)
            {
                parameter.hints |= kParameterIsInteger;
            }
            if (row.logarithmic)
            {
                parameter.hints |= kParameterIsLogarithmic;
            }
            parameter.name = text(row.label);
            parameter.symbol = text(row.name);
            parameter.unit = text(row.unit);
            parameter.description = text(row.description);
            parameter.ranges =
                ParameterRanges(static_cast<float>(row.default_value),
                                static_cast<float>(row.minimum), static_cast<float>(row.maximum));
            if (!row.value_names.empty())
            {
                setEnumeration(parameter, row.value_names);
            }
            return;
        }
        if (index == kBypassIndex)
        {
            // The LV2 export renames a designated bypass; there it stays a plain toggle so that
            // the symbol is "bypass" in every format.
            if (std::strcmp(getPluginFormatName(), "LV2") != 0)
            {
                parameter.initDesignation(kParameterDesignationBypass);
            }
            parameter.hints = kParameterIsAutomatable | kParameterIsBoolean | kParameterIsInteger;
            parameter.name = "Bypass";
            parameter.shortName = "Bypass";
            parameter.symbol = "bypass";
            parameter.description = "Pass the dry signal, delayed like the processed one.";
            parameter.ranges = ParameterRanges(0.0f, 0.0f, 1.0f);
            return;
        }
        if (index == kFreezeIndex)
        {
            parameter.hints = kParameterIsAutomatable | kParameterIsBoolean | kParameterIsInteger;
            parameter.name = "Freeze";
            parameter.shortName = "Freeze";
            parameter.symbol = "freeze";
            parameter.description = "Hold the resonance as it is: the partials keep their levels "
                                    "and take in no new input until released, then ring out "
                                    "with the decay.";
            parameter.ranges = ParameterRanges(0.0f, 0.0f, 1.0f);
            return;
        }
        if (index == kPitchSourceIndex)
        {
            parameter.hints = kParameterIsAutomatable | kParameterIsInteger;
            parameter.name = "Pitch source";
            parameter.symbol = "pitch_source";
            parameter.description =
                "Take the fundamental from the Frequency parameter (0), from the newest held MIDI "
                "note and pitch bend (1), or ring on every held MIDI note at once, with the "
                "sustain pedal and pitch bend (2).";
            parameter.ranges = ParameterRanges(0.0f, 0.0f, 2.0f);
            setEnumeration(parameter, quendra::plugin::kPitchSourceNames);
        }
    }

#if DISTRHO_PLUGIN_WANT_PROGRAMS
    void initProgramName(uint32_t index, String& programName) override
    {
        programName = text(::sorvell::factory_presets()[index].name);
    }

    // Every preset sets all fourteen parameters; bypass, pitch source and freeze stay as they
    // are.
    void loadProgram(uint32_t index) override
    {
        for (const auto& value : ::sorvell::factory_presets()[index].values)
        {
            if (const auto parameter = quendra::sorvell::parameter_index(value.parameter))
            {
                mProcessor.setParameter(*parameter, value.value);
            }
        }
    }
#endif

#if DISTRHO_PLUGIN_WANT_STATE
    // The tuning: the texts of a Scala scale and keyboard mapping (empty: equal temperament).
    void initState(uint32_t index, State& state) override
    {
        const bool scale = index == 0;
        state.key =
            text(scale ? quendra::plugin::kTuningScaleKey : quendra::plugin::kTuningKeymapKey);
        state.label = scale ? "Tuning (Scala scale)" : "Tuning keyboard mapping (Scala)";
        state.defaultValue = "";
    }

    // On the host's or the window's thread: the text is read here, and only a tuning that
    // reads reaches the audio thread (as finished frequencies); a text that does not read
    // leaves the tuning, and what the state saves, as they were.
    void setState(const char* key, const char* value) override
    {
        const auto result = mTuning.replace(key, value);
        if (result.tuning)
        {
            mProcessor.setTuning(*result.tuning);
        }
        else
        {
            d_stderr("Sorvell: tuning kept, %s", result.error.c_str());
        }
    }

    String getState(const char* key) const override
    {
        return String(mTuning.text(key).c_str());
    }
#endif

    float getParameterValue(uint32_t pluginIndex) const override
    {
        if (const auto index = processorIndex(pluginIndex))
        {
            return static_cast<float>(mProcessor.parameter(*index));
        }
        return std::max(mFeed.gainReductionDb(), kGainReductionFloorDb);
    }

    void setParameterValue(uint32_t pluginIndex, float value) override
    {
        if (const auto index = processorIndex(pluginIndex))
        {
            mProcessor.setParameter(*index, value);
        }
    }

    void activate() override
    {
        mProcessor.activate();
    }
    void deactivate() override
    {
        mProcessor.deactivate();
    }
    void sampleRateChanged(double newSampleRate) override
    {
        mProcessor.setSampleRate(newSampleRate);
        mFeed.setSampleRate(newSampleRate);
    }

    // The block is cut at each MIDI event so that a note starts its ramp on its own frame.
    void run(const float** inputs, float** outputs, uint32_t frames, const MidiEvent* midiEvents,
             uint32_t midiEventCount) override
    {
        uint32_t done = 0;
        for (uint32_t e = 0; e < midiEventCount; ++e)
        {
            const MidiEvent& event = midiEvents[e];
            const uint32_t at = std::min(event.frame, frames);
            if (at > done)
            {
                processRange(inputs, outputs, done, at - done);
                done = at;
            }
            mProcessor.midi(event.size > MidiEvent::kDataSize ? event.dataExt : event.data,
                            event.size);
        }
        if (done < frames || frames == 0)
        {
            processRange(inputs, outputs, done, frames - done);
        }
    }

private:
    static uint32_t programCount()
    {
        return static_cast<uint32_t>(::sorvell::factory_presets().size());
    }

    void processRange(const float** inputs, float** outputs, uint32_t offset, uint32_t count)
    {
        const float* in[2] = {inputs[0] + offset, inputs[1] + offset};
        float* out[2] = {outputs[0] + offset, outputs[1] + offset};
        mFeed.writeInput(in, count); // for a window: before in-place processing overwrites it
        mProcessor.process(in, out, count);
        mFeed.writeOutput(out, count, mProcessor.engine());
    }

    SorvellProcessor mProcessor;
    quendra::plugin::AnalysisFeed mFeed;
#if DISTRHO_PLUGIN_WANT_STATE
    quendra::plugin::TuningState mTuning;
#endif

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SorvellPlugin)
};

Plugin* createPlugin()
{
    return new SorvellPlugin();
}

END_NAMESPACE_DISTRHO
