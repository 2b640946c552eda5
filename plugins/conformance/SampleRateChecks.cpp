// Every sample rate from 1 kHz to 768 kHz, fractional ones too: output finite, free of
// subnormals and bounded.
#include "Checks.h"
#include "SymbolTable.h"

#include <cstdio>

namespace sorvell::conformance
{

void checkSampleRates(Context& context)
{
    for (double rate :
         {1000.0, 8000.0, 22050.0, 44100.5, 48000.0, 88200.0, 192000.0, 384000.0, 768000.0})
    {
        char detail[32];
        std::snprintf(detail, sizeof detail, "%g Hz", rate);
        context.report.run(
            context.name("sample-rate", detail),
            [&]
            {
                auto instance = context.make(rate, 512);
                set(*instance, "harmonics", 64.0);
                const size_t frames = 2 * kDeclaredLatency + static_cast<size_t>(rate * 0.1);
                const Stereo out =
                    render(*instance, noise(frames, 0.5f, 7), fixedBlocks(frames, 512));
                const Health h = health(out, 0, frames);
                const double level = rms(out, kDeclaredLatency, frames);
                return expect(h.finite && !h.subnormal && h.peak <= kPeakBound && level > 1e-4,
                              describe(h) + ", rms " + std::to_string(level));
            });
    }
}

} // namespace sorvell::conformance
