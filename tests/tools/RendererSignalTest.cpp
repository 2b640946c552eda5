// What the renderer does to audio, checked on the files it writes: the dry path and the
// latency compensation, reproducibility with a seed, block-size independence, the level of
// a resonated sine and the output limiter.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

constexpr std::size_t kLatency = 1536;

Audio render(const ScratchFolder& folder, const std::string& name, const std::string& input,
             std::vector<std::string> options)
{
    std::vector<std::string> args = {input, "-o", folder.file(name), "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult result = runTool(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return readAudio(folder.file(name));
}

bool identical(const Audio& a, const Audio& b)
{
    return a.channels == b.channels && a.samples == b.samples;
}

} // namespace

TEST(RendererSignal, DryMixIsTheInputDelayedOrAlignedBitExact)
{
    ScratchFolder folder;
    for (const int channels : {1, 2})
    {
        SCOPED_TRACE(channels);
        const Audio in = noise(0.4, channels, 0.8f, 3);
        const std::string inPath = folder.file("in" + std::to_string(channels) + ".wav");
        writeWav(inPath, in);

        // Without compensation the whole processing delay stays in the output.
        const Audio delayed = render(folder, "delayed.wav", inPath,
                                     {"--mix", "0", "--no-latency-compensation", "--tail", "0.1"});
        ASSERT_EQ(delayed.channels, 2);
        ASSERT_EQ(delayed.frames(), in.frames() + 4800);
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < delayed.frames(); ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                const float expected = i < kLatency || i - kLatency >= in.frames()
                                           ? 0.0f
                                           : in.at(i - kLatency, std::min(c, channels - 1));
                mismatches += delayed.at(i, c) != expected;
            }
        }
        EXPECT_EQ(mismatches, 0u);

        // With compensation (the default) output and input line up sample for sample.
        const Audio aligned = render(folder, "aligned.wav", inPath, {"--mix", "0", "--tail", "0"});
        ASSERT_EQ(aligned.frames(), in.frames());
        mismatches = 0;
        for (std::size_t i = 0; i < aligned.frames(); ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                mismatches += aligned.at(i, c) != in.at(i, std::min(c, channels - 1));
            }
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(RendererSignal, SameSeedGivesIdenticalOutputForEveryModulationMode)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, noise(0.5, 2, 0.5f, 9));

    for (const std::string mode : {"none", "chorus", "wandering", "granular"})
    {
        SCOPED_TRACE(mode);
        const std::vector<std::string> options = {
            "--mod_type", mode,  "--seed",      "1234", "--voices", "3",   "--unison", "0.4",
            "--mod_rate", "0.8", "--pitch_mod", "2",    "--decay",  "0.8", "--tail",   "0.3"};
        const Audio first = render(folder, "a.wav", inPath, options);
        const Audio second = render(folder, "b.wav", inPath, options);
        EXPECT_TRUE(identical(first, second));
    }

    // The seed really reaches the engine: another seed gives another granular texture.
    const std::vector<std::string> base = {"--mod_type", "granular", "--pitch_mod",
                                           "3",          "--tail",   "0.2"};
    auto withSeed = [&](const std::string& seed)
    {
        auto options = base;
        options.insert(options.end(), {"--seed", seed});
        return options;
    };
    EXPECT_FALSE(identical(render(folder, "s1.wav", inPath, withSeed("1")),
                           render(folder, "s2.wav", inPath, withSeed("2"))));
}

TEST(RendererSignal, BlockSizeDoesNotChangeTheOutput)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, noise(0.5, 2, 0.5f, 21));

    const std::vector<std::string> options = {"--seed",   "77", "--mod_type", "granular",
                                              "--voices", "2",  "--decay",    "1",
                                              "--shift",  "-5", "--tail",     "0.3"};
    auto withBlock = [&](const std::string& block)
    {
        auto all = options;
        all.insert(all.end(), {"--block", block});
        return render(folder, "block" + block + ".wav", inPath, all);
    };
    const Audio reference = withBlock("64");
    EXPECT_TRUE(identical(withBlock("1"), reference));
    EXPECT_TRUE(identical(withBlock("4096"), reference));
}

TEST(RendererSignal, SineOnAPartialKeepsItsAmplitudeAndLoudInputIsLimited)
{
    // At 48 kHz bin 4 is 187.5 Hz; with the fundamental there a partial sits on the bin.
    ScratchFolder folder;
    const std::size_t period = 256; // samples per cycle of 187.5 Hz
    const std::size_t first = 24000;
    const std::size_t count = 96 * period;

    struct Case
    {
        float input;
        double low;
        double high;
    };
    for (const Case& c : {Case{0.25f, 0.2495, 0.2505}, Case{4.0f, 0.97, 1.05}})
    {
        SCOPED_TRACE(c.input);
        const std::string inPath = folder.file("sine.wav");
        writeWav(inPath, sine(1.2, 187.5, c.input, 2));
        const Audio out =
            render(folder, "out.wav", inPath, {"--frequency", "187.5", "--tail", "0"});
        ASSERT_GE(out.frames(), first + count);
        for (int channel = 0; channel < 2; ++channel)
        {
            const double amplitude = sineAmplitude(out, channel, first, count);
            EXPECT_GT(amplitude, c.low);
            EXPECT_LT(amplitude, c.high);
        }
        float peak = 0.0f;
        for (std::size_t i = first; i < first + count; ++i)
        {
            peak = std::max({peak, std::abs(out.at(i, 0)), std::abs(out.at(i, 1))});
        }
        EXPECT_LT(peak, 1.05f); // never far above 0 dBFS
    }
}

TEST(RendererSignal, DefaultTailLetsTheResonanceRingOut)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("burst.wav");
    writeWav(inPath, noise(0.2, 2, 0.5f, 5));

    const Audio out = render(folder, "out.wav", inPath, {"--decay", "1", "--frequency", "110"});
    ASSERT_GE(out.frames(), 48000u * 12 / 10); // input plus at least the decay time

    float peak = 0.0f;
    for (const float sample : out.samples)
    {
        peak = std::max(peak, std::abs(sample));
    }
    float end = 0.0f;
    for (std::size_t i = out.frames() - 480; i < out.frames(); ++i)
    {
        end = std::max({end, std::abs(out.at(i, 0)), std::abs(out.at(i, 1))});
    }
    ASSERT_GT(peak, 0.01f);
    EXPECT_LT(end, peak * 0.001f); // 60 dB down by the end
}
