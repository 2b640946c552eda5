// MIDI drives the pitch: with the pitch source on MIDI, a note moves the spectral peak of
// the wet output to the note (12-TET, A4 = 440 Hz), pitch bend moves it by up to two
// semitones, and releasing the newest note returns to the one still held.
#include "Checks.h"
#include "SymbolTable.h"

#include <cmath>
#include <cstdio>

namespace sorvell::conformance
{
namespace
{

double noteFrequency(double note)
{
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

} // namespace

void checkMidi(Context& context)
{
    context.report.run(
        context.name("midi", "note, bend and release move the peak"),
        [&]
        {
            const double rate = 44100.0;
            auto instance = context.make(rate, 512);
            if (!instance->hasMidiInput())
            {
                return fail("no MIDI input");
            }
            set(*instance, {{"pitch_source", 1.0},
                            {"mix", 1.0},
                            {"harmonics", 1.0},
                            {"voices", 1.0},
                            {"mod_type", 0.0},
                            {"decay", 0.5}});
            const auto second = static_cast<size_t>(rate);
            // Held A3, then E4 on top, bent fully up, bend back to centre, E4 released.
            const std::vector<TimedMidi> events{
                {0, {0x90, 57, 100}},
                {second, {0x90, 64, 100}},
                {2 * second, {0xE0, 0x7F, 0x7F}},
                {3 * second, {0xE0, 0x00, 0x40}},
                {3 * second, {0x80, 64, 0}},
            };
            struct Expectation
            {
                const char* label;
                size_t at;
                double frequency;
            };
            const Expectation expectations[] = {
                {"A3", 0, noteFrequency(57)},
                {"E4 over A3", second, noteFrequency(64)},
                {"E4 bent up", 2 * second, noteFrequency(64 + 2.0 * 8191.0 / 8192.0)},
                {"E4 released", 3 * second, noteFrequency(57)},
            };
            const size_t frames = 4 * second;
            RenderOptions options;
            options.midi = events;
            const Stereo out =
                render(*instance, noise(frames, 0.25f, 13), fixedBlocks(frames, 512), options);
            std::string found;
            bool all = true;
            for (const Expectation& e : expectations)
            {
                // Half a second to settle, then a window of 16384 frames.
                const size_t begin = e.at + kDeclaredLatency + second / 2;
                const double peak = spectralPeak(out, begin, 16384, rate, 60.0, 2000.0);
                const double cents = 1200.0 * std::log2(peak / e.frequency);
                const bool near = std::fabs(cents) < 25.0;
                all = all && near;
                char text[96];
                std::snprintf(text, sizeof text, "%s%s %.1f Hz (want %.1f)",
                              found.empty() ? "" : ", ", e.label, peak, e.frequency);
                found += text;
            }
            return expect(all, found);
        });
}

} // namespace sorvell::conformance
