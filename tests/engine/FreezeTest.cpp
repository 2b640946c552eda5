// Freeze holds the resonance: once engaged the partials keep their levels whatever the input
// does, the output stays level for as long as it lasts, and after the release it rings out
// with the decay time. Both edges are smooth.
#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{

constexpr float kRate = 48000.0f;
constexpr std::size_t kSecond = 48000;
constexpr std::size_t kLatency = Vantor::kLatency;
constexpr float kDecaySeconds = 1.0f;

// When freeze is engaged and released, and what plays: noise until inputEnd, silence after,
// or from hotFrom on noise ten times as loud.
struct Script
{
    std::size_t freezeAt = kSecond;
    std::size_t releaseAt = 7 * kSecond / 2;
    std::size_t inputEnd = 3 * kSecond / 2;
    std::size_t hotFrom = 0; // 0: never
    std::size_t length = 5 * kSecond;
};

float noiseSample(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

// The left output of the engine following the script.
std::vector<float> render(const Script& script)
{
    auto engine = std::make_unique<Vantor>(kRate, 5u);
    engine->setFrequencySource(0);
    engine->setPolyphony(0);
    engine->setFrequency(110.0f);
    engine->setDecay(kDecaySeconds);
    engine->setMix(1.0f);

    constexpr std::size_t kBlock = 64;
    std::vector<float> out(script.length);
    std::vector<float> in(kBlock), right(kBlock);
    std::uint32_t state = 99;
    for (std::size_t at = 0; at < script.length; at += kBlock)
    {
        if (at == script.freezeAt)
            engine->setFreeze(true);
        if (at == script.releaseAt)
            engine->setFreeze(false);
        for (std::size_t i = 0; i < kBlock; ++i)
        {
            const float x = 0.25f * noiseSample(state);
            const bool hot = script.hotFrom != 0 && at + i >= script.hotFrom;
            in[i] = hot ? 10.0f * x : (at + i < script.inputEnd ? x : 0.0f);
        }
        engine->process(in.data(), in.data(), out.data() + at, right.data(), kBlock);
    }
    return out;
}

// dB RMS of the output over 100 ms from `start` (a time in the input, latency added here).
double levelAt(const std::vector<float>& out, std::size_t start)
{
    double sum = 0.0;
    for (std::size_t i = start + kLatency; i < start + kLatency + kSecond / 10; ++i)
        sum += static_cast<double>(out[i]) * out[i];
    return 10.0 * std::log10(sum / (kSecond / 10));
}

// The largest step between neighbouring samples over [from, to) of the input's time.
float largestStep(const std::vector<float>& out, std::size_t from, std::size_t to)
{
    float largest = 0.0f;
    for (std::size_t i = from + kLatency; i < to + kLatency; ++i)
        largest = std::max(largest, std::abs(out[i] - out[i - 1]));
    return largest;
}

TEST(Freeze, HoldsTheLevelThenRingsOutWithTheDecay)
{
    const Script script;
    const std::vector<float> out = render(script);

    // Frozen, after the input stopped: level within 0.5 dB, window after window.
    const double held = levelAt(out, 16 * kSecond / 10);
    EXPECT_GT(held, -40.0);
    for (std::size_t start = 16 * kSecond / 10; start + kSecond / 10 <= script.releaseAt;
         start += kSecond / 10)
        EXPECT_NEAR(levelAt(out, start), held, 0.5) << "at " << start / kRate << " s";

    // Released into silence: 60 dB down per decay time, 30 dB in half of it.
    const std::size_t after = script.releaseAt + kSecond / 5;
    EXPECT_NEAR(levelAt(out, after) - levelAt(out, after + kSecond / 2), 30.0, 2.0);

    // Without freeze the same input has died away long before.
    Script unfrozen = script;
    unfrozen.freezeAt = unfrozen.releaseAt = script.length;
    EXPECT_LT(levelAt(render(unfrozen), 3 * kSecond), held - 60.0);
}

TEST(Freeze, HotInputWhileFrozenChangesNothing)
{
    const Script quiet;
    Script hot = quiet;
    hot.hotFrom = hot.freezeAt; // from the freeze on, noise at +20 dB until the release
    const std::vector<float> a = render(quiet);
    const std::vector<float> b = render(hot);
    // From the first frame that is frozen up to the first that the release reaches, the same
    // samples.
    for (std::size_t i = 0; i < quiet.releaseAt + kLatency - kFftSize; ++i)
        ASSERT_EQ(a[i], b[i]) << "sample " << i;
}

TEST(Freeze, BothEdgesAreSmooth)
{
    const Script script;
    const std::vector<float> out = render(script);
    // Around each edge no step between samples is larger than those of the steady hold
    // (with a margin for the noise-driven level before it), and while the input plays on the
    // level moves gradually into the hold: never 1.5 dB from one 100 ms window to the next,
    // 50 ms later.
    const float steady = largestStep(out, 2 * kSecond, 3 * kSecond);
    for (const std::size_t edge : {script.freezeAt, script.releaseAt})
    {
        SCOPED_TRACE(edge / kRate);
        EXPECT_LT(largestStep(out, edge - kSecond / 10, edge + kSecond / 10), 1.5f * steady);
    }
    for (std::size_t start = script.freezeAt - kSecond / 5; start < script.freezeAt + kSecond / 5;
         start += kSecond / 20)
        EXPECT_NEAR(levelAt(out, start), levelAt(out, start + kSecond / 20), 1.5);
}

} // namespace
} // namespace quendra::dravel::vantor
