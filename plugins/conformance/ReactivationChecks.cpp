// Deactivate/activate, and a change of sample rate and back, leave an instance that
// produces the output of a fresh one.
#include "Checks.h"

namespace sorvell::conformance
{

void checkReactivation(Context& context)
{
    const size_t frames = 8192;
    const Stereo first = noise(frames, 0.5f, 21);
    const Stereo second = noise(frames, 0.5f, 22);
    const auto blocks = fixedBlocks(frames, 512);
    auto freshOutput = [&]
    {
        auto fresh = context.make(44100.0, 512);
        set(*fresh, deterministicSettings());
        return render(*fresh, second, blocks);
    };
    auto compare = [&](const Stereo& expected, const Stereo& actual)
    {
        const size_t differ = firstDifference(expected, actual);
        return expect(differ == frames,
                      differ == frames
                          ? "same as a fresh instance"
                          : "differs from a fresh instance at frame " + std::to_string(differ));
    };

    context.report.run(context.name("reactivate", "deactivate and activate"),
                       [&]
                       {
                           auto used = context.make(44100.0, 512);
                           set(*used, deterministicSettings());
                           render(*used, first, blocks);
                           used->deactivate();
                           used->activate(44100.0, 512);
                           return compare(freshOutput(), render(*used, second, blocks));
                       });

    context.report.run(context.name("reactivate", "sample rate 48000 and back"),
                       [&]
                       {
                           auto used = context.make(44100.0, 512);
                           set(*used, deterministicSettings());
                           render(*used, first, blocks);
                           used->deactivate();
                           if (!used->activate(48000.0, 512))
                           {
                               // LV2 fixes the rate when it instantiates: a host makes a new
                               // instance instead, which the first row of this family covers.
                               return pass("the format changes rate only by a new instance");
                           }
                           render(*used, first, blocks);
                           used->deactivate();
                           used->activate(44100.0, 512);
                           return compare(freshOutput(), render(*used, second, blocks));
                       });
}

} // namespace sorvell::conformance
