// Block sizes from 1 to 16384, fixed, random from block to block, and zero-frame calls that
// carry only parameter changes: the output is the same bits as at a fixed block size, and no
// parameter change is lost.
#include "Checks.h"

#include <cmath>

namespace sorvell::conformance
{
namespace
{

constexpr size_t kFrames = 40000;

// Changes at fixed frames, every one on a boundary of the 64-frame reference blocks.
const std::vector<TimedChange>& timedChanges()
{
    static const std::vector<TimedChange> changes{
        {3008, "gain", 6.0},     {7040, "frequency", 220.0}, {9984, "harmonics", 8.0},
        {14976, "mix", 0.5},     {20032, "decay", 1.0},      {25024, "shift", 3.0},
        {30016, "lf_damp", 0.4}, {35008, "gain", -6.0},
    };
    return changes;
}

std::vector<size_t> changeFrames()
{
    std::vector<size_t> frames;
    for (const TimedChange& change : timedChanges())
    {
        frames.push_back(change.frame);
    }
    return frames;
}

Stereo run(Context& context, const std::vector<uint32_t>& blocks, bool zeroFrames,
           const std::vector<TimedChange>& changes = timedChanges())
{
    auto instance = context.make(44100.0, 16384);
    set(*instance, deterministicSettings());
    RenderOptions options;
    options.changes = changes;
    options.zeroFrameChanges = zeroFrames;
    return render(*instance, noise(kFrames, 0.5f, 5), blocks, options);
}

Outcome compare(const Stereo& expected, const Stereo& actual)
{
    const size_t differ = firstDifference(expected, actual);
    return expect(differ == expected.frames(),
                  differ == expected.frames()
                      ? "same bits as 64-frame blocks"
                      : "differs from 64-frame blocks at frame " + std::to_string(differ));
}

} // namespace

void checkBlockSizes(Context& context)
{
    Stereo reference;
    auto referenceOutput = [&]() -> const Stereo&
    {
        if (reference.frames() == 0)
        {
            reference = run(context, fixedBlocks(kFrames, 64), false);
        }
        return reference;
    };

    for (uint32_t block : {1u, 17u, 500u, 4096u, 16384u})
    {
        context.report.run(
            context.name("block-size", "fixed " + std::to_string(block)),
            [&]
            {
                return compare(referenceOutput(),
                               run(context, fixedBlocks(kFrames, block, changeFrames()), false));
            });
    }

    for (uint32_t seed : {1u, 2u})
    {
        context.report.run(
            context.name("block-size", "random seed " + std::to_string(seed)),
            [&]
            {
                return compare(
                    referenceOutput(),
                    run(context, randomBlocks(kFrames, 16384, seed, changeFrames()), false));
            });
    }

    context.report.run(
        context.name("block-size", "zero-frame parameter calls"),
        [&]
        {
            const std::vector<uint32_t> blocks = randomBlocks(kFrames, 16384, 3, changeFrames());
            const Stereo flushed = run(context, blocks, true);
            const Outcome outcome = compare(referenceOutput(), flushed);
            if (outcome.status == Status::Fail && context.format == Format::Vst3)
            {
                // DPF's VST3 process() returns before it reads the parameter changes of a call
                // of 0 frames. Every change here falls on a block start and so travels in such
                // a call: that fault alone gives the bits of 64-frame blocks with no change.
                const size_t differ =
                    firstDifference(run(context, fixedBlocks(kFrames, 64), false, {}), flushed);
                if (differ == flushed.frames())
                {
                    return wrapperFault("DPF's VST3 process() drops the changes of a 0-frame call: "
                                        "same bits as 64-frame blocks with no change (" +
                                        outcome.reason + ")");
                }
                return fail(outcome.reason + ", and from 64-frame blocks with no change at frame " +
                            std::to_string(differ));
            }
            return outcome;
        });

    context.report.run(
        context.name("block-size", "change inside a block not lost"),
        [&]
        {
            // A change at an offset inside a block must take effect, at the latest with the next
            // block; the value read back is the one sent.
            auto instance = context.make(44100.0, 4096);
            set(*instance, deterministicSettings());
            RenderOptions options;
            options.changes = {{4096 + 1000, "frequency", 220.0}, {4096 + 1001, "gain", -12.0}};
            const Stereo out =
                render(*instance, noise(16384, 0.5f, 8), fixedBlocks(16384, 4096), options);
            auto unchanged = context.make(44100.0, 4096);
            set(*unchanged, deterministicSettings());
            const Stereo still =
                render(*unchanged, noise(16384, 0.5f, 8), fixedBlocks(16384, 4096));
            const bool heard = firstDifference(out, still) < out.frames();
            const double frequency =
                instance->parameterValue(static_cast<uint32_t>(instance->indexOf("frequency")));
            const double gain =
                instance->parameterValue(static_cast<uint32_t>(instance->indexOf("gain")));
            return expect(heard && std::fabs(frequency - 220.0) < 1e-3 &&
                              std::fabs(gain + 12.0) < 1e-4,
                          std::string(heard ? "output changed" : "output never changed") +
                              ", frequency read back " + std::to_string(frequency) + ", gain " +
                              std::to_string(gain));
        });
}

} // namespace sorvell::conformance
