// Batches and presets: several files rendered into one folder at once, each as it would be on
// its own, a bad file reported without stopping the rest; factory presets as the settings
// they list, overridden by options after them, at sane levels.
#include "ToolTestSupport.h"

#include "factory_presets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace sorvell_test;

TEST(RendererBatch, EveryGoodFileIsRenderedAndABadOneIsReported)
{
    ScratchFolder folder;
    writeWav(folder.file("a.wav"), noise(0.3, 2, 0.5f, 1));
    writeWav(folder.file("c.flac"), noise(0.2, 1, 0.5f, 3), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    writeWav(folder.file("d.aiff"), noise(0.2, 2, 0.5f, 4), SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    writeBytes(folder.file("bad.wav"), "not audio\n");
    const std::vector<std::string> options = {"--seed", "9",   "--mod_type", "wander",
                                              "--tail", "0.1", "-q"};
    for (const char* jobs : {"1", "3"})
    {
        SCOPED_TRACE(jobs);
        std::vector<std::string> args = {folder.file("a.wav"),
                                         folder.file("bad.wav"),
                                         folder.file("c.flac"),
                                         folder.file("d.aiff"),
                                         "-o",
                                         folder.file(std::string("out") + jobs + "/"),
                                         "-j",
                                         jobs};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult result = runTool(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("cannot read '" + folder.file("bad.wav") + "'"),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find("sorvell: 1 of 4 files failed\n"), std::string::npos);
        for (const std::string name : {"a.wav", "c.flac", "d.aiff"})
        {
            std::vector<std::string> single = {folder.file(name), "-o",
                                               folder.file("single-" + name)};
            single.insert(single.end(), options.begin(), options.end());
            ASSERT_EQ(runTool(single).status, 0);
            EXPECT_EQ(bytesOf(folder.file(std::string("out") + jobs + "/" + name)),
                      bytesOf(folder.file("single-" + name)))
                << name;
        }
    }
    // --type names the format, and with it the extension, of every output.
    const RunResult typed = runTool({folder.file("a.wav"), folder.file("c.flac"), "-o",
                                     folder.file("ogg/"), "--type", "ogg", "-q", "--tail", "0"});
    EXPECT_EQ(typed.status, 0) << typed.err;
    EXPECT_TRUE(std::filesystem::exists(folder.file("ogg/a.ogg")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("ogg/c.ogg")));
}

TEST(RendererPresets, APresetIsItsSettingsAndLaterOptionsChangeIt)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(1.0, 2, 0.5f, 6));
    int index = 0;
    const auto renderWith = [&](std::vector<std::string> options)
    {
        options.insert(options.end(), {"--seed", "2", "--tail", "0.5"});
        return render(folder, "in.wav", std::to_string(index++) + ".wav", options).samples;
    };
    for (const auto& preset : sorvell::factory_presets())
    {
        const std::string name(preset.name);
        SCOPED_TRACE(name);
        std::vector<std::string> spelled;
        for (const auto& value : preset.values)
        {
            spelled.push_back("--" + std::string(value.parameter));
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", value.value);
            spelled.push_back(text);
        }
        const std::vector<float> rendered = renderWith({"--preset", name});
        EXPECT_EQ(rendered, renderWith(spelled));
        // Loud noise in, no clipping out: every preset keeps a sane level.
        Audio audio;
        audio.samples = rendered;
        EXPECT_LT(peakOf(audio), 1.0f);
        EXPECT_GT(peakOf(audio), 0.05f);
        EXPECT_NE(renderWith({"--decay", "0.1", "--preset", name, "--decay", "0.1"}), rendered);
        EXPECT_EQ(renderWith({"--decay", "0.1", "--preset", name}), rendered);
    }
    const RunResult listing = runTool({"--list-presets"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_NE(listing.out.find("  dark-body  "), std::string::npos) << listing.out;
}
