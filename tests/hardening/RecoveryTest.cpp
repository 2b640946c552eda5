// Recovery from non-finite input through the object in the host (which flushes denormals to
// zero around every block): after a burst of NaN or infinite samples (on one channel or both)
// the output is finite again and back to its normal level within three seconds of audio. (The
// bare engine is held to more: such a burst leaves no trace at all, see InputBurstTest.)
#include <quendra/dsp/StereoFrame.h>
#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{

using quendra::dravel::vantor::StereoFrame;

constexpr float kRate = 48000.0f;
constexpr int kBefore = 48000;    // one second of ordinary input before the burst
constexpr int kBurst = 2048;      // samples of bad input
constexpr int kAfter = 3 * 48000; // three seconds after it
constexpr int kTotal = kBefore + kBurst + kAfter;
constexpr int kWindow = 12000; // level measured over the last quarter second

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

enum class Burst
{
    NaN,     // NaN on both channels
    PlusInf, // +infinity on both
    InfRight // +infinity on the right channel only
};

// Sample n of the input: two tones per channel, different per channel, and the burst when
// one is given.
StereoFrame input(int n, const Burst* burst)
{
    const auto t = static_cast<float>(n);
    const StereoFrame tone{0.3f * std::sin(0.0577f * t) + 0.1f * std::sin(0.213f * t),
                           0.25f * std::sin(0.0391f * t) + 0.1f * std::sin(0.171f * t)};
    if (burst == nullptr || n < kBefore || n >= kBefore + kBurst)
        return tone;
    switch (*burst)
    {
    case Burst::NaN:
        return {kNaN, kNaN};
    case Burst::PlusInf:
        return {kInf, kInf};
    case Burst::InfRight:
        return {tone.left, kInf};
    }
    return tone;
}

// The last window of the run with the burst is finite and within 3 dB of the run without.
void expectRecovered(const std::vector<StereoFrame>& clean, const std::vector<StereoFrame>& hit)
{
    double level[2][2] = {}; // [run][channel], sums of squares
    for (std::size_t i = kTotal - kWindow; i < kTotal; ++i)
    {
        ASSERT_TRUE(std::isfinite(hit[i].left) && std::isfinite(hit[i].right))
            << "sample " << i - (kBefore + kBurst) << " after the burst";
        const StereoFrame* frames[] = {&clean[i], &hit[i]};
        for (int run = 0; run < 2; ++run)
        {
            level[run][0] += double(frames[run]->left) * frames[run]->left;
            level[run][1] += double(frames[run]->right) * frames[run]->right;
        }
    }
    ASSERT_GT(level[0][0], 1e-6 * kWindow) << "the tone should be audible";
    for (int channel = 0; channel < 2; ++channel)
        EXPECT_NEAR(10.0 * std::log10(level[1][channel] / level[0][channel]), 0.0, 3.0) << channel;
}

// Through the object in the host, with every default the object has.
TEST(HostRecovery, ObjectOutputRecoversFromNaNAndInfinityBursts)
{
    tessel::host::Runtime runtime;
    runtime.setRandomSeed(11u);
    runtime.setSampleRate(kRate);
    runtime.setBlockSize(64);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    const auto run = [&runtime](const Burst* burst)
    {
        std::vector<StereoFrame> out(kTotal);
        tessel::host::Instance* instance =
            runtime.createObject("quendra.device.sorvell~ @decay 20");
        if (instance == nullptr || !runtime.buildDsp(instance))
            return out; // silent: fails as inaudible
        std::vector<double> left(kTotal), right(kTotal), outLeft(kTotal), outRight(kTotal);
        for (int n = 0; n < kTotal; ++n)
            left[n] = input(n, burst).left, right[n] = input(n, burst).right;
        const double* ins[] = {left.data(), right.data()};
        double* outs[] = {outLeft.data(), outRight.data()};
        EXPECT_TRUE(runtime.process(instance, ins, outs, kTotal));
        runtime.freeObject(instance);
        for (int n = 0; n < kTotal; ++n)
            out[n] = {static_cast<float>(outLeft[n]), static_cast<float>(outRight[n])};
        return out;
    };
    const auto clean = run(nullptr);
    for (const Burst burst : {Burst::NaN, Burst::PlusInf, Burst::InfRight})
    {
        SCOPED_TRACE(static_cast<int>(burst));
        expectRecovered(clean, run(&burst));
    }
}

} // namespace
