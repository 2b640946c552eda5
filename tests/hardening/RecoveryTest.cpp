// Recovery from non-finite input: after a burst of NaN or infinite samples (on one channel
// or both) the output is finite again and back to its normal level within three seconds of
// audio, through the bare engine and through the object in the host (which flushes
// denormals to zero around every block).
#include "SignalLevel.h"

#include <quendra/dsp/Vantor.h>
#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;
using sorvell::hardening::Burst;
using sorvell::hardening::burstSample;
using sorvell::hardening::levelOf;
using sorvell::hardening::testTone;

constexpr float kRate = 48000.0f;
constexpr int kBefore = 48000;    // one second of ordinary input before the burst
constexpr int kBurst = 2048;      // samples of bad input
constexpr int kAfter = 3 * 48000; // three seconds after it
constexpr int kWindow = 12000;    // level measured over the last quarter second

struct RecoveryCase
{
    Burst burst;
    float decaySeconds;
    int modType;
};

std::string caseName(const ::testing::TestParamInfo<RecoveryCase>& info)
{
    static const char* const bursts[] = {"NaN", "PlusInf", "MinusInf", "NaNLeft", "InfRight"};
    return std::string(bursts[static_cast<int>(info.param.burst)]) + "Decay" +
           std::to_string(static_cast<int>(info.param.decaySeconds * 1000.0f)) + "ms" + "Mod" +
           std::to_string(info.param.modType);
}

// The object's defaults, as its prepare step and attributes give them.
void configure(Vantor& engine, const RecoveryCase& c)
{
    engine.setFrequencySource(0);
    engine.setPolyphony(0);
    engine.setDecay(c.decaySeconds);
    engine.setModType(c.modType);
    engine.setModRate(0.1f);
}

// Output of the engine for tone, burst (when `withBurst`), tone; the level of the last window.
std::vector<StereoFrame> run(const RecoveryCase& c, bool withBurst)
{
    Vantor engine(kRate, 7u);
    configure(engine, c);
    std::vector<StereoFrame> out;
    out.reserve(kBefore + kBurst + kAfter);
    int n = 0;
    for (int i = 0; i < kBefore; ++i, ++n)
        out.push_back(engine.process(testTone(n)));
    for (int i = 0; i < kBurst; ++i, ++n)
        out.push_back(engine.process(withBurst ? burstSample(c.burst, testTone(n)) : testTone(n)));
    for (int i = 0; i < kAfter; ++i, ++n)
        out.push_back(engine.process(testTone(n)));
    return out;
}

class EngineRecovery : public ::testing::TestWithParam<RecoveryCase>
{
};

TEST_P(EngineRecovery, OutputFiniteAndAtNormalLevelWithinThreeSeconds)
{
    const auto reference = run(GetParam(), false);
    const auto burst = run(GetParam(), true);
    const std::size_t end = burst.size();
    for (std::size_t i = end - kWindow; i < end; ++i)
    {
        ASSERT_TRUE(std::isfinite(burst[i].left) && std::isfinite(burst[i].right))
            << "sample " << i - (kBefore + kBurst) << " after the burst";
    }
    const auto expected = levelOf(reference, end - kWindow, end);
    const auto actual = levelOf(burst, end - kWindow, end);
    ASSERT_GT(expected.left, 1e-3) << "the tone should be audible";
    // Within 3 dB of the level without the burst on each channel.
    EXPECT_NEAR(20.0 * std::log10(actual.left / expected.left), 0.0, 3.0);
    EXPECT_NEAR(20.0 * std::log10(actual.right / expected.right), 0.0, 3.0);
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, EngineRecovery,
    ::testing::Values(RecoveryCase{Burst::NaN, 0.222f, 0}, RecoveryCase{Burst::PlusInf, 0.222f, 0},
                      RecoveryCase{Burst::MinusInf, 0.222f, 0},
                      RecoveryCase{Burst::NaNLeft, 0.222f, 0},
                      RecoveryCase{Burst::InfRight, 0.222f, 0},
                      RecoveryCase{Burst::PlusInf, 20.0f, 0}, RecoveryCase{Burst::NaN, 20.0f, 0},
                      RecoveryCase{Burst::PlusInf, 20.0f, 1}, RecoveryCase{Burst::PlusInf, 2.0f, 2},
                      RecoveryCase{Burst::NaN, 2.0f, 3}),
    caseName);

// The same through the object in the host, with every default the object has.
TEST(HostRecovery, ObjectOutputRecoversFromNaNAndInfinityBursts)
{
    tessel::host::Runtime runtime;
    runtime.setRandomSeed(11u);
    runtime.setSampleRate(kRate);
    runtime.setBlockSize(64);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    for (Burst burst : {Burst::NaN, Burst::PlusInf, Burst::InfRight})
    {
        SCOPED_TRACE(static_cast<int>(burst));
        std::vector<StereoFrame> outputs[2];
        for (int withBurst = 0; withBurst < 2; ++withBurst)
        {
            tessel::host::Instance* instance =
                runtime.createObject("quendra.device.sorvell~ @decay 20");
            ASSERT_NE(instance, nullptr);
            ASSERT_TRUE(runtime.buildDsp(instance));
            const int total = kBefore + kBurst + kAfter;
            std::vector<double> left(total), right(total), outLeft(total), outRight(total);
            for (int n = 0; n < total; ++n)
            {
                StereoFrame in = testTone(n);
                if (withBurst != 0 && n >= kBefore && n < kBefore + kBurst)
                    in = burstSample(burst, in);
                left[n] = in.left;
                right[n] = in.right;
            }
            const double* ins[] = {left.data(), right.data()};
            double* outs[] = {outLeft.data(), outRight.data()};
            ASSERT_TRUE(runtime.process(instance, ins, outs, total));
            for (int n = 0; n < total; ++n)
                outputs[withBurst].push_back(
                    {static_cast<float>(outLeft[n]), static_cast<float>(outRight[n])});
            runtime.freeObject(instance);
        }
        const std::size_t end = outputs[1].size();
        for (std::size_t i = end - kWindow; i < end; ++i)
        {
            ASSERT_TRUE(std::isfinite(outputs[1][i].left) && std::isfinite(outputs[1][i].right))
                << "sample " << i - (kBefore + kBurst) << " after the burst";
        }
        const auto expected = levelOf(outputs[0], end - kWindow, end);
        const auto actual = levelOf(outputs[1], end - kWindow, end);
        EXPECT_NEAR(20.0 * std::log10(actual.left / expected.left), 0.0, 3.0);
        EXPECT_NEAR(20.0 * std::log10(actual.right / expected.right), 0.0, 3.0);
    }
}

} // namespace
