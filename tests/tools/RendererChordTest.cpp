// Chords in the renderer: --notes progressions, MIDI files made here (formats 0 and 1, tempo
// changes, running status, overlapping notes of one pitch, one channel picked out), Scala
// tunings, and one clear line for each kind of bad input with no output left behind.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

using namespace sorvell_test;

namespace
{

constexpr int kRate = 48000;

// Energy of the left channel at `hertz` over [from, to) seconds.
double powerAt(const Audio& audio, double hertz, double from, double to)
{
    const auto first = static_cast<std::size_t>(from * kRate);
    const auto count = static_cast<std::size_t>((to - from) * kRate);
    double re = 0.0;
    double im = 0.0;
    const double step = 2.0 * std::numbers::pi * hertz / kRate;
    for (std::size_t i = 0; i < count; ++i)
    {
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / count);
        re += window * audio.at(first + i, 0) * std::cos(step * i);
        im += window * audio.at(first + i, 0) * std::sin(step * i);
    }
    return re * re + im * im;
}

// Over [from, to): each note sounding has 30 times the energy of frequencies no note is near,
// and each silent one less than a thirtieth of the quietest sounding note's.
void expectNotes(const Audio& audio, double from, double to, const std::vector<double>& sounding,
                 const std::vector<double>& silent)
{
    const double quiet = powerAt(audio, 355.0, from, to) + powerAt(audio, 420.0, from, to);
    double weakest = 1e300;
    for (double hz : sounding)
    {
        const double power = powerAt(audio, hz, from, to);
        EXPECT_GT(power, 30.0 * quiet) << hz << " Hz from " << from << " s";
        weakest = std::min(weakest, power);
    }
    for (double hz : silent)
        EXPECT_LE(powerAt(audio, hz, from, to), sounding.empty() ? quiet : weakest / 30.0)
            << hz << " Hz from " << from << " s";
}

// A Standard MIDI File built byte by byte.
std::string varLength(std::uint32_t value)
{
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0)
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return bytes;
}
std::string bigEndian(std::uint32_t value, int size)
{
    std::string bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}
std::string track(const std::string& events)
{
    const std::string body = events + varLength(0) + std::string("\xFF\x2F\x00", 3); // end of track
    return "MTrk" + bigEndian(static_cast<std::uint32_t>(body.size()), 4) + body;
}
std::string midiFile(int format, const std::vector<std::string>& tracks, int ppqn = 480)
{
    std::string file = "MThd" + bigEndian(6, 4) + bigEndian(format, 2) +
                       bigEndian(static_cast<std::uint32_t>(tracks.size()), 2) + bigEndian(ppqn, 2);
    for (const auto& t : tracks)
        file += t;
    return file;
}
std::string event(std::uint32_t delta, std::string bytes)
{
    return varLength(delta) + bytes;
}
std::string tempo(std::uint32_t delta, std::uint32_t microsecondsPerBeat)
{
    return event(delta, std::string("\xFF\x51\x03", 3) + bigEndian(microsecondsPerBeat, 3));
}
std::string bytes3(int a, int b, int c)
{
    return {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)};
}

const std::vector<std::string> kChordOptions{"--harmonics", "1",      "--mix", "1",      "--decay",
                                             "0.15",        "--seed", "3",     "--tail", "0"};

std::vector<std::string> with(std::vector<std::string> options)
{
    options.insert(options.end(), kChordOptions.begin(), kChordOptions.end());
    return options;
}

} // namespace

TEST(RendererChords, NotesGiveAProgressionOfChordsInTime)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(3.0, 2, 0.5f, 11));
    const auto out =
        render(folder, "in.wav", "out.wav", with({"--notes", "0:A2+C#3+E3 1.5:D3+F#3+45m, 2.6:-"}));
    expectNotes(out, 0.4, 1.4, {110.0, 138.5913, 164.8138}, {184.9972, 220.0});
    // A2 (45m) stays through the change.
    expectNotes(out, 1.7, 2.5, {146.8324, 184.9972, 110.0}, {164.8138});
    expectNotes(out, 2.8, 3.0, {}, {110.0, 146.8324});
}

TEST(RendererChords, AScalaTuningAndKeyboardMapGiveTheNotesTheirFrequencies)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(1.5, 2, 0.5f, 12));
    writeBytes(folder.file("five.scl"), "! five.scl\nFive\n5\n9/8\n386.3137139\n3/2\n5/3\n2/1\n");
    // Degree 0 on note 60, note 69 (degree 9) at 440 Hz: notes 60 and 63 are 132 and 198 Hz.
    auto out = render(folder, "in.wav", "scale.wav",
                      with({"--notes", "0:60m+63m", "--tuning", folder.file("five.scl")}));
    expectNotes(out, 0.5, 1.4, {132.0, 198.0}, {261.6256, 311.127});
    // A map that puts degree 0 on note 60 at 200 Hz.
    writeBytes(folder.file("map.kbm"), "0\n0\n127\n60\n60\n200.0\n5\n");
    out = render(folder, "in.wav", "map.wav",
                 with({"--notes", "0:60m+63m", "--tuning", folder.file("five.scl"), "--keymap",
                       folder.file("map.kbm")}));
    expectNotes(out, 0.5, 1.4, {200.0, 300.0}, {132.0, 198.0});
}

TEST(RendererChords, MidiFilesOfBothFormatsFollowTheirTempoMapFromTimeZero)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(2.0, 2, 0.5f, 13));
    // 480 ticks a beat, 120 beats a minute for the first beat, then 240: tick 960 is 0.75 s.
    // Format 0, one track, running status for the note-offs (note-ons of velocity 0).
    const std::string format0 =
        midiFile(0, {track(tempo(0, 500000) + event(0, bytes3(0x90, 45, 100)) + tempo(480, 250000) +
                           event(480, bytes3(0x90, 52, 90)) + event(0, std::string("\x2D\x00", 2)) +
                           event(480, std::string("\x34\x00", 2)))});
    writeBytes(folder.file("zero.mid"), format0);
    const auto zero =
        render(folder, "in.wav", "zero.wav", with({"--midi", folder.file("zero.mid")}));
    expectNotes(zero, 0.2, 0.7, {110.0}, {164.8138});  // A2 until 0.75 s
    expectNotes(zero, 0.8, 0.98, {164.8138}, {110.0}); // E3 from 0.75 s to 1 s
    expectNotes(zero, 1.4, 2.0, {}, {110.0, 164.8138});

    // Format 1: the tempo map in its own track; the notes in another.
    const std::string format1 =
        midiFile(1, {track(tempo(0, 500000) + tempo(480, 250000)),
                     track(event(0, bytes3(0x90, 45, 100)) + event(960, bytes3(0x80, 45, 0)) +
                           event(0, bytes3(0x90, 52, 90)) + event(480, bytes3(0x80, 52, 0)))});
    writeBytes(folder.file("one.mid"), format1);
    const auto one = render(folder, "in.wav", "one.wav", with({"--midi", folder.file("one.mid")}));
    EXPECT_EQ(one.samples, zero.samples);
}

TEST(RendererChords, OverlappingNotesOfOnePitchPedalBendAndOneChannel)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(2.5, 2, 0.5f, 14));
    // At 120 beats a minute: A2 pressed at 0 and again at 0.25 s, released at 0.5 s and at
    // 1.5 s: it sounds to 1.5 s. Channel 2 holds E3 throughout and bends up two semitones at 1 s.
    const std::string file =
        midiFile(0, {track(event(0, bytes3(0x90, 45, 100)) + event(0, bytes3(0x91, 52, 100)) +
                           event(240, bytes3(0x90, 45, 100)) + event(240, bytes3(0x80, 45, 0)) +
                           event(480, bytes3(0xE1, 0x7F, 0x7F)) + event(480, bytes3(0x80, 45, 0)) +
                           event(960, bytes3(0x81, 52, 0)))});
    writeBytes(folder.file("overlap.mid"), file);
    const auto all =
        render(folder, "in.wav", "all.wav", with({"--midi", folder.file("overlap.mid")}));
    expectNotes(all, 0.6, 0.95, {110.0, 164.8138}, {184.9972});
    // The bend (from channel 2, but it moves every note) takes E3 to F#3 and A2 to B2.
    expectNotes(all, 1.1, 1.45, {123.4708, 184.9972}, {110.0, 164.8138});
    expectNotes(all, 1.7, 2.4, {184.9972}, {123.4708});
    const auto second = render(folder, "in.wav", "second.wav",
                               with({"--midi", folder.file("overlap.mid"), "--midi-channel", "2"}));
    expectNotes(second, 0.2, 0.9, {164.8138}, {110.0});

    // The sustain pedal (channel 1) holds A2 past its last release.
    const std::string pedal =
        midiFile(0, {track(event(0, bytes3(0xB0, 64, 127)) + event(0, bytes3(0x90, 45, 100)) +
                           event(240, bytes3(0x80, 45, 0)) + event(1200, bytes3(0xB0, 64, 0)))});
    writeBytes(folder.file("pedal.mid"), pedal);
    const auto held =
        render(folder, "in.wav", "pedal.wav", with({"--midi", folder.file("pedal.mid")}));
    expectNotes(held, 0.6, 1.4, {110.0}, {164.8138});
    expectNotes(held, 1.8, 2.4, {}, {110.0});
}

TEST(RendererChords, BadChordInputIsOneLineAndLeavesNoOutput)
{
    ScratchFolder folder;
    writeWav(folder.file("in.wav"), noise(0.2, 2, 0.5f, 15));
    writeBytes(folder.file("broken.mid"), "MThd\x00\x00\x00\x06\x00\x00garbage");
    writeBytes(folder.file("broken.scl"), "desc\n3\n9/8\n");
    const struct
    {
        std::vector<std::string> options;
        int status;
        std::string says;
    } cases[] = {
        {{"--notes", " "}, 2, "--notes: the chord list is empty"},
        {{"--notes", "0:A2+128m"}, 2, "--notes: the note '128m' is out of range"},
        {{"--notes", "0:A2 0:B2"}, 2, "--notes: the times must increase"},
        {{"--notes", "0:Q2"}, 2, "--notes: 'Q2' is not a note"},
        {{"--midi", folder.file("broken.mid")}, 1, "is not a readable MIDI file"},
        {{"--midi", folder.file("none.mid")}, 1, "cannot open the MIDI file"},
        {{"--notes", "0:A2", "--tuning", folder.file("broken.scl")},
         1,
         "broken.scl': scale file ends early: 1 of 3 pitches given"},
        {{"--notes", "0:A2", "--midi", folder.file("broken.mid")}, 2, "choose one"},
        {{"--notes", "0:A2", "--midi-channel", "17"}, 2, "--midi-channel"},
    };
    for (const auto& c : cases)
    {
        std::vector<std::string> args{folder.file("in.wav"), "-o", folder.file("out.wav"), "-q"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto result = runTool(args);
        EXPECT_EQ(result.status, c.status) << c.says;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << c.says << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder.file("out.wav"))) << c.says;
    }
}
