// Cost of the renderer's host path against the bare engine, both at the heaviest settings
// (8 unison voices, 256 harmonics, Granular modulation, pitch modulation 4 semitones, decay
// 5 s) on one second of stereo noise at 48 kHz per iteration. "realtime_factor" is seconds
// of audio per second of CPU; the ratio of the two is what running the module inside our
// host (perform routine, per-sample ramps, double/float conversions) adds to the engine.
//   EngineHeaviest: Vantor's block call made directly, 64 frames at a time.
//   HostPathHeaviest: the module loaded in the headless host, 64-sample perform blocks of
//     64-bit float audio, as the renderer runs it.
#include "BenchEngine.h"
#include "BenchHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace
{

using namespace sorvell::bench;

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
    auto engine = engineAtDefaults(static_cast<float>(kSampleRate), 1u);
    setHeaviest(*engine);
    const std::vector<float> inLeft(left.begin(), left.end());
    const std::vector<float> inRight(right.begin(), right.end());
    std::vector<float> outLeft(left.size());
    std::vector<float> outRight(left.size());
    for (auto _ : state)
    {
        for (std::size_t at = 0; at < left.size(); at += kBlock)
        {
            const std::size_t count = std::min<std::size_t>(kBlock, left.size() - at);
            engine->process(inLeft.data() + at, inRight.data() + at, outLeft.data() + at,
                            outRight.data() + at, count);
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::DoNotOptimize(outRight.data());
    }
    setRealtimeFactor(state);
}
BENCHMARK(EngineHeaviest)->Unit(benchmark::kMillisecond);

void HostPathHeaviest(benchmark::State& state)
{
    tessel::host::Runtime runtime;
    auto* instance = hostInstance(state, runtime, kSampleRate, kBlock,
                                  "quendra.device.sorvell~ @voices 8 @harmonics 256 "
                                  "@mod_type 3 @pitch_mod 4 @decay 5");
    if (instance == nullptr)
        return;
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
