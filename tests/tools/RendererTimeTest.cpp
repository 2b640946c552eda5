// Parameters over time and musical pitch: breakpoints reach the object through its own sets,
// so a ramp they start lands exactly on its target at any block size and rate; the resonance
// follows a frequency sweep; note names and MIDI numbers are the frequencies they name.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

// The frequency between `low` and `high` (1 Hz steps) with the most energy in a window of
// one channel.
double strongestFrequency(const Audio& audio, std::size_t first, std::size_t count, double low,
                          double high)
{
    double best = low;
    double bestPower = -1.0;
    for (double hertz = low; hertz <= high; hertz += 1.0)
    {
        double re = 0.0;
        double im = 0.0;
        const double step = 2.0 * std::numbers::pi * hertz / audio.sampleRate;
        for (std::size_t i = 0; i < count; ++i)
        {
            const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / count);
            re += window * audio.at(first + i, 0) * std::cos(step * i);
            im += window * audio.at(first + i, 0) * std::sin(step * i);
        }
        if (re * re + im * im > bestPower)
        {
            bestPower = re * re + im * im;
            best = hertz;
        }
    }
    return best;
}

std::string exactText(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

} // namespace

// The mix steps from 1 to 0.5 at 100 ms; the object ramps there over 5 ms. The wet and dry
// paths do not depend on the mix, so once the ramp has run out the output must be, bit for
// bit, that of a render at 0.5 throughout; a ramp that stopped one step short would leave the
// mix 1/480 above. Block sizes include divisors of the ramp length (240 samples at 48 kHz, 220
// at 44.1 kHz, 480 at 96 kHz), so that blocks end exactly where the ramp runs out.
TEST(RendererBreakpoints, ARampLandsExactlyOnItsTargetAtAnyBlockSizeAndRate)
{
    struct Case
    {
        int rate;
        std::vector<int> blocks;
    };
    const std::vector<Case> cases = {{48000, {1, 7, 48, 60, 64, 80, 120, 240, 241, 512, 4096}},
                                     {44100, {44, 55, 64, 110, 220, 441}},
                                     {96000, {96, 160, 480, 1000}}};
    ScratchFolder folder;
    for (const Case& c : cases)
    {
        writeWav(folder.file("in.wav"), noise(0.25, 2, 0.5f, 17, c.rate));
        for (const int block : c.blocks)
        {
            SCOPED_TRACE(std::to_string(c.rate) + " Hz, block " + std::to_string(block));
            const auto renderWith = [&](const std::string& mix)
            {
                return render(folder, "in.wav", "out.wav",
                              {"--mix", mix, "--block", std::to_string(block), "--tail", "0",
                               "--frequency", "300", "--decay", "0.5"})
                    .samples;
            };
            const std::vector<float> stepped = renderWith("0:1 0.1:1 0.1:0.5");
            const std::vector<float> steady = renderWith("0.5");
            ASSERT_EQ(stepped.size(), steady.size());
            // The step is set at the first block start at or after 100 ms; the ramp takes 5 ms
            // more. (Output frame i is processed frame i + 1536: a margin.)
            const std::size_t settled =
                (static_cast<std::size_t>(0.1 * c.rate) / block + 1) * block +
                static_cast<std::size_t>(0.005 * c.rate);
            std::size_t differing = 0;
            for (std::size_t i = settled * 2; i < steady.size(); ++i)
            {
                differing += stepped[i] != steady[i];
            }
            EXPECT_EQ(differing, 0u);
            EXPECT_NE(stepped[100], steady[100]); // fully wet early on
        }
    }
}

TEST(RendererBreakpoints, TheResonanceFollowsAFrequencySweep)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(3.0, 1, 0.5f, 23));
    // Up two octaves from 200 Hz over two seconds, then held: an octave a second, in equal
    // ratios (a line in hertz would pass 350 Hz at 0.5 s, 500 at 1 s and 650 at 1.5 s).
    const Audio out = render(
        folder, "in.wav", "out.wav",
        {"--frequency", "0:200, 2:800", "--harmonics", "1", "--decay", "0.3", "--tail", "0"});
    for (const double seconds : {0.5, 1.0, 1.5, 2.5})
    {
        SCOPED_TRACE(seconds);
        const double expected = seconds < 2.0 ? 200.0 * std::pow(2.0, seconds) : 800.0;
        const auto centre = static_cast<std::size_t>(seconds * 48000);
        const double found = strongestFrequency(out, centre - 2048, 4096, 100.0, 1000.0);
        EXPECT_NEAR(found, expected, expected * 0.02);
    }
    // A2 to A3 over four seconds, as notes: the midpoint is 155.6 Hz (E3 a quarter tone flat),
    // not the 165 Hz of a straight line.
    writeWav(folder.file("long.wav"), noise(4.5, 1, 0.5f, 29));
    const Audio octave =
        render(folder, "long.wav", "octave.wav",
               {"--frequency", "0:A2 4:A3", "--harmonics", "1", "--decay", "0.3", "--tail", "0"});
    EXPECT_NEAR(strongestFrequency(octave, 2 * 48000 - 2048, 4096, 100.0, 300.0), 155.56, 2.0);
}

TEST(RendererNotes, NoteNamesAndMidiNumbersAreTheFrequenciesTheyName)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.3, 2, 0.5f, 5));
    const auto midi = [](double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); };
    struct Case
    {
        const char* note;
        double hertz;
    };
    const std::vector<Case> cases = {
        {"A4", 440.0},     {"A2", 110.0},    {"C#4", midi(61)}, {"Db4", midi(61)},
        {"Bb3", midi(58)}, {"e1", midi(28)}, {"45m", midi(45)}, {"60.5m", midi(60.5)},
        {"C-1", 20.0}}; // MIDI 0 (8.2 Hz) clamped to 20 Hz
    int index = 0;
    const auto renderWith = [&](const std::string& frequency)
    {
        std::string err;
        const auto samples = render(folder, "in.wav", std::to_string(index++) + ".wav",
                                    {"--frequency", frequency, "--tail", "0"}, &err)
                                 .samples;
        return samples;
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.note);
        EXPECT_EQ(renderWith(c.note), renderWith(exactText(c.hertz)));
    }
    // Inside breakpoints too.
    EXPECT_EQ(renderWith("0:A2 0.2:A3"), renderWith("0:110 0.2:220"));
}

// --freeze "0.5:1 2:0": from half a second on the resonance holds whatever comes in (here the
// input goes on ten times as loud, then stops at 1 s), its level steady after the input has
// gone, and from 2 s it rings out with the decay.
TEST(RendererFreeze, HoldsUntilReleasedThenRingsOut)
{
    ScratchFolder folder;
    Audio quiet = noise(1.0, 2, 0.3f, 31);
    Audio loud = quiet;
    for (std::size_t i = loud.samples.size() / 2; i < loud.samples.size(); ++i)
    {
        loud.samples[i] *= 10.0f;
    }
    writeWav(folder.file("quiet.wav"), quiet);
    writeWav(folder.file("loud.wav"), loud);
    const std::vector<std::string> options = {"--freeze", "0.5:1 2s:0", "--frequency", "A2",
                                              "--decay",  "1s",         "--seed",      "3"};
    const Audio a = render(folder, "quiet.wav", "a.wav", options);
    const Audio b = render(folder, "loud.wav", "b.wav", options);
    ASSERT_EQ(a.frames(), 48000u + 48000u + 48000u + 2048u); // the tail waits for the release
    for (std::size_t i = 2 * 26400; i < 2 * 93600; ++i)
    {
        ASSERT_EQ(a.samples[i], b.samples[i]) << i / 2;
    }
    const auto level = [&](double seconds)
    { return 20.0 * std::log10(sineAmplitude(a, 0, std::size_t(seconds * 48000), 4800)); };
    for (double t = 1.1; t < 1.9; t += 0.1)
    {
        EXPECT_NEAR(level(t), level(1.1), 0.5) << t;
    }
    EXPECT_NEAR(level(2.2) - level(2.7), 30.0, 3.0); // 60 dB a second
    // Without breakpoints: on for the whole render, or off (the host object renders it).
    EXPECT_NE(render(folder, "quiet.wav", "on.wav", {"--freeze", "on", "--tail", "0"}).samples,
              render(folder, "quiet.wav", "off.wav", {"--tail", "0"}).samples);
    EXPECT_EQ(render(folder, "quiet.wav", "zero.wav", {"--freeze", "0", "--tail", "0"}).samples,
              render(folder, "quiet.wav", "off.wav", {"--tail", "0"}).samples);
}
