// The renderer's interface: attribute options in all their spellings, clamped values, the
// attribute list read from the class and the built-in demo.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace sorvell_test;

TEST(RendererOptions, EverySpellingOfASettingGivesTheSameRender)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.4, 2, 0.5f, 4));
    const std::vector<std::vector<std::vector<std::string>>> groups = {
        {{"--hf_damp", "0.7"}, {"--hf-damp", "0.7"}, {"--hf-damp=0.7"}, {"@hf_damp", "0.7"}},
        {{"--mod_type", "3"}, {"--mod-type", "granular"}, {"@mod_type", "Gran"}},
        {{"--gain", "24"}, {"--gain", "30"}}, // clamped to the top of the range
        // Musical units: the same values as the plain numbers.
        {{"--decay", "0.5"}, {"--decay", "500ms"}, {"--decay", "0.5s"}, {"--decay=500MS"}},
        {{"--gain", "-3"}, {"--gain", "-3db"}, {"--gain", "-3dB"}},
        {{"--mix", "0.5"}, {"--mix", "50%"}, {"@mix", "50%"}},
        {{"--shift", "7"}, {"--shift", "+7st"}, {"--shift", "7ST"}},
        {{"--frequency", "2500"}, {"--frequency", "2.5khz"}, {"--frequency", "2500Hz"}},
        {{"--frequency", "110"}, {"--frequency", "A2"}, {"--frequency", "45m"}},
        {{"--frequency", "0:110 0.2:220"}, {"--frequency", "0s:110hz 200ms:A3"}},
    };
    int index = 0;
    const auto renderWith = [&](std::vector<std::string> options)
    {
        options.insert(options.end(), {"--seed", "5", "--tail", "0.2"});
        return render(folder, "in.wav", "r" + std::to_string(index++) + ".wav", options).samples;
    };
    const std::vector<float> plain = renderWith({});
    for (const auto& group : groups)
    {
        const std::vector<float> first = renderWith(group[0]);
        EXPECT_NE(first, plain) << group[0][0]; // the setting did apply
        for (std::size_t i = 1; i < group.size(); ++i)
        {
            EXPECT_EQ(renderWith(group[i]), first) << group[i][0];
        }
    }
    // A clamped value is told in one note, and nothing else is printed off a terminal.
    const RunResult result = runTool(
        {folder.file("in.wav"), "-o", folder.file("out.wav"), "--voices", "0", "--tail", "0"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "sorvell: note: --voices 0 is out of range; using 1\n");
    EXPECT_TRUE(result.out.empty());
}

TEST(RendererOptions, ListShowsWhatTheClassRegistered)
{
    const RunResult result = runTool({"--list"});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* name : {"mix", "gain", "stretch", "shift", "decay", "hf_damp", "lf_damp",
                             "voices", "unison", "harmonics", "frequency", "mod_rate", "pitch_mod"})
    {
        EXPECT_NE(result.out.find(std::string("  --") + name + "  \""), std::string::npos) << name;
    }
    for (const char* expected :
         {"--decay  \"Decay time\"", "range: 0.001 to 20", "Set the decay length in seconds",
          "--mod_type  \"Modulation mode\"", "range: 0 None, 1 Chorus, 2 Wandering, 3 Granular",
          "default: 0.222", "category: Modulation", "unit: s (or ms)",
          "unit: Hz (or kHz, a note name, a MIDI note number)", "unit: dB", "unit: st (semitones)",
          "unit: share (0.5 or 50%)"})
    {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
}

TEST(RendererOptions, DemoRendersTheBuiltInInput)
{
    ScratchFolder folder;
    const RunResult result = runTool({"--demo", folder.file("demo.wav"), "-q", "--tail", "0.5"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"demo-input.wav", "demo.wav"}));
    const Audio dry = readAudio(folder.file("demo-input.wav"));
    const Audio wet = readAudio(folder.file("demo.wav"));
    EXPECT_GE(dry.frames(), 4u * dry.sampleRate);
    EXPECT_EQ(wet.frames(), dry.frames() + dry.sampleRate / 2);
    double energy = 0.0;
    for (const float sample : wet.samples)
    {
        energy += double(sample) * sample; // a NaN fails the comparison below
    }
    EXPECT_GT(energy / wet.samples.size(), 1e-4); // clearly audible
}
