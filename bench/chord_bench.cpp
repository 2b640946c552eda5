// Chords against the heaviest single-note setting: eight notes of one voice each fill the same
// 2048 partials that eight unison voices do, so they should cost no more. The heaviest setting
// (Granular, pitch_mod 4, a 5 s decay, eight voices) sits at 20 Hz, where all 2048 partials lie
// inside the audible band and take part; the eight notes (20 to 70 Hz) have all theirs inside it
// too. Both engines take turns on the same noise, a second of audio a turn, and chord_ratio
// reports their CPU times in that one run (below 1: chords cheaper).
#include "BenchEngine.h"

#include <benchmark/benchmark.h>

namespace sorvell::bench
{
namespace
{

constexpr float kRate = 48000.0f;

double runSecond(Vantor& engine, const std::vector<StereoFrame>& noise)
{
    const double start = threadCpuNs();
    float sink = 0.0f;
    for (const StereoFrame& frame : noise)
        sink += engine.process(frame).left;
    benchmark::DoNotOptimize(sink);
    return threadCpuNs() - start;
}

void BM_EightNotesAgainstHeaviestSetting(benchmark::State& state)
{
    const auto noise = stereoNoise(static_cast<std::size_t>(kRate), 1);
    Attributes lowest = kHeaviestAttributes;
    lowest.frequency = 20.0f;
    auto heaviest = engineAsTheObjectPrimesIt(kRate, 7, lowest);
    Attributes oneVoice = lowest;
    oneVoice.voices = 1;
    auto chords = engineAsTheObjectPrimesIt(kRate, 7, oneVoice);
    chords->setPolyphony(1);
    for (int k = 0; k < 8; ++k)
        chords->noteOn(20 + k, 20.0f + 7.0f * static_cast<float>(k));
    runSecond(*heaviest, noise); // both past their start
    runSecond(*chords, noise);
    double heaviestNs = 0.0;
    double chordNs = 0.0;
    for (auto _ : state)
    {
        heaviestNs += runSecond(*heaviest, noise);
        chordNs += runSecond(*chords, noise);
    }
    state.counters["chord_ratio"] = chordNs / heaviestNs;
    state.counters["heaviest_ms"] = heaviestNs / 1e6 / static_cast<double>(state.iterations());
    state.counters["chords_ms"] = chordNs / 1e6 / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_EightNotesAgainstHeaviestSetting)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace sorvell::bench
