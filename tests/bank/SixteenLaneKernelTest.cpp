// The wide kernels instantiated with lanes16 (SixteenLanePack.h), sixteen lanes made of vec4:
// the logic of the 512-bit path (four groups or eight bins to a pack, one pack of taps to a
// lane, two packs to an update) checked against the four-lane path's bits on any processor,
// this one's lack of AVX-512F notwithstanding. The AVX-512F backend is this same text on vec16.
#include "PartialGroupWide.h"

#if defined(QUENDRA_WIDE_VECTORS)
#include "SixteenLanePack.h"
#include "WideKernelSupport.h"

#include <gtest/gtest.h>

namespace quendra::dravel::vantor::sixteen
{
using GroupPack = lanes16;
#include "simd/PartialGroupBackend.inl"
} // namespace quendra::dravel::vantor::sixteen

using namespace wide_kernel_support;
using quendra::dravel::vantor::sixteen::kGroupBackend;
using quendra::dravel::vantor::sixteen::misalignedAccesses;

TEST(SixteenLaneKernel, SpectrumAddAtTheEdgesGivesTheFourLaneBits)
{
    misalignedAccesses = 0;
    FourGroups four;
    auto& groups = four.groups;
    const auto& batch = four.batch;
    KernelTable kernel;
    const SpectrumGeometry geometry;
    const std::vector<float> positions = edgePositions();
    std::mt19937 rng(6);
    std::uniform_int_distribution<std::size_t> pick(0, positions.size() - 1);
    std::normal_distribution<float> amplitude(0.0f, 1.0f);
    for (int trial = 0; trial < 3000; ++trial)
    {
        for (PartialGroup& g : groups)
        {
            const auto at = [&] { return positions[pick(rng)] * wide_kernel_support::kPi; };
            g.mModOmega = vec4(at(), at(), at(), at());
            g.mRe = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
            g.mIm = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
        }
        Spectrum fourLanes(static_cast<std::uint32_t>(trial));
        // The packed sums on a spectrum with nothing after bin 512 (see ExactSpectrum).
        ExactSpectrum packed(fourLanes);
        for (const PartialGroup& g : groups)
            g.addToSpectrum(fourLanes.bins.data(), kernel, geometry);
        if (trial % 2 == 0)
            for (const PartialGroup& g : groups)
                kGroupBackend.addToSpectrum(g, packed.bins(), kernel, geometry);
        else
            kGroupBackend.addFourToSpectrum(batch, packed.bins(), kernel, geometry);
        ASSERT_TRUE(packed == fourLanes)
            << (trial % 2 == 0 ? "one group at a time" : "four groups together") << ", trial "
            << trial;
    }
    EXPECT_EQ(misalignedAccesses, 0);
}

TEST(SixteenLaneKernel, EightGroupUpdateGivesTheBitsOfEightUpdates)
{
    misalignedAccesses = 0;
    // Fundamentals that put the top lanes on the last bins and past them; groups that do not
    // listen beside ones that do, at every place in a pack.
    for (float fundamental : {3.0f, 17.0f, 64.0f})
        for (unsigned deaf : {0x00u, 0x41u, 0xa4u, 0x1eu})
        {
            EightGroups packed(fundamental);
            EightGroups fourLanes(fundamental);
            for (int i = 0; i < 8; ++i)
            {
                packed.groups()[i].setVoiceActive(((deaf >> i) & 1u) == 0);
                fourLanes.groups()[i].setVoiceActive(((deaf >> i) & 1u) == 0);
            }
            Spectrum input(9);
            input.bins[3] = {std::numeric_limits<float>::infinity(), 0.0f};
            BinMagnitudes magnitudes;
            magnitudes.compute(input.bins.data());
            const SpectrumGeometry geometry;
            for (int hop = 0; hop < 200; ++hop)
            {
                const vec4 shift(hop % 3 == 0 ? 1.0f : 1.2f);
                ASSERT_TRUE(kGroupBackend.updateEightGranular(packed.groups(), magnitudes, shift,
                                                              geometry));
                for (int i = 0; i < 8; ++i)
                {
                    fourLanes.groups()[i].update(magnitudes, shift, geometry);
                    expectSameGroups(packed.groups()[i], fourLanes.groups()[i], hop, i);
                }
                if (HasFailure())
                    return;
            }
        }
    EXPECT_EQ(misalignedAccesses, 0);
}
#endif
