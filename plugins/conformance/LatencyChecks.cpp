// The reported latency equals the measured delay of an impulse through the dry path.
#include "Checks.h"
#include "SymbolTable.h"

namespace sorvell::conformance
{

void checkLatency(Context& context)
{
    constexpr size_t kImpulseAt = 2048; // past any ramp the first block might hold
    for (double rate : {44100.0, 48000.0, 96000.0})
    {
        for (uint32_t block : {1u, 2u, 3u, 17u, 64u, 500u, 4096u, 16384u})
        {
            const std::string detail =
                std::to_string(static_cast<int>(rate)) + " Hz block " + std::to_string(block);
            context.report.run(
                context.name("latency", detail),
                [&]
                {
                    auto instance = context.make(rate, block);
                    set(*instance, "mix", 0.0);
                    const size_t frames = kImpulseAt + kDeclaredLatency + 1024;
                    const Stereo out =
                        render(*instance, impulse(frames, kImpulseAt), fixedBlocks(frames, block));
                    const uint32_t reported = instance->latency();
                    const size_t measured = peakFrame(out) - kImpulseAt;
                    return expect(reported == kDeclaredLatency && measured == reported &&
                                      out.left[kImpulseAt + measured] > 0.5f,
                                  "reported " + std::to_string(reported) + ", measured " +
                                      std::to_string(measured) + " (peak " +
                                      std::to_string(out.left[kImpulseAt + measured]) + ")");
                });
        }
    }
}

} // namespace sorvell::conformance
