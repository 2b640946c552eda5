// The wide kernels called directly, on every vector width and on the sixteen-lane pack of
// vec4 (SixteenLanePack.h: the AVX-512F backend's text, checked on any processor, where no
// aligned access may miss its 64-byte boundary): the spectrum add of one group and of four
// (lanes on, below and past the ends of the spectrum), the batched group update, the bin
// magnitudes and the limiter each give the four-lane path's bits. A width this processor lacks
// is reported as skipped, never passed.
#include "quendra/dsp/Limiter.h"
#include "quendra/dsp/PartialGroup.h"
#include "quendra/dsp/simd/KernelBackend.h"
#include "quendra/dsp/simd/WideVectors.h"

#include "PartialGroupWide.h"
#include "WideKernelSupport.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "SixteenLanePack.h"

namespace quendra::dravel::vantor::sixteen
{
using GroupPack = lanes16;
#include "simd/PartialGroupBackend.inl"
} // namespace quendra::dravel::vantor::sixteen
#endif

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

// A way through the group kernels: a vector width through the public calls, or the
// sixteen-lane pack through its backend's table.
struct KernelPath
{
    VectorWidth width;
    bool sixteenLanes = false;
};

std::string nameOf(const KernelPath& path)
{
    return path.sixteenLanes                      ? "SixteenLanePack"
           : path.width == VectorWidth::FourLanes ? "FourLanes"
           : path.width == VectorWidth::Bits256   ? "Bits256"
                                                  : "Bits512";
}

struct WideKernel : ::testing::TestWithParam<KernelPath>
{
    void SetUp() override
    {
        if (!GetParam().sixteenLanes && GetParam().width > processorVectorWidth())
            GTEST_SKIP() << "this processor lacks the " << nameOf(GetParam()) << " path";
#if defined(QUENDRA_WIDE_VECTORS)
        sixteen::misalignedAccesses = 0;
#endif
    }
    void TearDown() override
    {
#if defined(QUENDRA_WIDE_VECTORS)
        if (GetParam().sixteenLanes)
        {
            EXPECT_EQ(sixteen::misalignedAccesses, 0);
        }
#endif
    }
    // The vector kernels beside the groups' own (bin magnitudes, limiter) have no sixteen-lane
    // form.
    bool skipWithoutVectorKernels()
    {
        return GetParam().sixteenLanes;
    }

    void addOne(const PartialGroup& g, Complex* out, const KernelTable& kernel,
                const SpectrumGeometry& geometry) const
    {
#if defined(QUENDRA_WIDE_VECTORS)
        if (GetParam().sixteenLanes)
            return sixteen::kGroupBackend.addToSpectrum(g.state(), g.index(), out, kernel,
                                                        geometry);
#endif
        g.addToSpectrumWide(GetParam().width, out, kernel, geometry);
    }
    void addFour(const FourGroups& four, Complex* out, const KernelTable& kernel,
                 const SpectrumGeometry& geometry) const
    {
#if defined(QUENDRA_WIDE_VECTORS)
        if (GetParam().sixteenLanes)
            return sixteen::kGroupBackend.addFourToSpectrum(*four.state, four.batch, out, kernel,
                                                            geometry);
#endif
        PartialGroup::addFourToSpectrumWide(GetParam().width, *four.state, four.batch, out, kernel,
                                            geometry);
    }
    void addToBoth(const GroupRun& a, Complex* outA, const GroupRun& b, Complex* outB,
                   std::size_t count, const KernelTable& kernel,
                   const SpectrumGeometry& geometry) const
    {
        const SynthesisBatch batchA{a.state.get(), a.batch, outA};
        const SynthesisBatch batchB{b.state.get(), b.batch, outB};
#if defined(QUENDRA_WIDE_VECTORS)
        if (GetParam().sixteenLanes)
            return sixteen::kGroupBackend.addToBothSpectra(batchA, batchB, count, kernel, geometry);
#endif
        PartialGroup::addToBothSpectraWide(GetParam().width, batchA, batchB, count, kernel,
                                           geometry);
    }
    int updateBatch(PartialGroup* groups, const BinMagnitudes& in, vec4 shift,
                    const SpectrumGeometry& geometry) const
    {
#if defined(QUENDRA_WIDE_VECTORS)
        if (GetParam().sixteenLanes)
            return sixteen::kGroupBackend.updateBatch(groups, in, shift, geometry);
#endif
        return PartialGroup::updateBatch(GetParam().width, groups, in, shift, geometry);
    }
};

} // namespace

TEST_P(WideKernel, SpectrumAddAtTheEdgesGivesTheFourLaneBits)
{
    FourGroups four;
    auto& groups = four.groups;
    KernelTable kernel;
    const SpectrumGeometry geometry;
    const std::vector<float> positions = edgePositions();
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> pick(0, positions.size() - 1);
    for (int trial = 0; trial < 3000; ++trial)
    {
        for (PartialGroup& g : groups)
        {
            const auto at = [&] { return positions[pick(rng)] * wide_kernel_support::kPi; };
            placeLanes(g, vec4(at(), at(), at(), at()), rng);
        }
        Spectrum fourLanes(static_cast<std::uint32_t>(trial));
        Spectrum wide = fourLanes;
        Spectrum wideFour = fourLanes;
        for (const PartialGroup& g : groups)
        {
            g.addToSpectrum(fourLanes.bins.data(), kernel, geometry);
            addOne(g, wide.bins.data(), kernel, geometry);
        }
        addFour(four, wideFour.bins.data(), kernel, geometry);
        ASSERT_TRUE(wide == fourLanes) << "one group at a time, trial " << trial;
        ASSERT_TRUE(wideFour == fourLanes) << "four groups together, trial " << trial;
    }
}

TEST_P(WideKernel, SpectrumAddOfTwoSidesTogetherGivesEachItsFourLaneBits)
{
    // Two runs of four, eight or twelve groups into two spectra, their lanes taking turns:
    // lanes inside the spectrum, where the turns are taken, and near its ends, where a group
    // goes on its own.
    GroupRun sides[2];
    KernelTable kernel;
    const SpectrumGeometry geometry;
    const std::vector<float> edges = edgePositions();
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> pickEdge(0, edges.size() - 1);
    std::uniform_real_distribution<float> inside(1.0f, 505.0f);
    std::bernoulli_distribution nearAnEnd(0.1);
    for (int trial = 0; trial < 2000; ++trial)
    {
        Spectrum fourLanes[2] = {Spectrum(static_cast<std::uint32_t>(trial)),
                                 Spectrum(static_cast<std::uint32_t>(trial + 7919))};
        Spectrum together[2] = {fourLanes[0], fourLanes[1]};
        const std::size_t count = 4 * static_cast<std::size_t>(1 + trial % 3);
        for (int side = 0; side < 2; ++side)
            for (std::size_t i = 0; i < count; ++i)
            {
                PartialGroup& g = sides[side].groups[i];
                const auto at = [&] {
                    return (nearAnEnd(rng) ? edges[pickEdge(rng)] : inside(rng)) *
                           wide_kernel_support::kPi;
                };
                placeLanes(g, vec4(at(), at(), at(), at()), rng);
                g.addToSpectrum(fourLanes[side].bins.data(), kernel, geometry);
            }
        addToBoth(sides[0], together[0].bins.data(), sides[1], together[1].bins.data(), count,
                  kernel, geometry);
        ASSERT_TRUE(together[0] == fourLanes[0]) << "first side, trial " << trial;
        ASSERT_TRUE(together[1] == fourLanes[1]) << "second side, trial " << trial;
    }
}

TEST_P(WideKernel, SpectrumAddTouchesNoBinPastTheLast)
{
    // The four-lane sums on a spectrum with nothing after bin 512 (see ExactSpectrum).
    FourGroups four;
    auto& groups = four.groups;
    KernelTable kernel;
    const SpectrumGeometry geometry;
    std::mt19937 rng(8);
    for (int trial = 0; trial < 200; ++trial)
    {
        for (int i = 0; i < 4; ++i)
        {
            // Every quarter bin from 500 to 516, a lane at a time.
            const auto at = [&](int lane)
            {
                return (500.0f + 0.25f * static_cast<float>((trial + 16 * i + 4 * lane) % 65)) *
                       wide_kernel_support::kPi;
            };
            placeLanes(groups[i], vec4(at(0), at(1), at(2), at(3)), rng);
        }
        Spectrum fourLanes(static_cast<std::uint32_t>(trial));
        ExactSpectrum wide(fourLanes);
        for (const PartialGroup& g : groups)
            g.addToSpectrum(fourLanes.bins.data(), kernel, geometry);
        if (trial % 2 == 0)
            for (const PartialGroup& g : groups)
                addOne(g, wide.bins(), kernel, geometry);
        else
            addFour(four, wide.bins(), kernel, geometry);
        ASSERT_TRUE(wide == fourLanes) << "trial " << trial;
    }
}

TEST_P(WideKernel, BatchedUpdateGivesTheBitsOfSingleUpdates)
{
    const bool wide = GetParam().sixteenLanes || GetParam().width != VectorWidth::FourLanes;
    // Granular and unmodulated groups (batched), and a Chorus group last among unmodulated ones
    // (the whole batch left to update()).
    // Fundamentals that put the top lanes on the last bins and past them; groups that do not
    // listen (their voice off) beside ones that do, at every place in a vector, the other way
    // round from the middle on; at the start, inside and at the end of the state's arrays.
    for (ModMode mode : {ModMode::Granular, ModMode::None, ModMode::Chorus})
        for (float fundamental : {3.0f, 17.0f, 64.0f})
            for (unsigned deaf : {0x0000u, 0x8241u, 0x5aa4u, 0xe01eu})
                for (std::size_t first : {std::size_t{0}, std::size_t{4},
                                          PartialGroupState::kGroupCount - BatchGroups::kCount})
                {
                    SCOPED_TRACE("mode " + std::to_string(static_cast<int>(mode)));
                    const bool batches = wide && mode != ModMode::Chorus;
                    const ModMode most = mode == ModMode::Chorus ? ModMode::None : mode;
                    BatchGroups batched(fundamental, first, most);
                    BatchGroups single(fundamental, first, most);
                    batched.groups()[BatchGroups::kCount - 1].selectMode(mode);
                    single.groups()[BatchGroups::kCount - 1].selectMode(mode);
                    Spectrum input(9);
                    input.bins[3] = {std::numeric_limits<float>::infinity(), 0.0f};
                    BinMagnitudes magnitudes;
                    magnitudes.compute(input.bins.data());
                    const SpectrumGeometry geometry;
                    for (int hop = 0; hop < 200; ++hop)
                    {
                        if (hop % 100 == 0)
                            for (int i = 0; i < BatchGroups::kCount; ++i)
                            {
                                const bool on = (((deaf >> i) & 1u) == 0) == (hop == 0);
                                batched.groups()[i].setVoiceActive(on);
                                single.groups()[i].setVoiceActive(on);
                            }
                        const vec4 shift(hop % 3 == 0 ? 1.0f : 1.2f);
                        const int audible =
                            updateBatch(batched.groups(), magnitudes, shift, geometry);
                        ASSERT_EQ(audible != PartialGroup::kNotBatched, batches);
                        int audibleSingly = 0;
                        for (int i = 0; i < BatchGroups::kCount; ++i)
                        {
                            if (!batches)
                                batched.groups()[i].update(magnitudes, shift, geometry);
                            single.groups()[i].update(magnitudes, shift, geometry);
                            audibleSingly += single.groups()[i].audible() ? 1 : 0;
                            expectSameGroups(batched.groups()[i], single.groups()[i], hop, i);
                        }
                        if (batches)
                        {
                            EXPECT_EQ(audible, audibleSingly) << "hop " << hop;
                        }
                        if (HasFailure())
                            return;
                    }
                }
}

TEST_P(WideKernel, BinMagnitudesGiveTheFourLaneBits)
{
    if (skipWithoutVectorKernels())
        GTEST_SKIP();
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
    wide.compute(input.bins.data(), GetParam().width);
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
    if (skipWithoutVectorKernels())
        GTEST_SKIP();
    limitVectorWidth(VectorWidth::FourLanes);
    Limiter fourLanes;
    fourLanes.setup(44100.0f);
    limitVectorWidth(GetParam().width);
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
                         ::testing::Values(KernelPath{VectorWidth::FourLanes},
                                           KernelPath{VectorWidth::Bits256},
                                           KernelPath{VectorWidth::Bits512}
#if defined(QUENDRA_WIDE_VECTORS)
                                           ,
                                           KernelPath{VectorWidth::Bits512, true}
#endif
                                           ),
                         [](const auto& info) { return nameOf(info.param); });
