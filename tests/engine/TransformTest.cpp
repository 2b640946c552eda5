// The FFT contract (layout, sign, scaling, determinism), the fatal assertions of FFT creation
// and the analysis window.
#include "quendra/dsp/transform/Fft.h"
#include "quendra/dsp/transform/Window.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{

using Frame = std::array<float, kFftSize>;
using Bins = std::array<Complex, kNumBins>;

TEST(Fft, ImpulseIsFlatAndForwardHasNegativeSignWithoutScaling)
{
    Fft fft(kFftSize);
    alignas(16) Frame impulse{};
    impulse[0] = 1.0f;
    alignas(16) Frame x{}; // cos(2 pi 5 n / N) + sin(2 pi 17 n / N): X[5] = N/2, X[17] = -i N/2
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(n) / kFftSize;
        x[n] = static_cast<float>(std::cos(5.0 * angle) + std::sin(17.0 * angle));
    }
    alignas(16) Bins flat{};
    alignas(16) Bins spectrum{};
    fft.forward(impulse.data(), flat.data());
    fft.forward(x.data(), spectrum.data());
    for (std::size_t k = 0; k < kNumBins; ++k)
    {
        EXPECT_TRUE(flat[k].re == 1.0f && flat[k].im == 0.0f) << "bin " << k;
        EXPECT_NEAR(spectrum[k].re, k == 5 ? 512.0f : 0.0f, 1e-3f) << "bin " << k;
        EXPECT_NEAR(spectrum[k].im, k == 17 ? -512.0f : 0.0f, 1e-3f) << "bin " << k;
    }
}

TEST(Fft, InverseOfDcBinIsAllOnesAndLeavesTheSpectrumAlone)
{
    Fft fft(kFftSize);
    alignas(16) Bins spectrum{};
    spectrum[0] = {1024.0f, 0.0f};
    spectrum[kNumBins - 1].im = 3.0f; // carries nothing in a real signal: ignored
    const Bins before = spectrum;
    alignas(16) Frame x{};
    fft.inverse(spectrum.data(), x.data());
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        EXPECT_EQ(x[n], 1.0f) << "sample " << n;
    }
    EXPECT_EQ(std::memcmp(&spectrum, &before, sizeof(Bins)), 0);
}

TEST(Fft, RoundTripReturnsTheFrameAndObjectsOnManyThreadsGiveTheSameBits)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> noise(-4.0f, 4.0f);
    alignas(16) Frame x{};
    for (float& sample : x)
    {
        sample = noise(generator);
    }
    // Plan creation and destruction share one lock; the transforms need none.
    std::array<Bins, 4> results{};
    std::vector<std::thread> threads;
    for (Bins& result : results)
    {
        threads.emplace_back(
            [&x, &result]
            {
                for (int round = 0; round < 20; ++round)
                {
                    Fft(kFftSize).forward(x.data(), result.data());
                }
            });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    for (const Bins& result : results)
    {
        ASSERT_EQ(std::memcmp(&result, &results[0], sizeof(Bins)), 0);
    }
    EXPECT_EQ(results[0][0].im, 0.0f);
    EXPECT_EQ(results[0][kNumBins - 1].im, 0.0f);
    alignas(16) Frame back{};
    Fft(kFftSize).inverse(results[0].data(), back.data());
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        ASSERT_NEAR(back[n], x[n], 8e-6f) << "sample " << n;
    }
}

TEST(Fft, IsPowerOfTwo)
{
    EXPECT_FALSE(isPowerOfTwo(0));
    EXPECT_TRUE(isPowerOfTwo(1));
    EXPECT_TRUE(isPowerOfTwo(std::uint64_t{1} << 63));
    EXPECT_FALSE(isPowerOfTwo(1536));
    EXPECT_FALSE(isPowerOfTwo(~std::uint64_t{0}));
}

TEST(FftDeathTest, BadSizesAreFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(Fft(1000), "ASSERT");
    EXPECT_DEATH(Fft(8), "ASSERT");
}

TEST(Window, PeriodicHannSymmetricSumming512AndOverlapAddingToOne)
{
    Frame w{};
    generateWindowNormalisedBySum(WindowConfiguration{kFftSize, 1, WindowType::Hann}, kHopSize,
                                  w.data());
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_NEAR(w[512], 1.0f, 3e-7f); // the float sum misses 512 by rounding
    float sum = 0.0f;
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        EXPECT_EQ(w[n], w[(kFftSize - n) % kFftSize]) << "index " << n;
        EXPECT_NEAR(w[n], 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / 1024.0), 3e-7);
        if (n < kHopSize)
        {
            EXPECT_NEAR(w[n] + w[n + kHopSize], 1.0f, 1e-6f) << "index " << n;
        }
        sum += w[n];
    }
    EXPECT_NEAR(sum, 512.0f, 1e-3f);
}

} // namespace
} // namespace quendra::dravel::vantor
