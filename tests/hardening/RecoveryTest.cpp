// Bad input through the object in the host (64-bit buffers, denormals flushed around every
// block): a burst of NaN, infinite or huge samples, on one channel or both, leaves no trace.
// The output is, bit for bit, what the object gives when the burst is silence instead.
#include <tessel/host/Runtime.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

constexpr float kRate = 48000.0f;
constexpr int kBefore = 48000;    // one second of ordinary input before the burst
constexpr int kBurst = 2048;      // samples of bad input
constexpr int kAfter = 3 * 48000; // three seconds after it
constexpr int kTotal = kBefore + kBurst + kAfter;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

enum class Burst
{
    NaN,      // NaN on both channels
    PlusInf,  // +infinity on both
    InfRight, // +infinity on the right channel only
    Huge,     // +-1e300 on both: infinite once in single precision
    Loud      // +-3e7 on the left: finite, far beyond any audio
};

// Sample n of the input: two tones per channel, different per channel, and the burst; with
// `silenced` the burst's samples are zero instead.
std::pair<double, double> input(int n, Burst burst, bool silenced)
{
    const auto t = static_cast<double>(n);
    const double left = 0.3 * std::sin(0.0577 * t) + 0.1 * std::sin(0.213 * t);
    const double right = 0.25 * std::sin(0.0391 * t) + 0.1 * std::sin(0.171 * t);
    if (n < kBefore || n >= kBefore + kBurst)
        return {left, right};
    const double sign = n % 2 == 0 ? 1.0 : -1.0;
    const double bad = silenced ? 0.0 : 1.0;
    switch (burst)
    {
    case Burst::NaN:
        return silenced ? std::pair{0.0, 0.0} : std::pair{kNaN, kNaN};
    case Burst::PlusInf:
        return silenced ? std::pair{0.0, 0.0} : std::pair{kInf, kInf};
    case Burst::InfRight:
        return {left, silenced ? 0.0 : kInf};
    case Burst::Huge:
        return {bad * sign * 1e300, -bad * sign * 1e300};
    case Burst::Loud:
        return {bad * sign * 3e7, right};
    }
    return {left, right};
}

TEST(HostRecovery, BadInputBurstsLeaveNoTraceInTheObjectsOutput)
{
    tessel::host::Runtime runtime;
    runtime.setRandomSeed(11u);
    runtime.setSampleRate(kRate);
    runtime.setBlockSize(64);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    const auto run = [&runtime](Burst burst, bool silenced)
    {
        std::vector<double> left(kTotal), right(kTotal), outLeft(kTotal), outRight(kTotal);
        tessel::host::Instance* instance =
            runtime.createObject("quendra.device.sorvell~ @decay 20 @mix 0.5");
        EXPECT_TRUE(instance != nullptr && runtime.buildDsp(instance));
        if (instance == nullptr)
            return std::pair{outLeft, outRight};
        for (int n = 0; n < kTotal; ++n)
            std::tie(left[n], right[n]) = input(n, burst, silenced);
        const double* ins[] = {left.data(), right.data()};
        double* outs[] = {outLeft.data(), outRight.data()};
        EXPECT_TRUE(runtime.process(instance, ins, outs, kTotal));
        runtime.freeObject(instance);
        return std::pair{outLeft, outRight};
    };
    for (const Burst burst :
         {Burst::NaN, Burst::PlusInf, Burst::InfRight, Burst::Huge, Burst::Loud})
    {
        SCOPED_TRACE(static_cast<int>(burst));
        const auto [hitLeft, hitRight] = run(burst, false);
        const auto [cleanLeft, cleanRight] = run(burst, true);
        for (int n = 0; n < kTotal; ++n)
        {
            ASSERT_TRUE(std::isfinite(hitLeft[n]) && std::isfinite(hitRight[n])) << n;
            ASSERT_EQ(hitLeft[n], cleanLeft[n]) << n;
            ASSERT_EQ(hitRight[n], cleanRight[n]) << n;
        }
        // Not trivially equal: the run reaches the output.
        double energy = 0.0;
        for (int n = kTotal - 12000; n < kTotal; ++n)
            energy += hitLeft[n] * hitLeft[n];
        EXPECT_GT(energy, 1e-3);
    }
}

} // namespace
