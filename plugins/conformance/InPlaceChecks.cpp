// Processing with the outputs in the input buffers gives the same output as separate buffers.
#include "Checks.h"

namespace sorvell::conformance
{

void checkInPlace(Context& context)
{
    for (uint32_t block : {1u, 64u, 4096u})
    {
        context.report.run(
            context.name("in-place", "block " + std::to_string(block)),
            [&]
            {
                const size_t frames = 8192;
                const Stereo input = noise(frames, 0.5f, 11);
                auto separate = context.make(44100.0, block);
                set(*separate, deterministicSettings());
                const Stereo expected = render(*separate, input, fixedBlocks(frames, block));
                auto shared = context.make(44100.0, block);
                set(*shared, deterministicSettings());
                RenderOptions options;
                options.inPlace = true;
                const Stereo actual = render(*shared, input, fixedBlocks(frames, block), options);
                const size_t differ = firstDifference(expected, actual);
                return expect(differ == frames,
                              differ == frames ? "identical"
                                               : "differs from frame " + std::to_string(differ));
            });
    }
}

} // namespace sorvell::conformance
