// Input files the renderer can still make sense of: cut short, streamed without a length, more
// than two channels, a lying extension, non-finite samples, no frames at all, and any sample
// rate from 8 kHz to 384 kHz. Each renders as its clean equivalent does.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

struct OddInputCase
{
    const char* title;
    // Writes "odd.wav" (the file under test) and "clean.wav" (what it must render like).
    std::function<void(const ScratchFolder&)> prepare;
    std::string note; // what stderr must hold; empty for silence
};

void PrintTo(const OddInputCase& c, std::ostream* out)
{
    *out << c.title;
}

Audio firstFrames(const Audio& audio, std::size_t frames, int channels)
{
    Audio part = audio;
    part.channels = channels;
    part.samples.clear();
    for (std::size_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < channels; ++c)
        {
            part.samples.push_back(audio.at(i, c));
        }
    }
    return part;
}

// A 1000-frame file whose header announces 4800 frames; `extra` bytes of the next sample too.
std::function<void(const ScratchFolder&)> cutShort(int format, std::size_t sampleBytes,
                                                   std::size_t extra)
{
    return [=](const ScratchFolder& f)
    {
        writeWav(f.file("whole"), noise(0.1, 2, 0.5f, 4), format);
        const Audio whole = readAudio(f.file("whole"));
        const std::string bytes = bytesOf(f.file("whole"));
        const std::size_t header = bytes.size() - whole.samples.size() * sampleBytes;
        writeBytes(f.file("odd.wav"), bytes.substr(0, header + 1000 * 2 * sampleBytes + extra));
        writeWav(f.file("clean.wav"), firstFrames(whole, 1000, 2));
    };
}

std::function<void(const ScratchFolder&)> channels(int count)
{
    return [=](const ScratchFolder& f)
    {
        const Audio many = noise(0.2, count, 0.5f, 11);
        writeWav(f.file("odd.wav"), many);
        writeWav(f.file("clean.wav"), firstFrames(many, many.frames(), 2));
    };
}

const std::string kCut = "is shorter than its header says; rendering the 1000 frames it holds\n";

class RendererOddInput : public testing::TestWithParam<OddInputCase>
{
};

} // namespace

TEST_P(RendererOddInput, RendersLikeItsCleanEquivalent)
{
    ScratchFolder folder;
    GetParam().prepare(folder);
    // Fixed seed and moving parts on, so that any difference in what was read shows.
    const std::vector<std::string> options = {"--seed", "5",   "--mod_type",  "granular",
                                              "--mix",  "0.7", "--pitch_mod", "2",
                                              "--tail", "0.05"};
    std::string err;
    const Audio odd = render(folder, "odd.wav", "odd-out.wav", options, &err);
    const Audio clean = render(folder, "clean.wav", "clean-out.wav", options);
    EXPECT_EQ(odd.channels, 2);
    EXPECT_EQ(odd.frames(), readAudio(folder.file("clean.wav")).frames() + 2400);
    EXPECT_EQ(odd.samples, clean.samples);
    EXPECT_EQ(err.empty(), GetParam().note.empty()) << err;
    EXPECT_NE(err.find(GetParam().note), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RendererOddInput,
    testing::Values(
        OddInputCase{"WavCutAtAFrame", cutShort(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 4, 0), kCut},
        OddInputCase{"WavCutInASample", cutShort(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 4, 2), kCut},
        OddInputCase{"AiffCutInASample", cutShort(SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 3, 2), kCut},
        // A recorder writing to a pipe cannot fill in the length: the data chunk announces
        // 0xFFFFFFFF bytes.
        OddInputCase{"StreamedWavWithoutALength",
                     [](const ScratchFolder& f)
                     {
                         writeWav(f.file("clean.wav"), noise(0.1, 2, 0.5f, 6));
                         std::string bytes = bytesOf(f.file("clean.wav"));
                         bytes.replace(bytes.find("data") + 4, 4, "\xff\xff\xff\xff");
                         writeBytes(f.file("odd.wav"), bytes);
                     },
                     ""},
        OddInputCase{"ThreeChannels", channels(3), "has 3 channels; rendering channels 1 and 2"},
        OddInputCase{"EightChannels", channels(8), "has 8 channels; rendering channels 1 and 2"},
        OddInputCase{"FlacNamedWav",
                     [](const ScratchFolder& f)
                     {
                         writeWav(f.file("odd.wav"), noise(0.2, 2, 0.5f, 12),
                                  SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
                         writeWav(f.file("clean.wav"), readAudio(f.file("odd.wav")));
                     },
                     ""},
        OddInputCase{"NonFiniteSamples",
                     [](const ScratchFolder& f)
                     {
                         Audio poisoned = noise(0.3, 2, 0.5f, 13);
                         Audio cleaned = poisoned;
                         const float bad[] = {NAN, INFINITY, -INFINITY};
                         for (std::size_t i = 0; i < 30; ++i)
                         {
                             poisoned.samples[i * 500 + 7] = bad[i % 3];
                             cleaned.samples[i * 500 + 7] = 0.0f;
                         }
                         writeWav(f.file("odd.wav"), poisoned);
                         writeWav(f.file("clean.wav"), cleaned);
                     },
                     "holds 30 samples that are not finite numbers"},
        OddInputCase{"NoFrames",
                     [](const ScratchFolder& f)
                     {
                         writeWav(f.file("odd.wav"), Audio{});
                         writeWav(f.file("clean.wav"), Audio{}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
                     },
                     "holds no audio; the output is 0.05 s of silence"}),
    [](const testing::TestParamInfo<OddInputCase>& info) { return std::string(info.param.title); });

class RendererSampleRate : public testing::TestWithParam<int>
{
};

// The same samples at every rate: a sine 256 samples long, with the fundamental on it. An
// engine built for the file's own rate treats them all alike.
TEST_P(RendererSampleRate, DryAlignsAndASineOnAPartialKeepsItsLevel)
{
    const int rate = GetParam();
    const double hertz = rate / 256.0;
    ScratchFolder folder;
    const Audio in = sine(0.9, hertz, 0.25f, 1, rate);
    writeWav(folder.file("in.wav"), in);

    const Audio dry = render(folder, "in.wav", "dry.wav", {"--mix", "0", "--tail", "0"});
    EXPECT_EQ(dry.sampleRate, rate);
    EXPECT_EQ(dry.samples, firstFrames(sine(0.9, hertz, 0.25f, 2, rate), in.frames(), 2).samples);

    const Audio wet =
        render(folder, "in.wav", "wet.wav",
               {"--frequency", std::to_string(hertz), "--mix", "1", "--tail", "0.05"});
    EXPECT_EQ(wet.sampleRate, rate);
    EXPECT_EQ(wet.frames(), in.frames() + static_cast<std::size_t>(std::llround(0.05 * rate)));
    const std::size_t first = (in.frames() / 2 / 256) * 256;
    const std::size_t count = std::max<std::size_t>(1536, 8 * 256);
    ASSERT_LE(first + count, in.frames());
    for (int channel = 0; channel < 2; ++channel)
    {
        const double amplitude = sineAmplitude(wet, channel, first, count);
        EXPECT_GT(amplitude, 0.24) << "channel " << channel;
        EXPECT_LT(amplitude, 0.26) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, RendererSampleRate,
                         testing::Values(8000, 22050, 44100, 96000, 192000, 384000),
                         [](const testing::TestParamInfo<int>& info)
                         { return std::to_string(info.param) + "Hz"; });
