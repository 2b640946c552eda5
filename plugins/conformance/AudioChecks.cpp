// At default settings the plugin makes sound: a host that loads it hears the effect.
#include "Checks.h"
#include "SymbolTable.h"

namespace sorvell::conformance
{

void checkAudio(Context& context)
{
    context.report.run(
        context.name("audio", "non-silent at defaults"),
        [&]
        {
            auto instance = context.make(44100.0, 512);
            const size_t frames = 22050;
            const Stereo out = render(*instance, noise(frames, 0.25f, 3), fixedBlocks(frames, 512));
            const Health h = health(out, 0, frames);
            const double level = rms(out, kDeclaredLatency, frames);
            return expect(h.finite && level > 1e-3,
                          "rms " + std::to_string(level) + " after the latency, " + describe(h));
        });
}

} // namespace sorvell::conformance
