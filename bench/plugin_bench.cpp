// The plugins' process path (SorvellProcessor: ramps, queue, bypass crossfade, MIDI pitch)
// beside the bare engine, both at the heaviest settings (voices 8, harmonics 256, Granular,
// pitch_mod 4, decay 5 s, frequency 40 Hz), one second of 48 kHz stereo noise in blocks of 256.
// The ratio of the two is the binding's overhead; it should stay within 5%.
#include "BenchEngine.h"

#include "SorvellProcessor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{

using quendra::plugin::SorvellProcessor;
using quendra::sorvell::parameter_id;
using sorvell::bench::StereoFrame;
using sorvell::bench::Vantor;

constexpr float kRate = 48000.0f;
constexpr std::size_t kFrames = 48000;
constexpr std::uint32_t kBlock = 256;

// The same noise as two channel buffers, as the block calls take it.
template <typename Frames>
std::pair<std::vector<float>, std::vector<float>> splitChannels(const Frames& frames)
{
    std::pair<std::vector<float>, std::vector<float>> channels;
    for (const auto& frame : frames)
    {
        channels.first.push_back(frame.left);
        channels.second.push_back(frame.right);
    }
    return channels;
}

void BareEngineHeaviest(benchmark::State& state)
{
    const auto noise = sorvell::bench::stereoNoise(kFrames, 1);
    auto engine = sorvell::bench::engineAtDefaults(kRate, 1);
    sorvell::bench::setHeaviest(*engine);
    engine->setFrequency(40.0f);
    const auto [inLeft, inRight] = splitChannels(noise);
    std::vector<float> left(kFrames);
    std::vector<float> right(kFrames);
    for (auto _ : state)
    {
        // The engine's block call in the same blocks as the plugin gets.
        for (std::size_t done = 0; done < kFrames; done += kBlock)
        {
            engine->process(inLeft.data() + done, inRight.data() + done, left.data() + done,
                            right.data() + done, std::min<std::size_t>(kBlock, kFrames - done));
        }
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
}
BENCHMARK(BareEngineHeaviest)->Unit(benchmark::kMillisecond);

// Argument: 0 no automation; 1 a new gain every block, so that one ramp runs all the time; 2 the
// same with the decay, whose ramp reaches the partial banks on every sample; 3 the same with the
// frequency, which the banks take up at the hop.
void PluginProcessHeaviest(benchmark::State& state)
{
    const bool automate = state.range(0) != 0;
    constexpr parameter_id kAutomated[] = {parameter_id::gain, parameter_id::gain,
                                           parameter_id::decay, parameter_id::frequency};
    const parameter_id automated = kAutomated[state.range(0)];
    const auto noise = sorvell::bench::stereoNoise(kFrames, 1);
    const auto [inLeft, inRight] = splitChannels(noise);
    std::vector<float> left(kFrames);
    std::vector<float> right(kFrames);
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
    double gain = 0.0;
    for (auto _ : state)
    {
        for (std::size_t done = 0; done < kFrames; done += kBlock)
        {
            if (automate)
            {
                gain = gain == 0.0 ? -1.0 : 0.0;
                const double offset = automated == parameter_id::decay       ? 5.0
                                      : automated == parameter_id::frequency ? 40.0
                                                                             : 0.0;
                set(automated, offset + gain);
            }
            const float* in[2] = {inLeft.data() + done, inRight.data() + done};
            float* out[2] = {left.data() + done, right.data() + done};
            processor.process(
                in, out, static_cast<std::uint32_t>(std::min<std::size_t>(kBlock, kFrames - done)));
        }
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
}
BENCHMARK(PluginProcessHeaviest)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The two above in alternation, a tenth of a second each in turn, so that the machine's load
// weighs on both alike: "plugin_over_engine" is the plugin's CPU time over the bare engine's.
// Argument as above; while a gain ramp runs all the time, the engine is given the same gains
// through the same frame hook, so that the figure is the binding's cost alone.
void PluginOverEngine(benchmark::State& state)
{
    const bool automate = state.range(0) != 0;
    const auto noise = sorvell::bench::stereoNoise(kFrames, 1);
    const auto [inLeft, inRight] = splitChannels(noise);
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
    // The engine's side of a ramp: a new gain in dB for every frame, turned into a linear gain
    // (the values need not match the plugin's, the work does).
    struct GainRamp
    {
        Vantor* engine;
        float decibels = 0.0f;
        void beforeFrame(std::size_t) noexcept
        {
            decibels = decibels > -1.0f ? decibels - 0.004f : 0.0f;
            engine->setInputGain(Vantor::gainFromDecibels(decibels));
        }
    } ramp{engine.get()};
    const auto hook = automate
                          ? Vantor::FrameHook::fromMethod<GainRamp, &GainRamp::beforeFrame>(&ramp)
                          : Vantor::FrameHook{};
    double gain = 0.0;
    sorvell::bench::Alternation alternation;
    constexpr std::size_t kSlice = 4608; // 18 blocks
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
                            gain = gain == 0.0 ? -1.0 : 0.0;
                            set(parameter_id::gain, gain);
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
}
BENCHMARK(PluginOverEngine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
