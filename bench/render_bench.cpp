// Cost of the renderer's host path against the bare engine, both at the heaviest settings
// (8 unison voices, 256 harmonics, Granular modulation, pitch modulation 4 semitones, decay
// 5 s) on one second of stereo noise at 48 kHz per iteration. "realtime_factor" is seconds
// of audio per second of CPU; the ratio of the two is what running the module inside our
// host (perform routine, per-sample ramps, double/float conversions) adds to the engine.
//   EngineHeaviest: Vantor::process called directly, one stereo frame at a time.
//   HostPathHeaviest: the module loaded in the headless host, 64-sample perform blocks of
//     64-bit float audio, as the renderer runs it.
#include "quendra/dsp/Vantor.h"

#include <tessel/host/Runtime.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace
{

using namespace quendra::dravel::vantor;

constexpr double kSampleRate = 48000.0;
constexpr long kBlock = 64;

std::vector<double> noise(unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-0.5, 0.5);
    std::vector<double> samples(static_cast<std::size_t>(kSampleRate));
    for (double& sample : samples)
    {
        sample = static_cast<float>(uniform(generator));
    }
    return samples;
}

void setRealtimeFactor(benchmark::State& state)
{
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void EngineHeaviest(benchmark::State& state)
{
    const std::vector<double> left = noise(1);
    const std::vector<double> right = noise(2);
    auto engine = std::make_unique<Vantor>(static_cast<float>(kSampleRate), 1u);
    // What the object sends a fresh engine, with the heavy values in place of the defaults.
    engine->setFrequencySource(0);
    engine->setPolyphony(0);
    engine->setMix(1.0f);
    engine->setInputGain(1.0f);
    engine->setStretch(0.0f);
    engine->setShift(0.0f);
    engine->setHfDamp(0.0f);
    engine->setLfDamp(0.0f);
    engine->setUnisonAmount(0.0f);
    engine->setDecay(5.0f);
    engine->setFrequency(440.0f);
    engine->setModRate(0.1f);
    engine->setPitchMod(4.0f);
    engine->setUnisonVoices(8);
    engine->setHarmonics(256);
    engine->setModType(3);
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            benchmark::DoNotOptimize(
                engine->process({static_cast<float>(left[i]), static_cast<float>(right[i])}));
        }
    }
    setRealtimeFactor(state);
}
BENCHMARK(EngineHeaviest)->Unit(benchmark::kMillisecond);

void HostPathHeaviest(benchmark::State& state)
{
    tessel::host::Runtime runtime;
    runtime.setSampleRate(kSampleRate);
    runtime.setBlockSize(kBlock);
    runtime.setRandomSeed(1u);
    if (!runtime.loadModule(SORVELL_MODULE_FILE))
    {
        state.SkipWithError("cannot load the module");
        return;
    }
    auto* instance = runtime.createObject("quendra.device.sorvell~ @voices 8 @harmonics 256 "
                                          "@mod_type 3 @pitch_mod 4 @decay 5");
    if (instance == nullptr || !runtime.buildDsp(instance))
    {
        state.SkipWithError("cannot create the object");
        return;
    }
    const std::vector<double> left = noise(1);
    const std::vector<double> right = noise(2);
    std::vector<double> outLeft(kBlock);
    std::vector<double> outRight(kBlock);
    for (auto _ : state)
    {
        for (std::size_t at = 0; at + kBlock <= left.size(); at += kBlock)
        {
            const double* inputs[2] = {left.data() + at, right.data() + at};
            double* outputs[2] = {outLeft.data(), outRight.data()};
            runtime.process(instance, inputs, outputs, kBlock);
            benchmark::DoNotOptimize(outLeft.data());
        }
    }
    setRealtimeFactor(state);
    runtime.freeObject(instance);
}
BENCHMARK(HostPathHeaviest)->Unit(benchmark::kMillisecond);

} // namespace
