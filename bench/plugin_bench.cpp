// The plugins' process path (SorvellProcessor: ramps, queue, bypass crossfade, MIDI pitch)
// beside the bare engine, both at the heaviest settings (voices 8, harmonics 256, Granular,
// pitch_mod 4, decay 5 s, frequency 40 Hz), one second of 48 kHz stereo noise in blocks of 256
// per iteration. The two run a tenth of a second each in turn, so that the machine's load weighs
// on both alike.
//   plugin_over_engine   the plugin's CPU time over the engine's: the binding's cost, which
//                        should stay within 5%
//   engine_realtime_x, plugin_realtime_x   seconds of audio per CPU second of each
// Argument, the automation: 0 none; 1 a new gain every block, so that a ramp runs all the time;
// 2 the same with the decay, which the partial groups take up; 3 the same with the frequency,
// which the banks take up at the hop. The engine is given a new value of the same parameter on
// every frame through its frame hook, so that the figure is the binding's cost alone.
#include "BenchEngine.h"

#include "SorvellProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

using quendra::plugin::SorvellProcessor;
using quendra::sorvell::parameter_id;
using sorvell::bench::Vantor;

constexpr float kRate = 48000.0f;
constexpr std::size_t kFrames = 48000;
constexpr std::uint32_t kBlock = 256;
constexpr std::size_t kSlice = 4608; // 18 blocks

struct Automation
{
    parameter_id parameter;
    double low, high; // the plugin's values, alternately one per block
};
constexpr Automation kAutomations[] = {{parameter_id::gain, 0.0, 0.0},
                                       {parameter_id::gain, -1.0, 0.0},
                                       {parameter_id::decay, 4.0, 5.0},
                                       {parameter_id::frequency, 39.0, 40.0}};

// The engine's side of a ramp: a new value on every frame, between the plugin's two.
struct EngineRamp
{
    Vantor* engine;
    Automation automation;
    float progress = 0.0f;
    void beforeFrame(std::size_t) noexcept
    {
        progress = progress < 1.0f ? progress + 1.0f / 240.0f : 0.0f;
        const auto value = static_cast<float>(automation.low) +
                           progress * static_cast<float>(automation.high - automation.low);
        if (automation.parameter == parameter_id::gain)
            engine->setInputGain(Vantor::gainFromDecibels(value));
        else if (automation.parameter == parameter_id::decay)
            engine->setDecay(value);
        else
            engine->setFrequency(value);
    }
};

void PluginOverEngine(benchmark::State& state)
{
    const Automation automation = kAutomations[state.range(0)];
    const bool automate = state.range(0) != 0;
    const auto noise = sorvell::bench::stereoNoise(kFrames, 1);
    std::vector<float> inLeft, inRight;
    for (const auto& frame : noise)
    {
        inLeft.push_back(frame.left);
        inRight.push_back(frame.right);
    }
    std::vector<float> pluginLeft(kBlock), pluginRight(kBlock);
    std::vector<float> engineLeft(kBlock), engineRight(kBlock);

    SorvellProcessor processor(kRate);
    const auto set = [&](parameter_id id, double value)
    { processor.setParameter(static_cast<std::size_t>(id), value); };
    set(parameter_id::voices, 8);
    set(parameter_id::harmonics, 256);
    set(parameter_id::mod_type, 3);
    set(parameter_id::pitch_mod, 4.0);
    set(parameter_id::decay, 5.0);
    set(parameter_id::frequency, 40.0);
    processor.activate();

    auto engine = sorvell::bench::engineAtDefaults(kRate, 1);
    sorvell::bench::setHeaviest(*engine);
    engine->setFrequency(40.0f);
    EngineRamp ramp{engine.get(), automation};
    const auto hook =
        automate ? Vantor::FrameHook::fromMethod<EngineRamp, &EngineRamp::beforeFrame>(&ramp)
                 : Vantor::FrameHook{};

    bool high = false;
    sorvell::bench::Alternation alternation;
    for (auto _ : state)
    {
        for (std::size_t slice = 0; slice + kSlice <= kFrames; slice += kSlice)
        {
            alternation.slice(
                [&]
                {
                    for (std::size_t at = slice; at < slice + kSlice; at += kBlock)
                        engine->process(inLeft.data() + at, inRight.data() + at, engineLeft.data(),
                                        engineRight.data(), kBlock, hook);
                    benchmark::DoNotOptimize(engineLeft.data());
                },
                [&]
                {
                    for (std::size_t at = slice; at < slice + kSlice; at += kBlock)
                    {
                        if (automate)
                        {
                            high = !high;
                            set(automation.parameter, high ? automation.high : automation.low);
                        }
                        const float* in[2] = {inLeft.data() + at, inRight.data() + at};
                        float* out[2] = {pluginLeft.data(), pluginRight.data()};
                        processor.process(in, out, kBlock);
                    }
                    benchmark::DoNotOptimize(pluginLeft.data());
                });
        }
    }
    state.counters["plugin_over_engine"] = alternation.ratio();
    const double audioSeconds = static_cast<double>(state.iterations()) *
                                static_cast<double>(kFrames / kSlice * kSlice) / kRate;
    state.counters["engine_realtime_x"] = audioSeconds / (alternation.firstNs * 1e-9);
    state.counters["plugin_realtime_x"] = audioSeconds / (alternation.secondNs * 1e-9);
}
BENCHMARK(PluginOverEngine)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace
