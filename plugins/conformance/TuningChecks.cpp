// Tunings, VST3 and CLAP (the LV2 build keeps no framework state: headless LV2 hosts refuse
// plugins that have it). The tuning travels in the plugin's state as the texts of a Scala scale
// and keyboard mapping: a chord in Chord mode lands on the scale's degrees, a saved state
// brings the tuning back, a text that does not read leaves the tuning before it (and out of
// what is saved next), a state saved before tunings existed loads as it sounded, and tunings
// loaded while a chord plays cost the audio thread no allocation (the threaded case runs under
// ThreadSanitizer in CI too).
#include "AllocationCounter.h"
#include "Checks.h"
#include "FrameworkState.h"
#include "SymbolTable.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

namespace sorvell::conformance
{
namespace
{

// Nineteen equal steps to the octave, in cents, with degree 0 on note 60 at 300 Hz.
std::string nineteenEqual()
{
    std::string scale = "! 19edo.scl\n19 equal steps\n19\n!\n";
    for (int step = 1; step <= 19; ++step)
    {
        char line[32];
        std::snprintf(line, sizeof line, "%.5f\n", 1200.0 * step / 19.0);
        scale += line;
    }
    return scale;
}
const std::string kKeymap = "! 300.kbm\n0\n0\n127\n60\n60\n300.0\n0\n";
const std::string kBrokenScale = "! broken.scl\nnot a scale\n3\n100.0\nthree hundred\n";

constexpr double kRate = 44100.0;
constexpr size_t kFrames = 2 * 44100;
// A chord of notes three and six keys above the reference: in 19 steps 189 and 379 cents,
// far from the 300 and 600 of equal temperament.
constexpr uint8_t kChord[] = {60, 63, 66};

double scaleFrequency(int note)
{
    return 300.0 * std::pow(2.0, (note - 60) / 19.0);
}

void setChordMode(PluginInstance& instance)
{
    set(instance, {{"pitch_source", 2.0},
                   {"mix", 1.0},
                   {"harmonics", 1.0},
                   {"voices", 1.0},
                   {"mod_type", 0.0},
                   {"decay", 0.5}});
}

Stereo renderChord(PluginInstance& instance)
{
    setChordMode(instance);
    RenderOptions options;
    for (uint8_t note : kChord)
    {
        options.midi.push_back({0, {0x90, note, 100}});
    }
    return render(instance, noise(kFrames, 0.25f, 17), fixedBlocks(kFrames, 512), options);
}

StateBytes tunedState(PluginInstance& source)
{
    const StateBytes plain = source.saveState().value_or(StateBytes{});
    return withStateValue(withStateValue(plain, "tuning", nineteenEqual()), "tuning_keymap",
                          kKeymap);
}

} // namespace

void checkTuning(Context& context)
{
    if (context.format == Format::Lv2)
    {
        return;
    }
    context.report.run(context.name("tuning", "a chord lands on the degrees of a 19-step scale"),
                       [&]
                       {
                           auto instance = context.make(kRate, 512);
                           if (!instance->loadState(tunedState(*context.make(kRate, 512))))
                           {
                               return fail("the tuned state was refused");
                           }
                           const Stereo out = renderChord(*instance);
                           const size_t begin = kDeclaredLatency + static_cast<size_t>(kRate / 2);
                           std::string found;
                           bool all = true;
                           for (uint8_t note : kChord)
                           {
                               const double want = scaleFrequency(note);
                               // Fifty cents either way: no other note of the chord is there, nor
                               // the note equal temperament would give.
                               const double band = std::pow(2.0, 50.0 / 1200.0);
                               const double peak =
                                   spectralPeak(out, begin, 16384, kRate, want / band, want * band);
                               const double cents = 1200.0 * std::log2(peak / want);
                               all = all && std::fabs(cents) < 5.0;
                               char text[64];
                               std::snprintf(text, sizeof text, "%s%d: %.1f Hz (want %.1f)",
                                             found.empty() ? "" : ", ", note, peak, want);
                               found += text;
                           }
                           return expect(all, found);
                       });

    context.report.run(context.name("tuning", "saved and loaded into a fresh instance"),
                       [&]
                       {
                           auto tuned = context.make(kRate, 512);
                           tuned->loadState(tunedState(*tuned));
                           const auto saved = tuned->saveState();
                           if (!saved || stateValue(*saved, "tuning") != nineteenEqual() ||
                               stateValue(*saved, "tuning_keymap") != kKeymap)
                           {
                               return fail("the saved state lost the tuning's texts");
                           }
                           const Stereo expected = renderChord(*tuned);
                           auto restored = context.make(kRate, 512);
                           if (!restored->loadState(*saved))
                           {
                               return fail("load refused its own state");
                           }
                           const Stereo actual = renderChord(*restored);
                           const Stereo equal = renderChord(*context.make(kRate, 512));
                           const size_t differ = firstDifference(expected, actual);
                           return expect(
                               differ == kFrames && firstDifference(expected, equal) < kFrames,
                               differ == kFrames
                                   ? "the same output as the instance that saved it"
                                   : "output differs from frame " + std::to_string(differ));
                       });

    context.report.run(context.name("tuning", "a broken scale keeps the tuning before it"),
                       [&]
                       {
                           auto tuned = context.make(kRate, 512);
                           const StateBytes good = tunedState(*tuned);
                           auto reference = context.make(kRate, 512);
                           reference->loadState(good);
                           const Stereo expected = renderChord(*reference);

                           tuned->loadState(good);
                           tuned->loadState(withStateValue(good, "tuning", kBrokenScale));
                           const auto saved = tuned->saveState();
                           const bool keptText =
                               saved && stateValue(*saved, "tuning") == nineteenEqual();
                           const size_t differ = firstDifference(expected, renderChord(*tuned));
                           return expect(keptText && differ == kFrames,
                                         std::string(keptText ? "the state keeps the good scale"
                                                              : "the state took the broken scale") +
                                             (differ == kFrames ? ", the chord sounds as before"
                                                                : ", output differs from frame " +
                                                                      std::to_string(differ)));
                       });

    context.report.run(
        context.name("tuning", "loaded from another thread while a chord plays"),
        [&]
        {
            constexpr uint32_t kBlock = 128;
            constexpr int kLoads = 60;
            auto instance = context.make(kRate, kBlock);
            setChordMode(*instance);
            const StateBytes plain = instance->saveState().value_or(StateBytes{});
            const StateBytes tuned = tunedState(*instance);
            // From the very first block, as when a host opens a session: the loads race the
            // instance's start (its parameters' preparation) as well as its playing.
            std::atomic<bool> loading{true};
            std::atomic<int> blocks{0};
            std::atomic<int> bad{0};
            std::atomic<size_t> allocations{0};
            // The audio thread plays notes on and off until the loads are done.
            std::thread audio(
                [&]
                {
                    const Stereo input = noise(kBlock, 0.25f, 21);
                    Stereo output(kBlock);
                    float* out[2] = {output.left.data(), output.right.data()};
                    const float* in[2] = {input.left.data(), input.right.data()};
                    for (int block = 0; loading || block < 16; ++block)
                    {
                        MidiMessage note;
                        note.bytes[0] = block % 4 == 3 ? 0x80 : 0x90;
                        note.bytes[1] = static_cast<uint8_t>(kChord[block % 3] + block % 5);
                        note.bytes[2] = 100;
                        instance->sendMidi(note);
                        sorvell::testing::AllocationCounter counter;
                        instance->process(in, out, kBlock);
                        allocations += counter.allocations();
                        const Health h = health(output, 0, kBlock);
                        bad += h.finite && h.peak <= kPeakBound ? 0 : 1;
                        blocks.fetch_add(1, std::memory_order_relaxed);
                        std::this_thread::yield();
                    }
                });
            // The host's main thread restores sessions, tuned and not, while audio runs: a
            // load every few blocks, however the two threads are scheduled.
            bool refused = false;
            for (int load = 0; load < kLoads; ++load)
            {
                refused = !instance->loadState(load % 2 == 0 ? tuned : plain) || refused;
                while (blocks.load(std::memory_order_relaxed) < 3 * load)
                {
                    std::this_thread::yield();
                }
            }
            loading = false;
            audio.join();
            const auto saved = instance->saveState();
            const bool last = saved && stateValue(*saved, "tuning").empty();
            const bool counted = sorvell::testing::allocationsCounted();
            return expect(!refused && last && bad == 0 && allocations == 0,
                          std::to_string(kLoads) + " loads over " + std::to_string(blocks.load()) +
                              " blocks" + (refused ? ", a load refused" : "") +
                              (last ? "" : ", the last load did not stick") + ", " +
                              std::to_string(bad.load()) + " bad blocks, " +
                              (counted ? std::to_string(allocations.load()) +
                                             " allocations on the audio thread"
                                       : "allocations not counted in a sanitizer build"));
        });

    context.report.run(
        context.name("tuning", "a state from before tunings loads as it did"),
        [&]
        {
            const Settings settings{{"frequency", 220.0}, {"decay", 1.2}, {"mix", 0.6}};
            auto source = context.make();
            set(*source, settings);
            render(*source, noise(512, 0.5f, 3), fixedBlocks(512, 512));
            const auto saved = source->saveState();
            auto restored = context.make();
            if (!saved || !restored->loadState(withoutStateSection(*saved)))
            {
                return fail("the state without tuning was refused");
            }
            auto byHand = context.make();
            set(*byHand, settings);
            const Stereo input = noise(8192, 0.5f, 5);
            const size_t differ = firstDifference(render(*byHand, input, fixedBlocks(8192, 512)),
                                                  render(*restored, input, fixedBlocks(8192, 512)));
            return expect(differ == 8192,
                          differ == 8192 ? "output identical to an instance set by hand"
                                         : "output differs from frame " + std::to_string(differ));
        });
}

} // namespace sorvell::conformance
