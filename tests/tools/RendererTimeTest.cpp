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
    // Up from 200 Hz to 800 Hz over two seconds, then held; given as notes and hertz.
    const Audio out = render(
        folder, "in.wav", "out.wav",
        {"--frequency", "0:200, 2:800", "--harmonics", "1", "--decay", "0.3", "--tail", "0"});
    for (const double seconds : {0.5, 1.0, 1.5, 2.5})
    {
        SCOPED_TRACE(seconds);
        const double expected = seconds < 2.0 ? 200.0 + 300.0 * seconds : 800.0;
        const auto centre = static_cast<std::size_t>(seconds * 48000);
        const double found = strongestFrequency(out, centre - 2048, 4096, 100.0, 1000.0);
        EXPECT_NEAR(found, expected, expected * 0.04);
    }
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
