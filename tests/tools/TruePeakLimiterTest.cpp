// The renderer's safety limiter: nothing over the ceiling, seen between the samples as well
// (checked with a finer oversampling than the limiter's own), the same frames in the same
// places, and material under the ceiling untouched, bit for bit.
#include "TruePeakLimiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

using namespace quendra::renderer;

namespace
{

constexpr double kRate = 48000.0;

class Collect final : public FrameSink
{
public:
    void write(const double* interleaved, std::size_t frames) override
    {
        samples.insert(samples.end(), interleaved, interleaved + 2 * frames);
    }
    std::vector<double> samples;
};

std::vector<double> limited(const std::vector<double>& in, double ceilingDbfs,
                            std::size_t chunk = 1000)
{
    Collect out;
    TruePeakLimiter limiter(out, ceilingDbfs, kRate);
    for (std::size_t at = 0; at < in.size(); at += 2 * chunk)
    {
        limiter.write(in.data() + at, std::min(chunk, (in.size() - at) / 2));
    }
    limiter.finish();
    return out.samples;
}

// The largest magnitude of either channel rebuilt 16x oversampled (a long Hann-windowed sinc,
// another filter than the limiter's).
double truePeak(const std::vector<double>& interleaved)
{
    constexpr long kHalf = 64;
    constexpr int kSteps = 16;
    std::vector<std::vector<double>> taps(kSteps, std::vector<double>(2 * kHalf));
    for (int step = 0; step < kSteps; ++step)
    {
        for (long j = -kHalf + 1; j <= kHalf; ++j)
        {
            const double x = static_cast<double>(step) / kSteps - static_cast<double>(j);
            const double window = 0.5 * (1.0 + std::cos(std::numbers::pi * x / kHalf));
            const double sinc =
                x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
            taps[step][static_cast<std::size_t>(j + kHalf - 1)] = sinc * window;
        }
    }
    const auto frames = static_cast<long>(interleaved.size() / 2);
    double peak = 0.0;
    for (int channel = 0; channel < 2; ++channel)
    {
        for (long n = 0; n < frames; ++n)
        {
            for (const auto& phase : taps)
            {
                double value = 0.0;
                for (long j = std::max(-kHalf + 1, -n); j <= std::min(kHalf, frames - 1 - n); ++j)
                {
                    value += interleaved[2 * (n + j) + channel] *
                             phase[static_cast<std::size_t>(j + kHalf - 1)];
                }
                peak = std::max(peak, std::abs(value));
            }
        }
    }
    return peak;
}

std::vector<double> noise(std::size_t frames, double amplitude, std::uint32_t seed)
{
    std::vector<double> out(2 * frames);
    for (double& x : out)
    {
        seed = seed * 1664525u + 1013904223u;
        x = amplitude * (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
    }
    return out;
}

} // namespace

TEST(TruePeakLimiter, MaterialUnderTheCeilingPassesBitForBit)
{
    // Peaks at -3 dBFS between the samples at most: a ceiling of -1 dBFS leaves it alone.
    const std::vector<double> in = noise(3000, 0.25, 3);
    ASSERT_LT(truePeak(in), std::pow(10.0, -1.0 / 20.0));
    EXPECT_EQ(limited(in, -1.0), in);
    EXPECT_EQ(limited(in, -1.0, 1), in); // whatever the chunks
    EXPECT_EQ(limited({}, -1.0), std::vector<double>{});
}

TEST(TruePeakLimiter, NothingPassesTheCeilingNotEvenBetweenSamples)
{
    struct Case
    {
        const char* name;
        std::vector<double> signal;
    };
    std::vector<Case> cases;
    cases.push_back({"loud noise", noise(3000, 4.0, 5)});
    // A quarter of the rate at 45 degrees: every sample at 0.707 of a true peak of 1.6.
    std::vector<double> quarter(2 * 3000);
    for (std::size_t n = 0; n < 3000; ++n)
    {
        const double x = 1.6 * std::sin(std::numbers::pi / 2.0 * n + std::numbers::pi / 4.0);
        quarter[2 * n] = x;
        quarter[2 * n + 1] = -x;
    }
    cases.push_back({"inter-sample peaks", quarter});
    // Quiet, one loud click, quiet again: the quiet parts away from it stay as they were.
    std::vector<double> click = noise(6000, 0.1, 7);
    click[2 * 3000] = 3.0;
    cases.push_back({"click", click});

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const double ceiling : {-1.0, -6.0})
        {
            const std::vector<double> out = limited(c.signal, ceiling);
            ASSERT_EQ(out.size(), c.signal.size());
            EXPECT_LE(truePeak(out), std::pow(10.0, ceiling / 20.0)) << ceiling;
            // The same samples scaled down, in their places.
            for (std::size_t i = 0; i < out.size(); ++i)
            {
                ASSERT_LE(std::abs(out[i]), std::abs(c.signal[i])) << i;
                ASSERT_GE(out[i] * c.signal[i], 0.0) << i;
            }
        }
    }
    const std::vector<double> out = limited(click, -1.0);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 2 * 2000, click.begin()));
    EXPECT_LT(out[2 * 3000], 0.9);
}
