// Engine throughput at default parameters, read against the bare cost of the transforms.
//   VantorProcessOneSecond: process() over one second of stereo noise at 48 kHz; the
//     counter "realtime_factor" is seconds of audio per second of CPU.
//   FftForwardInverse1024: one forward and one inverse transform of 1024 points, the unit
//     of work the hop routine does four times (two channels, both directions) per 512 samples.
#include "BenchEngine.h"

#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/Vantor.h"
#include "quendra/dsp/transform/Fft.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

namespace
{

using namespace quendra::dravel::vantor;
using sorvell::bench::stereoNoise;

constexpr float kSampleRate = 48000.0f;

void VantorProcessOneSecond(benchmark::State& state)
{
    const std::vector<StereoFrame> input =
        stereoNoise(static_cast<std::size_t>(kSampleRate), 2024u);
    auto engine = std::make_unique<Vantor>(kSampleRate, 1u);
    for (auto _ : state)
    {
        for (const StereoFrame& frame : input)
        {
            benchmark::DoNotOptimize(engine->process(frame));
        }
    }
    // One second of audio per iteration; as a rate this reads as audio seconds per CPU second.
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(VantorProcessOneSecond)->Unit(benchmark::kMillisecond);

void FftForwardInverse1024(benchmark::State& state)
{
    Fft fft(kFftSize);
    alignas(16) std::array<float, kFftSize> time{};
    alignas(16) std::array<Complex, kNumBins> spectrum{};
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (float& sample : time)
    {
        sample = uniform(generator);
    }
    for (auto _ : state)
    {
        fft.forward(time.data(), spectrum.data());
        fft.inverse(spectrum.data(), time.data());
        benchmark::DoNotOptimize(time.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(FftForwardInverse1024);

} // namespace
