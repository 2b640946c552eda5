// Chords through the whole engine (polyphony on): every held note rings on its own harmonic
// series and nothing else sounds, a released note rings out with the decay time, notes start
// and are stolen without a click, the oldest note is stolen first, and the sustain pedal and
// pitch bend do what they say. Without polyphony (the host object's setting) notes are ignored.
#include "quendra/dsp/Vantor.h"
#include "quendra/dsp/transform/Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{
constexpr float kRate = 48000.0f;
constexpr std::size_t kFftSize = 16384;
constexpr float kBinHz = kRate / kFftSize;
constexpr int kHarmonics = 12;

std::unique_ptr<Vantor> chordEngine(int voices = 1, float decay = 1.0f, int polyphony = 1)
{
    auto e = std::make_unique<Vantor>(kRate, 99u);
    e->setFrequencySource(0);
    e->setPolyphony(polyphony);
    e->setMix(1.0f);
    e->setDecay(decay);
    e->setUnisonVoices(voices);
    e->setHarmonics(kHarmonics);
    return e;
}

// Seconds of white noise through the engine (left output), with events(sample) called before
// each sample.
std::vector<float> render(Vantor& engine, float seconds,
                          const std::function<void(std::size_t)>& events)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t n = 0; n < out.size(); ++n)
    {
        events(n);
        const float x = noise(rng);
        out[n] = engine.process({x, x}).left;
    }
    return out;
}

std::size_t at(float seconds)
{
    return static_cast<std::size_t>(seconds * kRate);
}

// Hann-windowed magnitude spectrum of kFftSize samples from `start`; with `windows` > 1, the
// root of the mean power of that many windows, each half a window after the last.
std::vector<float> spectrum(const std::vector<float>& signal, std::size_t start, int windows = 1)
{
    Fft fft(kFftSize);
    std::vector<float> frame(kFftSize);
    std::vector<Complex> bins(kFftSize / 2 + 1);
    std::vector<float> power(bins.size());
    for (int w = 0; w < windows; ++w)
    {
        const std::size_t first = start + w * kFftSize / 2;
        for (std::size_t n = 0; n < kFftSize; ++n)
            frame[n] =
                signal[first + n] *
                (0.5f - 0.5f * std::cos(2.0f * 3.14159265f * n / static_cast<float>(kFftSize)));
        fft.forward(frame.data(), bins.data());
        for (std::size_t k = 0; k < bins.size(); ++k)
            power[k] += bins[k].re * bins[k].re + bins[k].im * bins[k].im;
    }
    for (auto& p : power)
        p = std::sqrt(p / windows);
    return power;
}

float peakNear(const std::vector<float>& magnitudes, float hz, float widthHz = 6.0f)
{
    const auto lo = static_cast<std::size_t>(std::max(0.0f, (hz - widthHz) / kBinHz));
    const auto hi =
        std::min(magnitudes.size() - 1, static_cast<std::size_t>((hz + widthHz) / kBinHz));
    return *std::max_element(magnitudes.begin() + lo, magnitudes.begin() + hi + 1);
}

// Every harmonic of every note stands 40 dB above the median bin, and no bin within 30 dB of the
// loudest lies more than 12 Hz from one of them (a partial that follows a noisy excitation
// spreads a little around its line).
void expectOnlyHarmonicsOf(const std::vector<float>& magnitudes, const std::vector<float>& notes)
{
    std::vector<float> sorted = magnitudes;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const float median = sorted[sorted.size() / 2];
    const float loudest = *std::max_element(magnitudes.begin(), magnitudes.end());
    for (float f : notes)
        for (int h = 1; h <= kHarmonics; ++h)
            EXPECT_GT(peakNear(magnitudes, f * h), 100.0f * median) << f << " Hz, harmonic " << h;
    for (std::size_t k = 0; k < magnitudes.size(); ++k)
    {
        if (magnitudes[k] < 0.0316f * loudest)
            continue;
        const float hz = k * kBinHz;
        const bool onHarmonic =
            std::any_of(notes.begin(), notes.end(),
                        [&](float f)
                        {
                            const float h = std::round(hz / f);
                            return h >= 1 && h <= kHarmonics && std::abs(hz - h * f) <= 12.0f;
                        });
        EXPECT_TRUE(onHarmonic) << "a peak at " << hz << " Hz "
                                << 20 * std::log10(magnitudes[k] / loudest);
    }
}

// The largest second difference (what a click shows as) over [from, to).
float largestCurvature(const std::vector<float>& y, std::size_t from, std::size_t to)
{
    float largest = 0.0f;
    for (std::size_t n = from; n < to; ++n)
        largest = std::max(largest, std::abs(y[n] - 2.0f * y[n - 1] + y[n - 2]));
    return largest;
}

const std::vector<float> kChord{110.0f, 138.5913f, 164.8138f}; // A2 C#3 E3

} // namespace

TEST(Chords, EveryHeldNoteRingsOnItsHarmonicsAndNothingElseSounds)
{
    auto engine = chordEngine(1, 4.0f);
    const auto out = render(*engine, 1.5f,
                            [&](std::size_t n)
                            {
                                if (n == 0)
                                    for (int k = 0; k < 3; ++k)
                                        engine->noteOn(45 + k, kChord[k]);
                            });
    expectOnlyHarmonicsOf(spectrum(out, at(0.8f), 3), kChord);
}

TEST(Chords, UnisonVoicesShareTheSlotsAndTheOldestNoteIsStolenFirst)
{
    // Two voices a note: four notes at once; a fifth takes the place of the first.
    auto engine = chordEngine(2, 4.0f);
    EXPECT_EQ(engine->notes().slotCount(), 4u);
    const std::vector<float> five{100.0f, 131.0f, 157.0f, 183.0f, 227.0f};
    const auto out = render(*engine, 2.0f,
                            [&](std::size_t n)
                            {
                                for (int k = 0; k < 5; ++k)
                                    if (n == at(0.1f * k))
                                        engine->noteOn(k, five[k]);
                            });
    EXPECT_EQ(engine->notes().soundingKey(0), 4);
    expectOnlyHarmonicsOf(spectrum(out, at(1.0f), 3), {131.0f, 157.0f, 183.0f, 227.0f});
}

TEST(Chords, AReleasedNoteRingsOutWithTheDecayTime)
{
    // 60 dB in the decay time (1 s): 30 dB over half a second, though the input goes on.
    auto engine = chordEngine(1, 1.0f);
    const auto out = render(*engine, 2.6f,
                            [&](std::size_t n)
                            {
                                if (n == 0)
                                    engine->noteOn(57, 220.0f);
                                if (n == at(1.5f))
                                    engine->noteOff(57);
                            });
    const float before = peakNear(spectrum(out, at(1.0f)), 220.0f);
    const float early = peakNear(spectrum(out, at(1.6f)), 220.0f);
    const float late = peakNear(spectrum(out, at(2.1f)), 220.0f);
    EXPECT_NEAR(20.0f * std::log10(late / early), -30.0f, 2.0f);
    EXPECT_LT(early, before);
}

TEST(Chords, NotesStartAndAreStolenWithoutAClick)
{
    // Neither a start nor a steal curves the output more sharply than a steady render of the
    // notes sounding after it does.
    const auto pitch = [](int k) { return k == 8 ? 900.0f : 100.0f + 37.0f * k; };
    const auto steadyBound = [&](int firstNote)
    {
        auto engine = chordEngine();
        const auto steady = render(*engine, 2.0f,
                                   [&](std::size_t n)
                                   {
                                       if (n == 0)
                                           for (int k = firstNote; k < firstNote + 8; ++k)
                                               engine->noteOn(k, pitch(k));
                                   });
        return largestCurvature(steady, at(0.5f), at(2.0f));
    };

    auto engine = chordEngine();
    const auto out = render(*engine, 2.0f,
                            [&](std::size_t n)
                            {
                                if (n == 0)
                                    for (int k = 0; k < 7; ++k)
                                        engine->noteOn(k, pitch(k));
                                if (n == at(0.8f))
                                    engine->noteOn(7, pitch(7)); // a start
                                if (n == at(1.3f))
                                    engine->noteOn(8, pitch(8)); // steals the first note
                            });
    // (The steady renders' partials followed the noise from the start, not these: a quarter
    // more is left for that.)
    EXPECT_LE(largestCurvature(out, at(0.8f), at(1.2f)), 1.25f * steadyBound(0));
    EXPECT_LE(largestCurvature(out, at(1.3f), at(1.7f)), 1.25f * steadyBound(1));
    EXPECT_EQ(engine->notes().soundingKey(0), 8);
}

namespace
{
// A steady 220 Hz sine, one hop at a time: the level of slot 0's fundamental (group 0, lane 0)
// just after its update in the next hop.
struct SineHops
{
    Vantor& engine;
    std::size_t n = 0;
    float next()
    {
        for (std::size_t k = engine.samplesUntilHop() + 2; k > 0; --k, ++n)
        {
            const float x = 0.5f * std::sin(2.0f * 3.14159265f * 220.0f * n / kRate);
            engine.process({x, x});
        }
        return engine.bank(0).group(0).level()[0];
    }
};
} // namespace

TEST(Chords, ANoteFadesInOverThreeHopsAndAStolenOneFadesOutOverTwo)
{
    auto engine = chordEngine(8, 1.0f); // eight voices: room for one note
    SineHops hops{*engine};
    for (int h = 0; h < 40; ++h)
        EXPECT_EQ(hops.next(), 0.0f); // no note, no level
    engine->noteOn(57, 220.0f);
    const float first = hops.next();
    const float second = hops.next();
    const float full = hops.next();
    EXPECT_GT(full, 0.05f);
    EXPECT_NEAR(first / full, 1.0f / 3.0f, 0.01f);
    EXPECT_NEAR(second / full, 2.0f / 3.0f, 0.01f);
    EXPECT_NEAR(hops.next() / full, 1.0f, 0.01f);

    const float held = hops.next();
    engine->noteOn(64, 330.0f); // steals 220 Hz
    const float retention = engine->bank(0).group(0).retention()[0];
    EXPECT_FLOAT_EQ(hops.next(), 0.5f * retention * held);
    EXPECT_EQ(hops.next(), 0.0f);
    hops.next();
    EXPECT_EQ(engine->bank(0).noteSlot(0).frequency(), 330.0f);
    EXPECT_EQ(engine->bank(0).noteSlot(0).phase(), NoteSlot::Phase::FadingIn);
}

TEST(Chords, ThePedalHoldsReleasedNotesAndBendMovesEveryNote)
{
    auto engine = chordEngine(1, 4.0f);
    const auto out = render(*engine, 3.7f,
                            [&](std::size_t n)
                            {
                                if (n == 0)
                                {
                                    engine->noteOn(57, 220.0f);
                                    engine->noteOn(64, 330.0f);
                                    engine->setSustain(true);
                                }
                                if (n == at(0.2f))
                                {
                                    engine->noteOff(57);
                                    engine->noteOff(64);
                                }
                                if (n == at(1.3f))
                                    engine->setPitchBend(2.0f);
                                if (n == at(2.2f))
                                    engine->setSustain(false);
                            });
    const auto held = spectrum(out, at(0.5f), 3);
    expectOnlyHarmonicsOf(held, {220.0f, 330.0f});
    const float bend = std::exp2(2.0f / 12.0f);
    const auto bent = spectrum(out, at(1.4f), 3);
    expectOnlyHarmonicsOf(bent, {220.0f * bend, 330.0f * bend});
    // Still as loud a second after the keys went up (without the pedal: 15 dB down).
    EXPECT_GT(peakNear(bent, 220.0f * bend), 0.7f * peakNear(held, 220.0f));
    // Pedal up: both ring out (4 s for 60 dB: 15 dB a second).
    const auto after = spectrum(out, at(3.3f));
    EXPECT_LT(peakNear(after, 220.0f * bend), 0.25f * peakNear(held, 220.0f));
    EXPECT_LT(peakNear(after, 330.0f * bend), 0.25f * peakNear(held, 330.0f));
    EXPECT_EQ(engine->notes().soundingCount(), 0u);
}

TEST(Chords, WithoutPolyphonyNotesChangeNothing)
{
    auto plain = chordEngine(1, 1.0f, 0);
    auto played = chordEngine(1, 1.0f, 0);
    plain->setFrequency(220.0f);
    played->setFrequency(220.0f);
    const auto a = render(*plain, 0.5f, [](std::size_t) {});
    const auto b = render(*played, 0.5f,
                          [&](std::size_t n)
                          {
                              if (n % 4000 == 0)
                              {
                                  played->noteOn(static_cast<int>(n % 128), 300.0f);
                                  played->setSustain(n % 8000 == 0);
                                  played->setPitchBend(1.0f);
                                  played->noteOff(static_cast<int>(n % 128));
                              }
                          });
    EXPECT_EQ(played->notes().slotCount(), 0u);
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
}

} // namespace quendra::dravel::vantor
