// Signal processing through the host: engine build and priming, sample-rate changes, the
// queued changes at block start and "reset".
// (Independence of the block size is checked end to end through the renderer.)
#include "SorvellFixture.h"

#include <algorithm>

using namespace sorvell_test;

namespace
{

constexpr std::size_t kFrames = 6144; // twelve hops: well past the 1536-sample latency

bool same_samples(const stereo_signal& a, const stereo_signal& b)
{
    return a.left == b.left && a.right == b.right;
}

bool has_signal(const std::vector<double>& samples, std::size_t from = 0)
{
    return std::any_of(samples.begin() + static_cast<std::ptrdiff_t>(from), samples.end(),
                       [](double sample) { return sample != 0.0; });
}

void expect_ramp_lengths(sorvell& object, std::uint64_t length)
{
    for (const auto& smoothed : object.smoothed())
        EXPECT_EQ(smoothed->ramp_length(), length);
}

} // namespace

TEST_F(SorvellTest, Dsp64BuildsAndPrimesAndANewRateRebuilds)
{
    mRuntime.setSampleRate(44100.0);
    Instance* instance = create();
    ASSERT_NE(instance, nullptr);
    auto& object = object_of(instance);
    EXPECT_EQ(object.engine_sample_rate(), 0.0);
    expect_ramp_lengths(object, 0);
    ASSERT_TRUE(mRuntime.buildDsp(instance));
    EXPECT_EQ(object.engine_sample_rate(), 44100.0);
    expect_ramp_lengths(object, 220);
    EXPECT_EQ(object.queue().size(), 3u); // voices, harmonics, mod_type wait for the first block
    render(instance, test_input(kFrames));
    EXPECT_EQ(object.queue().size(), 0u);

    mRuntime.setSampleRate(48000.0);
    ASSERT_TRUE(mRuntime.buildDsp(instance));
    EXPECT_EQ(object.engine_sample_rate(), 48000.0);
    expect_ramp_lengths(object, 240);
    EXPECT_EQ(object.queue().size(), 3u);
    // The rebuilt engine starts over: it plays exactly like a fresh instance at that rate.
    Instance* fresh = create();
    ASSERT_TRUE(mRuntime.buildDsp(fresh));
    const auto input = test_input(kFrames);
    EXPECT_TRUE(same_samples(render(instance, input), render(fresh, input)));
}

TEST_F(SorvellTest, KeepingTheRateKeepsTheEngineStateAcrossVectorSizes)
{
    Instance* reference = create("@mix 0.5");
    Instance* resized = create("@mix 0.5");
    for (Instance* each : {reference, resized})
    {
        ASSERT_TRUE(mRuntime.buildDsp(each));
        render(each, test_input(3000));
    }
    mRuntime.setBlockSize(512);
    ASSERT_TRUE(mRuntime.buildDsp(resized)); // same rate: the engine and its state carry on
    const auto tail = test_input(kFrames);
    EXPECT_TRUE(same_samples(render(reference, tail), render(resized, tail)));
}

TEST_F(SorvellTest, QueuedChangesArriveBeforeTheFirstSampleOfTheNextBlock)
{
    const auto input = test_input(kFrames);
    Instance* preset = create("@harmonics 16");
    Instance* late = create();
    Instance* untouched = create();
    for (Instance* instance : {preset, late, untouched})
        ASSERT_TRUE(mRuntime.buildDsp(instance));
    // 300 sets within one block all fit the queue; the engine ends with the last one.
    for (int i = 0; i < 300; ++i)
        mRuntime.setAttribute(late, "harmonics", {std::int64_t{300 - i}});
    mRuntime.setAttribute(late, "harmonics", {std::int64_t{16}});
    EXPECT_EQ(object_of(late).queue().size(), 304u);
    const auto expected = render(preset, input);
    EXPECT_TRUE(same_samples(render(late, input), expected));
    EXPECT_FALSE(same_samples(render(untouched, input), expected));
}

TEST_F(SorvellTest, ResetWithArgumentsSilencesTheEngineAtTheNextBlock)
{
    Instance* instance = create("@decay 10 @mix 0.5");
    Instance* twin = create("@decay 10 @mix 0.5");
    for (Instance* each : {instance, twin})
    {
        ASSERT_TRUE(mRuntime.buildDsp(each));
        render(each, test_input(kFrames));
    }

    EXPECT_TRUE(mRuntime.sendMessage(instance, "reset", {std::int64_t{1}, 2.5, std::string("x")}));
    EXPECT_EQ(number(instance, "decay"), 10.0);
    const auto after_reset = render(instance, silence(kFrames));
    EXPECT_FALSE(has_signal(after_reset.left) || has_signal(after_reset.right));
    EXPECT_TRUE(has_signal(render(twin, silence(kFrames)).left));
    EXPECT_TRUE(console_texts().empty());
}
