// The renderer's interface: attribute options in all their spellings, the attribute list
// read from the class, clamped values, output formats and the built-in demo.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

Audio renderWith(const ScratchFolder& folder, const std::string& input, const std::string& name,
                 std::vector<std::string> options)
{
    std::vector<std::string> args = {input, "-o", folder.file(name), "-q", "--tail", "0.2"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult result = runTool(args);
    EXPECT_EQ(result.status, 0) << result.err;
    return readAudio(folder.file(name));
}

} // namespace

TEST(RendererOptions, EverySpellingOfASettingGivesTheSameRender)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, noise(0.4, 2, 0.5f, 4));

    const std::vector<std::vector<std::vector<std::string>>> groups = {
        {{"--hf_damp", "0.7"}, {"--hf-damp", "0.7"}, {"--hf-damp=0.7"}, {"@hf_damp", "0.7"}},
        {{"--mod_type", "3"}, {"--mod-type", "granular"}, {"@mod_type", "Gran"}},
        {{"--gain", "24"}, {"--gain", "30"}}, // clamped to the top of the range
    };
    const Audio plain = renderWith(folder, inPath, "plain.wav", {"--seed", "5"});
    int index = 0;
    for (const auto& group : groups)
    {
        std::vector<Audio> renders;
        for (auto options : group)
        {
            options.insert(options.end(), {"--seed", "5"});
            renders.push_back(
                renderWith(folder, inPath, "r" + std::to_string(index++) + ".wav", options));
        }
        for (std::size_t i = 1; i < renders.size(); ++i)
        {
            EXPECT_EQ(renders[i].samples, renders[0].samples) << group[i][0];
        }
        EXPECT_NE(renders[0].samples, plain.samples) << group[0][0]; // the setting did apply
    }
}

TEST(RendererOptions, OutOfRangeValueIsClampedWithANote)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, noise(0.1, 1, 0.5f, 2));
    const RunResult result =
        runTool({inPath, "-o", folder.file("out.wav"), "--voices", "0", "--tail", "0"});
    EXPECT_EQ(result.status, 0);
    // Only the note: no progress bar (stderr is not a terminal), nothing from the module.
    EXPECT_EQ(result.err, "sorvell: note: --voices 0 is out of range; using 1\n");
    EXPECT_TRUE(result.out.empty());
}

TEST(RendererOptions, ListShowsWhatTheClassRegistered)
{
    const RunResult result = runTool({"--list"});
    ASSERT_EQ(result.status, 0) << result.err;
    struct Expected
    {
        const char* name;
        const char* label;
        const char* range;
        const char* description;
    };
    const Expected attributes[] = {
        {"mix", "Dry/wet", "0 to 1", "Sets the dry/wet mix of the output signal"},
        {"gain", "Post gain", "-24 to 24",
         "Set the amount of gain applied to the processed signal in dB."},
        {"stretch", "Partial stretch", "-1 to 1", "Stretch (positive values) or compress"},
        {"shift", "Pitch shift", "-48 to 48", "Shift the input spectrum up or down in semitones"},
        {"decay", "Decay time", "0.001 to 20", "Set the decay length in seconds"},
        {"hf_damp", "High frequency damping", "0 to 1",
         "Set the amount of damping of high frequencies"},
        {"lf_damp", "Low frequency damping", "0 to 1",
         "Set the amount of damping of low frequencies"},
        {"voices", "Unison voices", "1 to 8", "Set the intensity of the unison effect."},
        {"unison", "Unison amount", "0 to 1", "Set the intensity of the unison effect."},
        {"harmonics", "Harmonics", "1 to 256", "A higher number results in more CPU use."},
        {"frequency", "Frequency", "20 to 20000",
         "Set the fundamental frequency of the resonator."},
        {"mod_type", "Modulation mode", "0 None, 1 Chorus, 2 Wandering, 3 Granular",
         "Granular (3) randomly triggers exponential envelopes."},
        {"mod_rate", "Modulation rate", "0 to 1", "Set the modulation rate."},
        {"pitch_mod", "Pitch modulation", "0 to 4",
         "Set the pitch modulation amount in semitones."},
    };
    for (const auto& attribute : attributes)
    {
        SCOPED_TRACE(attribute.name);
        const auto at =
            result.out.find(std::string("--") + attribute.name + "  \"" + attribute.label + "\"");
        ASSERT_NE(at, std::string::npos) << result.out;
        const auto next = result.out.find("\n  --", at + 1);
        // Descriptions are wrapped; read them as one line.
        std::string block = result.out.substr(at, next - at);
        for (auto wrap = block.find("\n      "); wrap != std::string::npos;
             wrap = block.find("\n      "))
        {
            block.replace(wrap, 7, " ");
        }
        EXPECT_NE(block.find(std::string("range: ") + attribute.range), std::string::npos) << block;
        EXPECT_NE(block.find(attribute.description), std::string::npos) << block;
    }
    EXPECT_NE(result.out.find("default: 0.222"), std::string::npos);
    EXPECT_NE(result.out.find("category: Modulation"), std::string::npos);
}

TEST(RendererOptions, OutputFormatFollowsTheExtension)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, sine(0.3, 440.0, 0.5f, 1, 44100));
    for (const std::string name : {"out.flac", "out.aiff", "out.ogg", "out.wav"})
    {
        SCOPED_TRACE(name);
        const Audio out = renderWith(folder, inPath, name, {"--mix", "0"});
        EXPECT_EQ(out.sampleRate, 44100);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.frames(), 13230u + 8820u); // input plus the 0.2 s tail
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
    bool finite = true;
    for (const float sample : wet.samples)
    {
        energy += double(sample) * sample;
        finite = finite && std::isfinite(sample);
    }
    EXPECT_TRUE(finite);
    EXPECT_GT(energy / wet.samples.size(), 1e-4); // clearly audible
    EXPECT_NE(wet.samples, std::vector<float>(wet.samples.size(), 0.0f));
}

TEST(RendererOptions, ProgressBarOnlyOnATerminalAndNotWithQuiet)
{
    ScratchFolder folder;
    const std::string inPath = folder.file("in.wav");
    writeWav(inPath, noise(0.5, 2, 0.5f, 8));

    const RunResult shown = runToolOnTerminal({inPath, "-o", folder.file("a.wav")});
    if (shown.status == -1)
    {
        GTEST_SKIP() << "no pseudo-terminal runner";
    }
    EXPECT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("100.0%"), std::string::npos) << shown.out;

    const RunResult quiet = runToolOnTerminal({inPath, "-o", folder.file("b.wav"), "-q"});
    EXPECT_EQ(quiet.status, 0) << quiet.out;
    EXPECT_EQ(quiet.out.find('%'), std::string::npos) << quiet.out;
}
