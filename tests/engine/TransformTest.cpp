// The FFT contract (layout, sign, scaling), the analysis window and the fatal assertions
// of FFT creation.
#include "quendra/dsp/transform/Fft.h"
#include "quendra/dsp/transform/Window.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
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

TEST(Fft, UnitImpulseHasAFlatSpectrum)
{
    Fft fft(kFftSize);
    alignas(16) Frame impulse{};
    impulse[0] = 1.0f;
    alignas(16) Bins spectrum{};
    fft.forward(impulse.data(), spectrum.data());
    for (std::size_t k = 0; k < kNumBins; ++k)
    {
        EXPECT_EQ(spectrum[k].re, 1.0f) << "bin " << k;
        EXPECT_EQ(spectrum[k].im, 0.0f) << "bin " << k;
    }
}

TEST(Fft, ForwardUsesNegativeExponentAndNoScaling)
{
    // x[n] = cos(2 pi 5 n / N) + sin(2 pi 17 n / N): X[5] = N/2, X[17] = -i N/2.
    Fft fft(kFftSize);
    alignas(16) Frame x{};
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(n) / kFftSize;
        x[n] = static_cast<float>(std::cos(5.0 * angle) + std::sin(17.0 * angle));
    }
    alignas(16) Bins spectrum{};
    fft.forward(x.data(), spectrum.data());
    for (std::size_t k = 0; k < kNumBins; ++k)
    {
        const float expectedRe = k == 5 ? 512.0f : 0.0f;
        const float expectedIm = k == 17 ? -512.0f : 0.0f;
        EXPECT_NEAR(spectrum[k].re, expectedRe, 1e-3f) << "bin " << k;
        EXPECT_NEAR(spectrum[k].im, expectedIm, 1e-3f) << "bin " << k;
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
    for (std::size_t k = 0; k < kNumBins; ++k)
    {
        EXPECT_EQ(spectrum[k].re, before[k].re);
        EXPECT_EQ(spectrum[k].im, before[k].im);
    }
}

TEST(Fft, RoundTripReturnsTheFrameAndIsDeterministic)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    Fft first(kFftSize);
    Fft second(kFftSize);
    for (int trial = 0; trial < 8; ++trial)
    {
        alignas(16) Frame x{};
        for (float& sample : x)
        {
            sample = noise(generator) * static_cast<float>(trial + 1);
        }
        alignas(16) Bins spectrum{};
        alignas(16) Bins again{};
        alignas(16) Frame back{};
        first.forward(x.data(), spectrum.data());
        second.forward(x.data(), again.data());
        EXPECT_EQ(spectrum[0].im, 0.0f);
        EXPECT_EQ(spectrum[kNumBins - 1].im, 0.0f);
        for (std::size_t k = 0; k < kNumBins; ++k)
        {
            ASSERT_EQ(spectrum[k].re, again[k].re); // same bits from every object
            ASSERT_EQ(spectrum[k].im, again[k].im);
        }
        first.inverse(spectrum.data(), back.data());
        for (std::size_t n = 0; n < kFftSize; ++n)
        {
            ASSERT_NEAR(back[n], x[n], 2e-6f * static_cast<float>(trial + 1)) << "sample " << n;
        }
    }
}

TEST(Fft, ObjectsCreatedOnManyThreadsAtOnceAgree)
{
    // Plan creation and destruction share one lock; the transforms need none.
    alignas(16) Frame x{};
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        x[n] = static_cast<float>((n * 37) % 101) / 101.0f - 0.5f;
    }
    constexpr int kThreads = 4;
    std::array<Bins, kThreads> results{};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [&x, &results, t]
            {
                for (int round = 0; round < 20; ++round)
                {
                    Fft fft(kFftSize);
                    fft.forward(x.data(), results[static_cast<std::size_t>(t)].data());
                }
            });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    for (int t = 1; t < kThreads; ++t)
    {
        for (std::size_t k = 0; k < kNumBins; ++k)
        {
            ASSERT_EQ(results[static_cast<std::size_t>(t)][k].re, results[0][k].re);
            ASSERT_EQ(results[static_cast<std::size_t>(t)][k].im, results[0][k].im);
        }
    }
}

TEST(Fft, IsPowerOfTwo)
{
    EXPECT_FALSE(isPowerOfTwo(0));
    EXPECT_TRUE(isPowerOfTwo(1));
    EXPECT_TRUE(isPowerOfTwo(2));
    EXPECT_FALSE(isPowerOfTwo(3));
    EXPECT_TRUE(isPowerOfTwo(1024));
    EXPECT_FALSE(isPowerOfTwo(1023));
    EXPECT_FALSE(isPowerOfTwo(1536));
    EXPECT_TRUE(isPowerOfTwo(std::uint64_t{1} << 63));
    EXPECT_FALSE(isPowerOfTwo(~std::uint64_t{0}));
}

TEST(FftDeathTest, BadSizesAreFatalWithTheAssertionLine)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(Fft(1000), "^ASSERT 'isPowerOfTwo\\(size\\) && size <= "
                            "unsigned\\(std::numeric_limits<int>::max\\(\\)\\)': expression "
                            "failed in file '[^']*Fft_fftw\\.cpp:[0-9]+'\n");
    EXPECT_DEATH(Fft(8), "^ASSERT 'size >= kMinimumFftSize && isPowerOfTwo\\(size\\)': "
                         "expression failed in file '[^']*Fft\\.cpp:[0-9]+'\n");
}

Frame analysisWindow()
{
    Frame window{};
    generateWindowNormalisedBySum(WindowConfiguration{kFftSize, 1, WindowType::Hann}, kHopSize,
                                  window.data());
    return window;
}

TEST(Window, PeriodicHannNormalisedToTheHop)
{
    const Frame w = analysisWindow();
    EXPECT_EQ(w[0], 0.0f);
    // The float sum misses 512 by rounding, so the scale is 1 within a few ulps.
    EXPECT_NEAR(w[512], 1.0f, 3e-7f);
    float sum = 0.0f;
    for (std::size_t n = 0; n < kFftSize; ++n)
    {
        if (n > 0)
        {
            EXPECT_EQ(w[n], w[kFftSize - n]) << "index " << n;
        }
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / 1024.0);
        EXPECT_NEAR(w[n], hann, 3e-7) << "index " << n;
        sum += w[n];
    }
    EXPECT_NEAR(sum, 512.0f, 1e-3f);
}

TEST(Window, OverlapAddAtTheHopSumsToOne)
{
    const Frame w = analysisWindow();
    for (std::size_t n = 0; n < kHopSize; ++n)
    {
        EXPECT_NEAR(w[n] + w[n + kHopSize], 1.0f, 1e-6f) << "index " << n;
    }
}

TEST(Window, SymmetricAndRectangularShapes)
{
    std::vector<float> w(16);
    generateWindowNormalisedBySum(WindowConfiguration{16, 0, WindowType::Hann}, 8, w.data());
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_NEAR(w[15], 0.0f, 1e-7f); // symmetric: zero at both ends
    float sum = 0.0f;
    for (float v : w)
    {
        sum += v;
    }
    EXPECT_NEAR(sum, 8.0f, 1e-5f);

    generateWindowNormalisedBySum(WindowConfiguration{16, 1, WindowType::Rectangular}, 8, w.data());
    for (float v : w)
    {
        EXPECT_EQ(v, 0.5f);
    }
}

} // namespace
} // namespace quendra::dravel::vantor
