// The wide kernels called directly, on every vector width: the spectrum add of one group and
// of four (lanes on, below and past the ends of the spectrum), the eight-group Granular update,
// the bin magnitudes and the limiter each give the four-lane path's bits. A width this
// processor lacks is reported as skipped, never passed.
#include "quendra/dsp/Limiter.h"
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/simd/KernelBackend.h"
#include "quendra/dsp/simd/WideVectors.h"

#include "WideKernelSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace quendra::dravel::vantor;
using namespace wide_kernel_support;

namespace
{

std::string nameOf(VectorWidth width)
{
    return width == VectorWidth::FourLanes ? "FourLanes"
           : width == VectorWidth::Bits256 ? "Bits256"
                                           : "Bits512";
}

struct WideKernel : ::testing::TestWithParam<VectorWidth>
{
    void SetUp() override
    {
        if (GetParam() > processorVectorWidth())
            GTEST_SKIP() << "this processor lacks the " << nameOf(GetParam()) << " path";
    }
};

} // namespace

TEST_P(WideKernel, SpectrumAddAtTheEdgesGivesTheFourLaneBits)
{
    const VectorWidth width = GetParam();
    FourGroups four;
    auto& groups = four.groups;
    const auto& batch = four.batch;
    KernelTable kernel;
    const SpectrumGeometry geometry;
    const std::vector<float> positions = edgePositions();
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> pick(0, positions.size() - 1);
    std::normal_distribution<float> amplitude(0.0f, 1.0f);
    for (int trial = 0; trial < 3000; ++trial)
    {
        for (PartialGroup& g : groups)
        {
            const auto at = [&] { return positions[pick(rng)] * kPi; };
            g.mModOmega = vec4(at(), at(), at(), at());
            g.mRe = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
            g.mIm = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
        }
        Spectrum fourLanes(static_cast<std::uint32_t>(trial));
        Spectrum wide = fourLanes;
        Spectrum wideFour = fourLanes;
        for (const PartialGroup& g : groups)
        {
            g.addToSpectrum(fourLanes.bins.data(), kernel, geometry);
            g.addToSpectrumWide(width, wide.bins.data(), kernel, geometry);
        }
        PartialGroup::addFourToSpectrumWide(width, batch, wideFour.bins.data(), kernel, geometry);
        ASSERT_TRUE(wide == fourLanes) << "one group at a time, trial " << trial;
        ASSERT_TRUE(wideFour == fourLanes) << "four groups together, trial " << trial;
    }
}

TEST_P(WideKernel, SpectrumAddTouchesNoBinPastTheLast)
{
    // The four-lane sums on a spectrum with nothing after bin 512 (see ExactSpectrum).
    const VectorWidth width = GetParam();
    FourGroups four;
    auto& groups = four.groups;
    const auto& batch = four.batch;
    KernelTable kernel;
    const SpectrumGeometry geometry;
    std::mt19937 rng(8);
    std::normal_distribution<float> amplitude(0.0f, 1.0f);
    for (int trial = 0; trial < 200; ++trial)
    {
        for (int i = 0; i < 4; ++i)
        {
            // Every quarter bin from 500 to 516, a lane at a time.
            const auto at = [&](int lane) {
                return (500.0f + 0.25f * static_cast<float>((trial + 16 * i + 4 * lane) % 65)) *
                       kPi;
            };
            groups[i].mModOmega = vec4(at(0), at(1), at(2), at(3));
            groups[i].mRe = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
            groups[i].mIm = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
        }
        Spectrum fourLanes(static_cast<std::uint32_t>(trial));
        ExactSpectrum wide(fourLanes);
        for (const PartialGroup& g : groups)
            g.addToSpectrum(fourLanes.bins.data(), kernel, geometry);
        if (trial % 2 == 0)
            for (const PartialGroup& g : groups)
                g.addToSpectrumWide(width, wide.bins(), kernel, geometry);
        else
            PartialGroup::addFourToSpectrumWide(width, batch, wide.bins(), kernel, geometry);
        ASSERT_TRUE(wide == fourLanes) << "trial " << trial;
    }
}

TEST_P(WideKernel, EightGroupUpdateGivesTheBitsOfEightUpdates)
{
    const VectorWidth width = GetParam();
    // Fundamentals that put the top lanes on the last bins and past them.
    for (float fundamental : {3.0f, 17.0f, 64.0f})
    {
        EightGroups wide(fundamental);
        EightGroups fourLanes(fundamental);
        Spectrum input(9);
        input.bins[3] = {std::numeric_limits<float>::infinity(), 0.0f};
        BinMagnitudes magnitudes;
        magnitudes.compute(input.bins.data());
        const SpectrumGeometry geometry;
        for (int hop = 0; hop < 200; ++hop)
        {
            const vec4 shift(hop % 3 == 0 ? 1.0f : 1.2f);
            const bool batched = PartialGroup::updateEightGranular(width, wide.groups(), magnitudes,
                                                                   shift, geometry);
            ASSERT_EQ(batched, width != VectorWidth::FourLanes);
            if (!batched)
                for (int i = 0; i < 8; ++i)
                    wide.groups()[i].update(magnitudes, shift, geometry);
            for (int i = 0; i < 8; ++i)
                fourLanes.groups()[i].update(magnitudes, shift, geometry);
            for (int i = 0; i < 8; ++i)
                expectSameGroups(wide.groups()[i], fourLanes.groups()[i], hop, i);
            if (HasFailure())
                return;
        }
    }
}

TEST_P(WideKernel, EightGroupUpdateKeepsEachGroupsOwnListening)
{
    // Groups that do not listen (their voice off) beside ones that do, at every place in a
    // vector: each keeps its own excitation, and its level falls on its own.
    const VectorWidth width = GetParam();
    for (unsigned deaf : {0x02u, 0x41u, 0xa4u, 0x1eu})
    {
        EightGroups wide(5.0f);
        EightGroups fourLanes(5.0f);
        for (int i = 0; i < 8; ++i)
        {
            wide.groups()[i].setVoiceActive(((deaf >> i) & 1u) == 0);
            fourLanes.groups()[i].setVoiceActive(((deaf >> i) & 1u) == 0);
        }
        Spectrum input(11);
        BinMagnitudes magnitudes;
        magnitudes.compute(input.bins.data());
        const SpectrumGeometry geometry;
        for (int hop = 0; hop < 40; ++hop)
        {
            if (hop == 20)
                for (int i = 0; i < 8; ++i)
                {
                    // The other way round from the middle on.
                    wide.groups()[i].setVoiceActive(((deaf >> i) & 1u) != 0);
                    fourLanes.groups()[i].setVoiceActive(((deaf >> i) & 1u) != 0);
                }
            const vec4 shift(1.0f);
            if (!PartialGroup::updateEightGranular(width, wide.groups(), magnitudes, shift,
                                                   geometry))
                for (int i = 0; i < 8; ++i)
                    wide.groups()[i].update(magnitudes, shift, geometry);
            for (int i = 0; i < 8; ++i)
            {
                fourLanes.groups()[i].update(magnitudes, shift, geometry);
                expectSameGroups(wide.groups()[i], fourLanes.groups()[i], hop, i);
            }
            if (HasFailure())
                return;
        }
    }
}

TEST_P(WideKernel, BinMagnitudesGiveTheFourLaneBits)
{
    Spectrum input(3);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Complex awkward[] = {{inf, nan},     {nan, -inf},   {nan, 1.0f},     {1e-45f, -1e-45f},
                               {3e38f, 3e38f}, {-0.0f, 0.0f}, {1e-20f, 1e20f}, {-inf, -inf}};
    for (std::size_t k = 0; k < std::size(awkward); ++k)
    {
        input.bins[5 * k] = awkward[k];
        input.bins[kNumBins - 1 - k] = awkward[k];
    }
    BinMagnitudes fourLanes;
    BinMagnitudes wide;
    fourLanes.compute(input.bins.data(), VectorWidth::FourLanes);
    wide.compute(input.bins.data(), GetParam());
    for (std::size_t k = 0; k < kNumBins; ++k)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(wide[k]), std::bit_cast<std::uint32_t>(fourLanes[k]))
            << "bin " << k;
    // Each lane's value is the hypot of its bin, whatever lane of a pack it sits in.
    for (std::size_t k = 1; k < kNumBins; ++k)
    {
        if (std::isfinite(input.bins[k].re) && std::isfinite(input.bins[k].im))
        {
            ASSERT_EQ(wide[k], std::hypot(input.bins[k].re, input.bins[k].im)) << "bin " << k;
        }
    }
}

TEST_P(WideKernel, LimiterGivesTheFourLaneBits)
{
    limitVectorWidth(VectorWidth::FourLanes);
    Limiter fourLanes;
    fourLanes.setup(44100.0f);
    limitVectorWidth(GetParam());
    Limiter wide;
    wide.setup(44100.0f);
    limitVectorWidth(VectorWidth::Bits512);
    std::mt19937 rng(21);
    std::normal_distribution<float> loud(0.0f, 3.0f);
    std::uniform_int_distribution<std::size_t> length(1, Limiter::kMaxRun);
    std::array<StereoFrame, Limiter::kMaxRun> a{};
    for (int run = 0; run < 2000; ++run)
    {
        const std::size_t count = length(rng);
        // Loud runs, quiet runs (the release) and silence in turn.
        const float scale = run % 3 == 0 ? 1.0f : (run % 3 == 1 ? 0.05f : 0.0f);
        for (std::size_t n = 0; n < count; ++n)
            a[n] = {scale * loud(rng), scale * loud(rng)};
        std::array<StereoFrame, Limiter::kMaxRun> b = a;
        fourLanes.process(a.data(), count);
        wide.process(b.data(), count);
        ASSERT_EQ(std::memcmp(a.data(), b.data(), count * sizeof(StereoFrame)), 0) << "run " << run;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(fourLanes.smoothedGain()),
                  std::bit_cast<std::uint64_t>(wide.smoothedGain()))
            << "run " << run;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWidth, WideKernel,
                         ::testing::Values(VectorWidth::FourLanes, VectorWidth::Bits256,
                                           VectorWidth::Bits512),
                         [](const auto& info) { return nameOf(info.param); });
