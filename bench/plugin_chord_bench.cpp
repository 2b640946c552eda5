// Chords through the plugins' process path against the heaviest setting there: eight MIDI notes
// held in the Chord pitch source, one voice each, fill the 2048 partials of a channel as the
// eight unison voices of the heaviest setting do (Granular, pitch_mod 4, decay 5 s, 256
// harmonics), so they should cost no more. The heaviest setting sits at 20 Hz and the notes at
// MIDI 16 to 23 (20.6 to 30.9 Hz), where every partial of both lies inside the audible band and
// takes part. The two processors take turns on the same noise, a slice each, and
// chords_over_heaviest is their CPU times' ratio in that one run (below 1: chords cheaper).
#include "BenchEngine.h"

#include "SorvellProcessor.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace
{

using quendra::plugin::kPitchSourceIndex;
using quendra::plugin::SorvellProcessor;
using quendra::sorvell::parameter_id;

constexpr double kRate = 48000.0;
constexpr std::size_t kFrames = 48000;
constexpr std::uint32_t kBlock = 256;
constexpr std::size_t kSlice = 4608; // 18 blocks

std::unique_ptr<SorvellProcessor> heavyProcessor(int voices)
{
    auto processor = std::make_unique<SorvellProcessor>(kRate, 7u);
    const auto set = [&](parameter_id id, double value)
    { processor->setParameter(static_cast<std::size_t>(id), value); };
    set(parameter_id::voices, voices);
    set(parameter_id::harmonics, 256);
    set(parameter_id::mod_type, 3);
    set(parameter_id::pitch_mod, 4.0);
    set(parameter_id::decay, 5.0);
    set(parameter_id::frequency, 20.0);
    return processor;
}

void ChordsOverHeaviest(benchmark::State& state)
{
    const auto noise = sorvell::bench::stereoNoise(kFrames, 1);
    std::vector<float> inLeft, inRight;
    for (const auto& frame : noise)
    {
        inLeft.push_back(frame.left);
        inRight.push_back(frame.right);
    }
    std::vector<float> outLeft(kBlock), outRight(kBlock);

    auto heaviest = heavyProcessor(8);
    heaviest->activate();
    auto chords = heavyProcessor(1);
    chords->setParameter(kPitchSourceIndex, 2.0);
    chords->activate();
    for (std::uint8_t note = 16; note < 24; ++note)
    {
        const std::array<std::uint8_t, 3> on{0x90, note, 100};
        chords->midi(on.data(), on.size());
    }

    const auto run = [&](SorvellProcessor& processor, std::size_t from, std::size_t to)
    {
        for (std::size_t at = from; at < to; at += kBlock)
        {
            const float* in[2] = {inLeft.data() + at, inRight.data() + at};
            float* out[2] = {outLeft.data(), outRight.data()};
            processor.process(in, out, kBlock);
        }
        benchmark::DoNotOptimize(outLeft.data());
    };
    const std::size_t whole = kFrames / kSlice * kSlice;
    run(*heaviest, 0, whole); // both past their start: the notes have faded in
    run(*chords, 0, whole);

    sorvell::bench::Alternation alternation;
    for (auto _ : state)
    {
        for (std::size_t slice = 0; slice + kSlice <= kFrames; slice += kSlice)
        {
            alternation.slice([&] { run(*heaviest, slice, slice + kSlice); },
                              [&] { run(*chords, slice, slice + kSlice); });
        }
    }
    state.counters["chords_over_heaviest"] = alternation.ratio();
    const double audioSeconds =
        static_cast<double>(state.iterations()) * static_cast<double>(whole) / kRate;
    state.counters["heaviest_realtime_x"] = audioSeconds / (alternation.firstNs * 1e-9);
    state.counters["chords_realtime_x"] = audioSeconds / (alternation.secondNs * 1e-9);
}
BENCHMARK(ChordsOverHeaviest)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
