// Bursts of NaN, infinity and huge finite samples in the input, at any decay: the output is
// finite again within 3 s of the burst and, once the input is clean, at the level it has
// without the burst.
#include "Checks.h"
#include "SymbolTable.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace sorvell::conformance
{

void checkBadInput(Context& context)
{
    const double rate = 44100.0;
    const size_t burstAt = static_cast<size_t>(rate * 0.5);
    constexpr size_t kBurst = 64;
    const size_t recovered = burstAt + kBurst + kDeclaredLatency + static_cast<size_t>(rate * 3.0);
    const size_t frames = recovered + static_cast<size_t>(rate * 0.5);
    const Stereo clean = noise(frames, 0.25f, 17);
    const auto blocks = fixedBlocks(frames, 512);

    struct Burst
    {
        const char* name;
        float positive;
        float negative;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const Burst bursts[] = {
        {"NaN", std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()},
        {"inf", inf, -inf},
        {"3e38", 3e38f, -3e38f}};

    for (double decay : {0.001, 0.222, 20.0})
    {
        Stereo reference;
        for (const Burst& burst : bursts)
        {
            char detail[64];
            std::snprintf(detail, sizeof detail, "%s burst decay %g s", burst.name, decay);
            context.report.run(
                context.name("bad-input", detail),
                [&]
                {
                    const Settings settings{{"decay", decay}};
                    if (reference.frames() == 0)
                    {
                        auto plain = context.make(rate, 512);
                        set(*plain, settings);
                        reference = render(*plain, clean, blocks);
                    }
                    Stereo input = clean;
                    for (size_t i = burstAt; i < burstAt + kBurst; ++i)
                    {
                        input.left[i] = i % 2 == 0 ? burst.positive : burst.negative;
                        input.right[i] = i % 2 == 0 ? burst.negative : burst.positive;
                    }
                    auto instance = context.make(rate, 512);
                    set(*instance, settings);
                    const Stereo out = render(*instance, input, blocks);
                    const Health after = health(out, recovered, frames);
                    const double level = rms(out, recovered, frames);
                    const double expected = rms(reference, recovered, frames);
                    // Within 1 dB of the output that never saw the burst.
                    const bool sameLevel = level > expected * 0.891 && level < expected * 1.122;
                    return expect(after.finite && !after.subnormal && sameLevel,
                                  "3 s after the burst: " + describe(after) + ", rms " +
                                      std::to_string(level) + " (without the burst " +
                                      std::to_string(expected) + ")");
                });
        }
    }
}

} // namespace sorvell::conformance
