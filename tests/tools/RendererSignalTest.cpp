// What the renderer does to audio, checked on the files it writes: the dry path and the
// latency compensation, reproducibility with a seed, block-size independence, the level of
// a resonated sine, the output limiter and the default tail.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

float peak(const Audio& audio, std::size_t first, std::size_t last)
{
    float peak = 0.0f;
    for (std::size_t i = first * audio.channels; i < last * audio.channels; ++i)
    {
        peak = std::max(peak, std::abs(audio.samples[i]));
    }
    return peak;
}

} // namespace

TEST(RendererSignal, DryMixIsTheInputDelayedOrAlignedBitExact)
{
    constexpr std::size_t kLatency = 1536;
    ScratchFolder folder;
    for (const int channels : {1, 2}) // mono feeds both inlets
    {
        SCOPED_TRACE(channels);
        const Audio in = noise(0.4, channels, 0.8f, 3);
        writeWav(folder.file("in.wav"), in);
        const Audio delayed = render(folder, "in.wav", "delayed.wav",
                                     {"--mix", "0", "--no-latency-compensation", "--tail", "0.1"});
        const Audio aligned =
            render(folder, "in.wav", "aligned.wav", {"--mix", "0", "--tail", "0"});
        ASSERT_EQ(delayed.channels, 2);
        ASSERT_EQ(delayed.frames(), in.frames() + 4800);
        ASSERT_EQ(aligned.frames(), in.frames());
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < delayed.frames(); ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                const int from = std::min(c, channels - 1);
                const bool inside = i >= kLatency && i - kLatency < in.frames();
                mismatches += delayed.at(i, c) != (inside ? in.at(i - kLatency, from) : 0.0f);
                mismatches += i < in.frames() && aligned.at(i, c) != in.at(i, from);
            }
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(RendererSignal, SeededRendersRepeatForEveryModeAndAnyBlockSize)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.5, 2, 0.5f, 9));
    int index = 0;
    const auto renderWith =
        [&](const std::string& mode, const std::string& seed, const std::string& block)
    {
        return render(folder, "in.wav", std::to_string(index++) + ".wav",
                      {"--mod_type", mode,       "--seed",      seed,       "--block",
                       block,        "--voices", "3",           "--unison", "0.4",
                       "--mod_rate", "0.8",      "--pitch_mod", "2",        "--decay",
                       "0.8",        "--shift",  "-5",          "--tail",   "0.3"})
            .samples;
    };
    for (const std::string mode : {"none", "chorus", "wandering", "granular"})
    {
        SCOPED_TRACE(mode);
        EXPECT_EQ(renderWith(mode, "1234", "64"), renderWith(mode, "1234", "64"));
    }
    // Static parameters: the block size does not matter.
    const std::vector<float> reference = renderWith("granular", "77", "64");
    EXPECT_EQ(renderWith("granular", "77", "1"), reference);
    EXPECT_EQ(renderWith("granular", "77", "4096"), reference);
    // The seed really reaches the engine: another seed gives another granular texture.
    EXPECT_NE(renderWith("granular", "78", "64"), reference);
}

TEST(RendererSignal, SineOnAPartialKeepsItsAmplitudeAndLoudInputIsLimited)
{
    // At 48 kHz bin 4 is 187.5 Hz (256 samples a cycle); with the fundamental there a partial
    // sits on the bin.
    ScratchFolder folder;
    const std::size_t first = 24000;
    const std::size_t count = 96 * 256;
    struct Case
    {
        float input;
        double low;
        double high;
    };
    for (const Case& c : {Case{0.25f, 0.2495, 0.2505}, Case{4.0f, 0.97, 1.05}})
    {
        SCOPED_TRACE(c.input);
        writeWav(folder.file("sine.wav"), sine(1.2, 187.5, c.input, 2));
        const Audio out =
            render(folder, "sine.wav", "out.wav", {"--frequency", "187.5", "--tail", "0"});
        ASSERT_GE(out.frames(), first + count);
        for (int channel = 0; channel < 2; ++channel)
        {
            const double amplitude = sineAmplitude(out, channel, first, count);
            EXPECT_GT(amplitude, c.low);
            EXPECT_LT(amplitude, c.high);
        }
        EXPECT_LT(peak(out, first, first + count), 1.05f); // never far above 0 dBFS
    }
}

TEST(RendererSignal, DefaultTailLetsTheResonanceRingOut)
{
    ScratchFolder folder;
    writeWav(folder.file("burst.wav"), noise(0.2, 2, 0.5f, 5));
    const Audio out =
        render(folder, "burst.wav", "out.wav", {"--decay", "1", "--frequency", "110"});
    ASSERT_GE(out.frames(), 48000u * 12 / 10); // input plus at least the decay time
    const float loudest = peak(out, 0, out.frames());
    ASSERT_GT(loudest, 0.01f);
    EXPECT_LT(peak(out, out.frames() - 480, out.frames()), loudest * 0.001f); // 60 dB down
}
