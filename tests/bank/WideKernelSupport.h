// What the wide kernel tests share: a noisy spectrum with guard bins, the bin positions near
// and past both ends of the spectrum, eight Granular groups set up from one seed, and the
// comparison of two groups' state bit for bit.
#pragma once

#include "quendra/dsp/PartialGroup.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace wide_kernel_support
{
using namespace quendra::dravel::vantor;

constexpr float kPi = 3.1415927f;
constexpr float kHopRate = 48000.0f / 512.0f;

inline bool sameBits(vec4 a, vec4 b)
{
    for (int l = 0; l < 4; ++l)
        if (std::bit_cast<std::uint32_t>(a[l]) != std::bit_cast<std::uint32_t>(b[l]))
            return false;
    return true;
}

// A 64-byte aligned spectrum with guard bins after bin 512, filled with noise.
struct alignas(64) Spectrum
{
    std::array<Complex, kNumBins + 31> bins;

    explicit Spectrum(std::uint32_t seed)
    {
        std::mt19937 rng(seed);
        std::normal_distribution<float> d(0.0f, 1.0f);
        for (Complex& c : bins)
            c = {d(rng), d(rng)};
    }
    bool operator==(const Spectrum& o) const
    {
        return std::memcmp(bins.data(), o.bins.data(), sizeof bins) == 0;
    }
};

// The first 513 bins of a Spectrum alone on the heap, nothing after them: a kernel that
// reached past bin 512 (even only to write back what it read) shows under the address
// sanitizer.
class ExactSpectrum
{
public:
    explicit ExactSpectrum(const Spectrum& from)
        : mBins(static_cast<Complex*>(::operator new(kBytes, kAlignment)))
    {
        std::memcpy(mBins, from.bins.data(), kBytes);
    }
    ~ExactSpectrum() { ::operator delete(mBins, kAlignment); }
    ExactSpectrum(const ExactSpectrum&) = delete;
    ExactSpectrum& operator=(const ExactSpectrum&) = delete;

    Complex* bins() { return mBins; }
    bool operator==(const Spectrum& o) const
    {
        return std::memcmp(mBins, o.bins.data(), kBytes) == 0;
    }

private:
    static constexpr std::size_t kBytes = kNumBins * sizeof(Complex);
    static constexpr std::align_val_t kAlignment{64};
    Complex* mBins;
};

// Four groups of one random state, and the list of their indices that the four-group add
// takes: the last three of a state and one inside, out of order, as the audible groups of a
// bank may be anywhere.
struct FourGroups
{
    PartialRandom random;
    std::unique_ptr<PartialGroupState> state = std::make_unique<PartialGroupState>();
    PartialGroup groups[4] = {{*state, 509, 0, kHopRate, &random},
                              {*state, 5, 0, kHopRate, &random},
                              {*state, 511, 0, kHopRate, &random},
                              {*state, 510, 0, kHopRate, &random}};
    const std::size_t batch[4] = {509, 5, 511, 510};
};

// Twelve groups of one random state, in the same manner: a run the two-sided add takes in
// packs, placing each pack's lanes while it adds the last pack's.
struct GroupRun
{
    static constexpr std::size_t kCount = 12;
    PartialRandom random;
    std::unique_ptr<PartialGroupState> state = std::make_unique<PartialGroupState>();
    const std::size_t batch[kCount] = {509, 5, 511, 510, 0, 300, 7, 508, 256, 1, 100, 200};
    std::deque<PartialGroup> groups = [this]
    {
        std::deque<PartialGroup> g;
        for (std::size_t index : batch)
            g.emplace_back(*state, index, std::uint8_t{0}, kHopRate, &random);
        return g;
    }();
};

// Lanes at modulated frequencies omega (radians per hop) with random complex amplitudes.
inline void placeLanes(PartialGroup& g, vec4 omega, std::mt19937& rng)
{
    std::normal_distribution<float> amplitude(0.0f, 1.0f);
    g.modOmega() = omega;
    g.re() = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
    g.im() = vec4(amplitude(rng), amplitude(rng), amplitude(rng), amplitude(rng));
}

// Bin positions of lanes: every quarter bin near both ends, beyond them, and inside.
inline std::vector<float> edgePositions()
{
    std::vector<float> positions;
    for (float p = -12.0f; p <= 12.0f; p += 0.25f)
        positions.push_back(p);
    for (float p = 500.0f; p <= 522.0f; p += 0.25f)
        positions.push_back(p);
    for (float p : {-600.0f, -509.0f, -508.0f, 100.3f, 255.7f, 516.0f, 516.25f, 1e9f})
        positions.push_back(p);
    return positions;
}

// One update batch of groups side by side, as a bank holds them (from state index `first` on),
// all with the modulator of one mode, set up from one seed.
struct BatchGroups
{
    PartialRandom random;
    std::unique_ptr<PartialGroupState> state = std::make_unique<PartialGroupState>();
    static constexpr int kCount = static_cast<int>(PartialGroup::kUpdateBatch);
    alignas(PartialGroup) unsigned char storage[kCount * sizeof(PartialGroup)];

    PartialGroup* groups() { return std::launder(reinterpret_cast<PartialGroup*>(storage)); }

    BatchGroups(float fundamentalBin, std::size_t first, ModMode mode)
    {
        random.reseed(77);
        for (int i = 0; i < kCount; ++i)
        {
            PartialGroup* g = new (storage + i * sizeof(PartialGroup))
                PartialGroup(*state, first + static_cast<std::size_t>(i),
                             static_cast<std::uint8_t>(i % 2), kHopRate, &random);
            const float h = static_cast<float>(4 * i);
            g->layOut(vec4(h, h + 1.0f, h + 2.0f, h + 3.0f), vec4(0.0f));
            g->setHarmonicLimit(static_cast<float>(4 * kCount - 3)); // the last lanes take no part
            g->setFundamental(vec4(fundamentalBin * kPi));
            g->computeRatios(vec4(0.01f), vec4(0.02f));
            g->setModRate(8.0f);
            g->selectMode(mode);
            g->setRetention(vec4(0.9f, 0.5f, 0.99f, 0.0f));
            g->setPitchDepth(vec4(0.25f));
        }
    }
};

inline void expectSameGroups(PartialGroup& a, PartialGroup& b, int hop, int group)
{
    SCOPED_TRACE("hop " + std::to_string(hop) + ", group " + std::to_string(group));
    EXPECT_EQ(a.audible(), b.audible());
    EXPECT_TRUE(sameBits(a.excitation(), b.excitation()));
    EXPECT_TRUE(sameBits(a.level(), b.level()));
    EXPECT_TRUE(sameBits(a.modOmega(), b.modOmega()));
    EXPECT_TRUE(sameBits(a.phase(), b.phase()));
    EXPECT_TRUE(sameBits(a.re(), b.re()));
    EXPECT_TRUE(sameBits(a.im(), b.im()));
    EXPECT_TRUE(sameBits(a.state().grainCountdown[a.index()], b.state().grainCountdown[b.index()]));
    EXPECT_TRUE(sameBits(a.state().grainEnvelope[a.index()], b.state().grainEnvelope[b.index()]));
}
} // namespace wide_kernel_support
