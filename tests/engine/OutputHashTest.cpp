// The engine's output pinned bit for bit: seeded renders of every modulation mode, the
// defaults, the heaviest settings and several tunings at three sample rates, each hashed over
// every output sample's bits. Any change to the engine that moves a single bit of any sample
// fails here; a change that only lays out the same arithmetic differently passes. The recorded
// hashes are checked where the transform computes as it did when they were recorded; every
// other path (each vector width, blocks of any length) is checked against this machine's
// four-lane frame-by-frame render everywhere.
#include "quendra/dsp/Vantor.h"
#include "quendra/dsp/simd/WideVectors.h"
#include "quendra/dsp/transform/Fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace quendra::dravel::vantor
{
namespace
{

struct Settings
{
    const char* name;
    int voices = 1;
    int harmonics = 256;
    int modType = 0;
    float pitchMod = 0.0f;
    float decay = 0.222f;
    float frequency = 440.0f;
    float stretch = 0.0f;
    float shift = 0.0f;
    float hfDamp = 0.0f;
    float lfDamp = 0.0f;
    float unison = 0.0f;
    float modRate = 0.1f;
    float gainDb = 0.0f;
    float mix = 1.0f;
    bool rampDecayAndDepth = false;   // the ramp moves the decay, the dampings and pitch_mod too
    bool rampShiftAndModRate = false; // ... or the shift and mod_rate, which groups read at once
};

// The host object's order: prepare callback, then every attribute.
std::unique_ptr<Vantor> engineWith(const Settings& s, float sampleRate)
{
    auto e = std::make_unique<Vantor>(sampleRate, 1234u);
    e->setFrequencySource(0);
    e->setPolyphony(0);
    e->setMix(s.mix);
    e->setInputGain(Vantor::gainFromDecibels(s.gainDb));
    e->setStretch(s.stretch);
    e->setShift(s.shift);
    e->setDecay(s.decay);
    e->setHfDamp(s.hfDamp);
    e->setLfDamp(s.lfDamp);
    e->setUnisonVoices(s.voices);
    e->setUnisonAmount(s.unison);
    e->setHarmonics(s.harmonics);
    e->setFrequency(s.frequency);
    e->setModType(s.modType);
    e->setModRate(s.modRate);
    e->setPitchMod(s.pitchMod);
    return e;
}

// Deterministic stereo noise in [-0.5, 0.5) from a 32-bit xorshift, independent of the
// standard library's distributions.
std::vector<StereoFrame> noise(std::size_t frames)
{
    std::uint32_t x = 0x9e3779b9u;
    const auto next = [&x]
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return static_cast<float>(x >> 8) * (1.0f / 16777216.0f) - 0.5f;
    };
    std::vector<StereoFrame> out(frames);
    for (StereoFrame& f : out)
        f = {next(), next()};
    return out;
}

// FNV-1a over the bits of every left and right output sample, in order.
struct Hash
{
    std::uint64_t value = 0xcbf29ce484222325ull;
    void add(float sample)
    {
        std::uint32_t bits = std::bit_cast<std::uint32_t>(sample);
        for (int i = 0; i < 4; ++i, bits >>= 8)
        {
            value ^= bits & 0xffu;
            value *= 0x100000001b3ull;
        }
    }
};

constexpr std::size_t kFrames = 24000;

// The ramp of render(): a new frequency on every sample of one hop, and with rampDecayAndDepth a
// new decay, new dampings and a new pitch depth too (with rampShiftAndModRate, a new shift and
// modulation rate).
struct Ramp
{
    Vantor* engine;
    const Settings* settings;
    std::size_t first; // the sample number of the block's frame 0
    void set(std::size_t sample) const
    {
        const float progress = static_cast<float>(sample % 512) / 512.0f;
        engine->setFrequency(settings->frequency *
                             (1.0f + static_cast<float>(sample % 512) / 2048.0f));
        if (settings->rampDecayAndDepth)
        {
            engine->setPitchMod(settings->pitchMod * (1.0f - progress));
            engine->setDecay(settings->decay * (1.0f + progress));
            engine->setHfDamp(std::min(1.0f, settings->hfDamp + progress / 2.0f));
            engine->setLfDamp(settings->lfDamp * (1.0f - progress));
        }
        if (settings->rampShiftAndModRate)
        {
            engine->setShift(settings->shift + progress);
            engine->setModRate(settings->modRate * (1.0f + progress));
        }
    }
    void beforeFrame(std::size_t frame) { set(first + frame); }
};

// A render of kFrames, with a frequency ramp over one hop at a third of the way and a reset at
// two thirds, as a host might do them. block 0: one process(StereoFrame) call per frame, the
// ramp's setter between them; otherwise blocks of that many frames through the block call (cut
// where the ramp starts and ends and at the reset), the ramp's setter called by the block's
// frame hook, in place when `inPlace`.
std::uint64_t render(const Settings& s, float sampleRate, std::size_t block = 0,
                     bool inPlace = false)
{
    auto engine = engineWith(s, sampleRate);
    const std::vector<StereoFrame> input = noise(kFrames);
    constexpr std::size_t kRampStart = kFrames / 3;
    constexpr std::size_t kRampEnd = kRampStart + 512;
    constexpr std::size_t kReset = 2 * kFrames / 3;
    std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
    for (std::size_t n = 0; n < kFrames; ++n)
        left[n] = input[n].left, right[n] = input[n].right;
    float* const outL = inPlace ? left.data() : outLeft.data();
    float* const outR = inPlace ? right.data() : outRight.data();
    Ramp ramp{engine.get(), &s, 0};
    for (std::size_t n = 0; n < kFrames;)
    {
        const bool ramping = n >= kRampStart && n < kRampEnd;
        if (n == kReset)
            engine->reset();
        if (block == 0)
        {
            if (ramping)
                ramp.set(n);
            const StereoFrame out = engine->process(input[n]);
            outL[n] = out.left;
            outR[n] = out.right;
            ++n;
            continue;
        }
        const std::size_t next = n < kRampStart ? kRampStart
                                 : n < kRampEnd ? kRampEnd
                                 : n < kReset   ? kReset
                                                : kFrames;
        const std::size_t length = std::min(block, next - n);
        ramp.first = n;
        const auto hook = ramping ? Vantor::FrameHook::fromMethod<Ramp, &Ramp::beforeFrame>(&ramp)
                                  : Vantor::FrameHook{};
        engine->process(left.data() + n, right.data() + n, outL + n, outR + n, length, hook);
        n += length;
    }
    Hash hash;
    for (std::size_t n = 0; n < kFrames; ++n)
    {
        hash.add(outL[n]);
        hash.add(outR[n]);
    }
    return hash.value;
}

const std::vector<Settings>& allSettings()
{
    static const std::vector<Settings> settings = []
    {
        std::vector<Settings> v;
        v.push_back({.name = "defaults"});
        v.push_back({.name = "chorus",
                     .voices = 2,
                     .modType = 1,
                     .pitchMod = 1.0f,
                     .decay = 1.0f,
                     .unison = 0.3f,
                     .modRate = 0.7f});
        v.push_back({.name = "wander",
                     .voices = 3,
                     .modType = 2,
                     .pitchMod = 2.0f,
                     .decay = 2.0f,
                     .frequency = 97.0f,
                     .modRate = 0.9f});
        v.push_back(
            {.name = "granular", .modType = 3, .pitchMod = 4.0f, .decay = 0.5f, .modRate = 0.5f});
        v.push_back({.name = "heaviest",
                     .voices = 8,
                     .modType = 3,
                     .pitchMod = 4.0f,
                     .decay = 5.0f,
                     .frequency = 40.0f});
        v.push_back(
            {.name = "heaviest440", .voices = 8, .modType = 3, .pitchMod = 4.0f, .decay = 5.0f});
        v.push_back({.name = "tuned",
                     .voices = 4,
                     .harmonics = 64,
                     .modType = 2,
                     .pitchMod = 3.0f,
                     .decay = 2.0f,
                     .frequency = 97.0f,
                     .stretch = 0.1f,
                     .shift = -3.0f,
                     .hfDamp = 0.7f,
                     .lfDamp = 0.4f,
                     .unison = 0.3f,
                     .modRate = 0.8f});
        v.push_back({.name = "squeezed",
                     .voices = 5,
                     .harmonics = 100,
                     .modType = 1,
                     .decay = 0.05f,
                     .frequency = 1200.0f,
                     .stretch = -0.6f,
                     .shift = 12.0f,
                     .hfDamp = 0.3f,
                     .lfDamp = 1.0f});
        // Decay, damping and pitch depth moving on every sample of the ramp.
        v.push_back({.name = "decayRamp",
                     .voices = 3,
                     .harmonics = 128,
                     .modType = 3,
                     .pitchMod = 1.0f,
                     .decay = 1.5f,
                     .frequency = 130.0f,
                     .hfDamp = 0.4f,
                     .lfDamp = 0.8f,
                     .rampDecayAndDepth = true});
        // Loud enough for the limiter to work, with the dry path mixed in.
        v.push_back({.name = "limited",
                     .voices = 2,
                     .decay = 3.0f,
                     .frequency = 220.0f,
                     .gainDb = 24.0f,
                     .mix = 0.6f});
        return v;
    }();
    return settings;
}

struct Expected
{
    const char* name;
    float sampleRate;
    std::uint64_t hash;
};

// Recorded from the engine as first written; the arithmetic must never move.
constexpr Expected kExpected[] = {
    {"defaults", 44100.0f, 0xfe7214759c11ad18ull},
    {"defaults", 48000.0f, 0xb9a87a22b061c555ull},
    {"defaults", 96000.0f, 0x2703e2d2205c97cdull},
    {"chorus", 44100.0f, 0xd6f7f93266d4064aull},
    {"chorus", 48000.0f, 0x41245ccc22a340b5ull},
    {"chorus", 96000.0f, 0x2dd2ca7a614f3d3full},
    {"wander", 44100.0f, 0xf43f2a1f328ffebaull},
    {"wander", 48000.0f, 0xb249060884d78c54ull},
    {"wander", 96000.0f, 0xf0ea781bbef0b954ull},
    {"granular", 44100.0f, 0x641cebc6a96df6f4ull},
    {"granular", 48000.0f, 0x9e85dcbb80dc38eaull},
    {"granular", 96000.0f, 0xd21b2a3da04ae36eull},
    {"heaviest", 44100.0f, 0xa51dd679a76f4825ull},
    {"heaviest", 48000.0f, 0x1a6f7fe65f710f1dull},
    {"heaviest", 96000.0f, 0x29b10f38da99bcd7ull},
    {"heaviest440", 44100.0f, 0x64eefa0af18fa961ull},
    {"heaviest440", 48000.0f, 0x8a609c1f93ecabfbull},
    {"heaviest440", 96000.0f, 0x20b515200feca4e9ull},
    {"tuned", 44100.0f, 0x03076c7f52171c7bull},
    {"tuned", 48000.0f, 0xaaea7165a30a9319ull},
    {"tuned", 96000.0f, 0xa25db2b1e4b95f99ull},
    {"squeezed", 44100.0f, 0x5631624d38872cadull},
    {"squeezed", 48000.0f, 0xb4aa8786ae41d32eull},
    {"squeezed", 96000.0f, 0x49b521fa835bf057ull},
    {"decayRamp", 44100.0f, 0x18acaee7e596483bull},
    {"decayRamp", 48000.0f, 0x3559eb48b4ea6983ull},
    {"decayRamp", 96000.0f, 0x5b8f80b8153b5c74ull},
    {"limited", 44100.0f, 0xa05f390850f33a76ull},
    {"limited", 48000.0f, 0xd564d1fd1c81e47aull},
    {"limited", 96000.0f, 0x98e976ff3a940e63ull},
};

// FNV-1a of the transform's plans for the engine's frame, as this processor computes them.
// The transform library picks its codelets by the processor's features: the recorded hashes
// hold only where it picks the ones they were recorded with.
std::uint64_t planFingerprint(std::string* description = nullptr)
{
    const std::string text = Fft(kFftSize).planDescription();
    if (description != nullptr)
        *description = text;
    Hash hash;
    for (char c : text)
    {
        hash.value ^= static_cast<unsigned char>(c);
        hash.value *= 0x100000001b3ull;
    }
    return hash.value;
}

// The plans the hashes were recorded with (an x86-64 processor with AVX).
constexpr std::uint64_t kRecordedPlan = 0xd543a5d4771309b6ull;

constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f};

// The four-lane per-frame render of every setting at every rate, in kExpected's order: the
// reference every other path must give bit for bit.
const std::vector<std::uint64_t>& fourLaneHashes()
{
    static const std::vector<std::uint64_t> hashes = []
    {
        limitVectorWidth(VectorWidth::FourLanes);
        std::vector<std::uint64_t> v;
        for (const Settings& s : allSettings())
            for (float rate : kRates)
                v.push_back(render(s, rate));
        limitVectorWidth(VectorWidth::Bits512);
        return v;
    }();
    return hashes;
}

TEST(OutputHash, FourLaneRendersKeepTheirRecordedBits)
{
    std::string plan;
    const std::uint64_t fingerprint = planFingerprint(&plan);
    if (fingerprint != kRecordedPlan)
    {
        GTEST_SKIP() << "the transform plans here (fingerprint 0x" << std::hex << fingerprint
                     << ") are not the recorded ones (0x" << kRecordedPlan
                     << "): the other checks still compare every path with this machine's "
                        "four-lane renders. Plans here:\n"
                     << plan;
    }
    std::string report;
    std::size_t i = 0;
    for (const Settings& s : allSettings())
        for (float rate : kRates)
        {
            const std::uint64_t got = fourLaneHashes()[i++];
            std::uint64_t want = 0;
            for (const Expected& e : kExpected)
                if (std::string(e.name) == s.name && e.sampleRate == rate)
                    want = e.hash;
            char line[128];
            std::snprintf(line, sizeof line, "    {\"%s\", %.0ff, 0x%016llxull},\n", s.name,
                          static_cast<double>(rate), static_cast<unsigned long long>(got));
            report += line;
            EXPECT_EQ(got, want) << s.name << " at " << rate << " Hz";
        }
    if (::testing::Test::HasFailure())
        std::printf("Hashes of this build:\n%s", report.c_str());
}

// Each vector width, frame by frame and in blocks (which update and synthesise groups in
// batches), gives the four-lane bits. A width this processor lacks is reported as skipped.
class OutputHashOnWidth : public ::testing::TestWithParam<VectorWidth>
{
};

TEST_P(OutputHashOnWidth, GivesTheFourLaneBitsFrameByFrameAndInBlocks)
{
    const VectorWidth width = GetParam();
    if (width > processorVectorWidth())
    {
        GTEST_SKIP() << "this processor has no vectors of this width";
    }
    const std::vector<std::uint64_t>& reference = fourLaneHashes();
    limitVectorWidth(width);
    EXPECT_EQ(std::make_unique<Vantor>(48000.0f, 1u)->bank(0).vectorWidth(), width);
    std::size_t i = 0;
    for (const Settings& s : allSettings())
        for (float rate : kRates)
        {
            const std::uint64_t want = reference[i++];
            if (width != VectorWidth::FourLanes)
            {
                EXPECT_EQ(render(s, rate), want) << s.name << " at " << rate << " Hz";
            }
            EXPECT_EQ(render(s, rate, 64), want) << s.name << " at " << rate << " Hz in blocks";
        }
    limitVectorWidth(VectorWidth::Bits512);
}

INSTANTIATE_TEST_SUITE_P(Widths, OutputHashOnWidth,
                         ::testing::Values(VectorWidth::FourLanes, VectorWidth::Bits256,
                                           VectorWidth::Bits512),
                         [](const auto& info)
                         {
                             switch (info.param)
                             {
                             case VectorWidth::FourLanes:
                                 return "FourLanes";
                             case VectorWidth::Bits256:
                                 return "Bits256";
                             default:
                                 return "Bits512";
                             }
                         });

// The block call gives the bits of the per-frame call, whatever the block length, in place
// or not.
TEST(OutputHash, BlocksGiveTheBitsOfSingleFrames)
{
    for (const Settings& s : allSettings())
        for (float rate : {44100.0f, 96000.0f})
        {
            const std::uint64_t frames = render(s, rate);
            for (std::size_t block : {1, 3, 100, 4096})
                EXPECT_EQ(render(s, rate, block, block == 100), frames)
                    << s.name << " at " << rate << " Hz in blocks of " << block;
        }
}

// A change that the groups read at once, made by the frame hook, reaches them after the ticks
// of the block's earlier frames, as it would between per-frame calls.
TEST(OutputHash, ChangesReadAtOnceInTheHookKeepTheBitsOfSingleFrames)
{
    const Settings s{.name = "shiftRamp",
                     .voices = 2,
                     .modType = 1,
                     .pitchMod = 1.0f,
                     .shift = -2.0f,
                     .rampShiftAndModRate = true};
    const std::uint64_t frames = render(s, 48000.0f);
    for (std::size_t block : {3, 100})
        EXPECT_EQ(render(s, 48000.0f, block), frames) << "blocks of " << block;
}

} // namespace
} // namespace quendra::dravel::vantor
