// A 64-sample burst of +-3e38 with a 20 s decay used to leave about 7 s of non-finite output:
// the partials kept finite but huge levels whose sum overflowed. Bursts of huge, infinite or
// NaN samples, short or several hops long, on one channel or both, in every modulation mode,
// now leave no trace, through the per-frame call and the block call alike: the output is finite
// throughout and, bit for bit, what the engine gives when the burst is silence instead.
#include "quendra/dsp/Vantor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{

constexpr float kRate = 48000.0f;
constexpr std::size_t kBurstStart = 48000; // after one second of tones
constexpr std::size_t kTotal = kBurstStart + 3 * 48000;

struct Burst
{
    float bad;
    float decay;
    int modType;
    std::size_t length;
    bool left, right; // the channels it hits
};

std::unique_ptr<Vantor> engineFor(const Burst& burst)
{
    auto engine = std::make_unique<Vantor>(kRate, 11u);
    engine->setFrequencySource(0);
    engine->setPolyphony(0);
    engine->setMix(0.5f); // dry and wet both reach the output
    engine->setUnisonVoices(2);
    engine->setModType(burst.modType);
    engine->setModRate(0.1f);
    engine->setDecay(burst.decay);
    engine->setFrequency(110.0f);
    return engine;
}

TEST(HugeInputBurst, LeavesNoTraceWhateverItHoldsAndWhateverTheDecayAndMode)
{
    constexpr float kHuge = 3e38f;
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    std::vector<Burst> bursts;
    for (float decay : {0.001f, 1.0f, 20.0f})
        for (float bad : {kHuge, kInf, kNaN, 2e6f})
            bursts.push_back({bad, decay, 3, 64, true, true});
    for (const Burst& burst :
         {Burst{kNaN, 0.222f, 0, 2048, true, false}, Burst{kInf, 0.222f, 0, 2048, false, true},
          Burst{kNaN, 20.0f, 0, 2048, true, true}, Burst{kInf, 20.0f, 1, 2048, true, true},
          Burst{kInf, 2.0f, 2, 2048, true, true}})
        bursts.push_back(burst);
    for (const Burst& burst : bursts)
    {
        SCOPED_TRACE(::testing::Message()
                     << "burst " << burst.bad << " x" << burst.length << " decay " << burst.decay
                     << " mode " << burst.modType << " channels " << burst.left << burst.right);
        std::vector<float> left(kTotal), right(kTotal);
        for (std::size_t n = 0; n < kTotal; ++n)
        {
            const auto t = static_cast<float>(n);
            left[n] = 0.3f * std::sin(0.0577f * t);
            right[n] = 0.25f * std::sin(0.0391f * t);
        }
        // The reference hears silence where the other run hears the burst.
        std::vector<float> silentLeft = left, silentRight = right;
        for (std::size_t n = kBurstStart; n < kBurstStart + burst.length; ++n)
        {
            const float sign = n % 2 == 0 ? 1.0f : -1.0f;
            if (burst.left)
                left[n] = sign * burst.bad, silentLeft[n] = 0.0f;
            if (burst.right)
                right[n] = -sign * burst.bad, silentRight[n] = 0.0f;
        }
        auto reference = engineFor(burst);
        reference->process(silentLeft.data(), silentRight.data(), silentLeft.data(),
                           silentRight.data(), kTotal);
        // Frame by frame, and through the block call in place.
        auto hit = engineFor(burst);
        for (std::size_t n = 0; n < kTotal; ++n)
        {
            const StereoFrame out = hit->process({left[n], right[n]});
            ASSERT_TRUE(std::isfinite(out.left) && std::isfinite(out.right)) << "sample " << n;
            ASSERT_EQ(out, (StereoFrame{silentLeft[n], silentRight[n]})) << "sample " << n;
        }
        auto blocks = engineFor(burst);
        for (std::size_t n = 0; n < kTotal; n += 333)
        {
            const std::size_t count = std::min<std::size_t>(333, kTotal - n);
            blocks->process(left.data() + n, right.data() + n, left.data() + n, right.data() + n,
                            count);
        }
        for (std::size_t n = 0; n < kTotal; ++n)
        {
            ASSERT_TRUE(std::isfinite(left[n]) && std::isfinite(right[n])) << "block, sample " << n;
            ASSERT_EQ(left[n], silentLeft[n]) << "block, sample " << n;
            ASSERT_EQ(right[n], silentRight[n]) << "block, sample " << n;
        }
    }
}

} // namespace
} // namespace quendra::dravel::vantor
