// Cost of the channel partial banks, alone and inside the engine, at 48 kHz.
//   realtime_x   audio seconds processed per CPU second of this thread (real-time factor)
//   block_ratio  slowest 64-sample block over the median block across 10 s of audio
// Baseline: the engine with the lightest bank load (one harmonic, one voice), so that the
// other figures read as multiples of the frame's own cost (transforms, rings, limiter).
#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/Vantor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

using namespace quendra::dravel::vantor;

namespace
{
constexpr float kRate = 48000.0f;
constexpr std::size_t kBlock = 64;

std::vector<StereoFrame> stereoNoise(std::size_t n)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<StereoFrame> frames(n);
    for (auto& f : frames)
        f = {d(rng), d(rng)};
    return frames;
}

enum Setting
{
    kLightest,   // one harmonic, one voice
    kDefaults,   // the attribute defaults
    kHeaviest,   // voices 8, harmonics 256, Granular, pitch_mod 4, decay 5 s
    kHeaviestLow // the same at a 40 Hz fundamental: every partial inside 20 Hz .. 20 kHz
};

std::unique_ptr<Vantor> engineFor(Setting setting)
{
    // What the host object sends after building an engine: the prepare callback, then
    // every attribute at its default value.
    auto e = std::make_unique<Vantor>(kRate, 99u);
    e->setFrequencySource(0);
    e->setPolyphony(0);
    e->setMix(1.0f);
    e->setInputGain(1.0f);
    e->setStretch(0.0f);
    e->setShift(0.0f);
    e->setDecay(0.222f);
    e->setHfDamp(0.0f);
    e->setLfDamp(0.0f);
    e->setUnisonVoices(1);
    e->setUnisonAmount(0.0f);
    e->setHarmonics(256);
    e->setFrequency(440.0f);
    e->setModType(0);
    e->setModRate(0.1f);
    e->setPitchMod(0.0f);
    if (setting == kLightest)
        e->setHarmonics(1);
    if (setting == kHeaviest || setting == kHeaviestLow)
    {
        e->setUnisonVoices(8);
        e->setHarmonics(256);
        e->setModType(3);
        e->setPitchMod(4.0f);
        e->setDecay(5.0f);
    }
    if (setting == kHeaviestLow)
        e->setFrequency(40.0f);
    return e;
}

void processAudio(benchmark::State& state, Setting setting)
{
    auto engine = engineFor(setting);
    const auto input = stereoNoise(static_cast<std::size_t>(kRate)); // 1 s
    for (const auto& f : input)                                      // ring up
        benchmark::DoNotOptimize(engine->process(f));
    for (auto _ : state)
        for (const auto& f : input)
            benchmark::DoNotOptimize(engine->process(f));
    state.counters["realtime_x"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EngineLightestBank(benchmark::State& state)
{
    processAudio(state, kLightest);
}
void BM_EngineDefaults(benchmark::State& state)
{
    processAudio(state, kDefaults);
}
void BM_EngineHeaviest(benchmark::State& state)
{
    processAudio(state, kHeaviest);
}
void BM_EngineHeaviestAllInBand(benchmark::State& state)
{
    processAudio(state, kHeaviestLow);
}

// CPU time of this thread, so that a block is not charged for time the scheduler gave to
// other processes.
double threadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Slowest 64-sample block against the median over 10 s, heaviest settings (CPU time).
// Argument: the setting.
void BM_EngineHeaviestBlockSpread(benchmark::State& state)
{
    auto engine = engineFor(static_cast<Setting>(state.range(0)));
    const auto input = stereoNoise(static_cast<std::size_t>(kRate) * 10);
    std::vector<double> blockNs(input.size() / kBlock);
    double ratio = 0.0;
    double p999 = 0.0;
    double medianUs = 0.0;
    for (auto _ : state)
    {
        for (std::size_t b = 0; b < blockNs.size(); ++b)
        {
            const double start = threadCpuNs();
            for (std::size_t n = b * kBlock; n < (b + 1) * kBlock; ++n)
                benchmark::DoNotOptimize(engine->process(input[n]));
            blockNs[b] = threadCpuNs() - start;
        }
        std::vector<double> sorted = blockNs;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double median = sorted[sorted.size() / 2];
        ratio = *std::max_element(blockNs.begin(), blockNs.end()) / median;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() * 999 / 1000, sorted.end());
        p999 = sorted[sorted.size() * 999 / 1000] / median;
        medianUs = median / 1000.0;
    }
    state.counters["block_ratio"] = ratio;
    state.counters["p999_ratio"] = p999;
    state.counters["median_us"] = medianUs;
}

// Both banks alone, all 512 groups active, one hop (512 ticks and a frame start) per
// iteration; the input spectra hold noise so that every partial is excited.
void BM_BankTickAllGroups(benchmark::State& state)
{
    struct Channel
    {
        std::vector<Complex> input = std::vector<Complex>(kNumBins);
        std::vector<Complex> output = std::vector<Complex>(kNumBins);
        std::unique_ptr<ChannelPartialBank> bank = std::make_unique<ChannelPartialBank>();
    };
    Channel channels[2];
    RandomDevice device(5u);
    std::mt19937 rng(3);
    std::normal_distribution<float> d(0.0f, 50.0f);
    for (int side = 0; side < 2; ++side)
    {
        Channel& c = channels[side];
        for (auto& bin : c.input)
            bin = {d(rng), d(rng)};
        c.bank->prepare(kRate, c.input.data(), c.output.data(), side, device);
        c.bank->setFrequencySource(0);
        c.bank->setPolyphony(0);
        c.bank->setUnisonVoices(8);
        c.bank->setModType(static_cast<std::uint32_t>(state.range(0)));
        c.bank->setPitchMod(4.0f);
        c.bank->setDecay(5.0f);
        c.bank->setFrequency(40.0f);
        c.bank->frameStart();
    }
    for (auto _ : state)
    {
        for (std::size_t n = 0; n < kHopSize; ++n)
        {
            channels[0].bank->tick();
            channels[1].bank->tick();
        }
        channels[0].bank->frameStart();
        channels[1].bank->frameStart();
        benchmark::ClobberMemory();
    }
    state.counters["realtime_x"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kHopSize / kRate, benchmark::Counter::kIsRate);
}
// One call of a retention setter on both banks, as a smoothed decay or damping parameter
// makes on every sample of its ramp. Argument: the damping H (above 0.5 the curve needs two
// exponentials per group).
void BM_BankSetDecay(benchmark::State& state)
{
    auto engine = engineFor(kDefaults);
    engine->setHfDamp(static_cast<float>(state.range(0)) / 10.0f);
    float decay = 0.5f;
    for (auto _ : state)
    {
        engine->setDecay(decay);
        decay = decay == 0.5f ? 0.6f : 0.5f;
        benchmark::ClobberMemory();
    }
}
// One call of the modulation-rate and pitch-depth setters on both banks (each walks all
// 512 groups of a bank; both are smoothed, so they run on every sample of a ramp).
void BM_BankSetModRate(benchmark::State& state)
{
    auto engine = engineFor(kDefaults);
    float rate = 0.5f;
    for (auto _ : state)
    {
        engine->setModRate(rate);
        rate = rate == 0.5f ? 0.6f : 0.5f;
        benchmark::ClobberMemory();
    }
}

void BM_BankSetPitchMod(benchmark::State& state)
{
    auto engine = engineFor(kDefaults);
    float depth = 1.0f;
    for (auto _ : state)
    {
        engine->setPitchMod(depth);
        depth = depth == 1.0f ? 2.0f : 1.0f;
        benchmark::ClobberMemory();
    }
}
} // namespace

BENCHMARK(BM_EngineLightestBank)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineDefaults)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineHeaviest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineHeaviestAllInBand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineHeaviestBlockSpread)
    ->Arg(kHeaviest)
    ->Arg(kHeaviestLow)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_BankSetDecay)->Arg(3)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BankSetModRate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BankSetPitchMod)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BankTickAllGroups)->Arg(0)->Arg(3)->Unit(benchmark::kMicrosecond);
