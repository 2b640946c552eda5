// Real-time safety: no allocation inside process, parameter sets from another thread while
// audio runs (run under ThreadSanitizer in CI), and no slow subnormal arithmetic while a
// sound rings out into silence.
#include "AllocationCounter.h"
#include "Checks.h"
#include "SubnormalFlags.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace sorvell::conformance
{
namespace
{

// One producer, one consumer, fixed capacity: the audio thread takes changes without locks.
class ChangeQueue
{
public:
    bool push(uint32_t index, double value)
    {
        const size_t head = mHead.load(std::memory_order_relaxed);
        if (head - mTail.load(std::memory_order_acquire) == kCapacity)
        {
            return false;
        }
        mSlots[head % kCapacity] = {index, value};
        mHead.store(head + 1, std::memory_order_release);
        return true;
    }
    bool pop(uint32_t& index, double& value)
    {
        const size_t tail = mTail.load(std::memory_order_relaxed);
        if (tail == mHead.load(std::memory_order_acquire))
        {
            return false;
        }
        index = mSlots[tail % kCapacity].first;
        value = mSlots[tail % kCapacity].second;
        mTail.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    static constexpr size_t kCapacity = 1024;
    std::pair<uint32_t, double> mSlots[kCapacity];
    std::atomic<size_t> mHead{0};
    std::atomic<size_t> mTail{0};
};

} // namespace

void checkRealtime(Context& context)
{
    context.report.run(
        context.name("realtime", "no allocation in process"),
        [&]
        {
            if (!sorvell::testing::allocationsCounted())
            {
                return pass("not counted in a sanitizer build");
            }
            constexpr uint32_t kBlock = 256;
            auto instance = context.make(44100.0, kBlock);
            const Stereo input = noise(kBlock * 64, 0.5f, 2);
            Stereo output(kBlock);
            float* out[2] = {output.left.data(), output.right.data()};
            const auto& all = instance->parameters();
            size_t allocations = 0;
            for (int block = 0; block < 64; ++block)
            {
                // Every kind of event a host sends while playing: parameter changes of every
                // parameter, notes and pitch bend.
                for (uint32_t i = 0; i < all.size(); ++i)
                {
                    const double fraction = ((block * 7 + static_cast<int>(i) * 3) % 11) / 10.0;
                    double value = all[i].minimum + fraction * (all[i].maximum - all[i].minimum);
                    instance->setParameter(i, all[i].integer ? std::round(value) : value,
                                           static_cast<uint32_t>(block % kBlock));
                }
                MidiMessage note;
                note.bytes[0] = block % 2 == 0 ? 0x90 : 0x80;
                note.bytes[1] = static_cast<uint8_t>(48 + block % 24);
                note.bytes[2] = 100;
                instance->sendMidi(note);
                MidiMessage bend;
                bend.bytes[0] = 0xE0;
                bend.bytes[2] = static_cast<uint8_t>(block * 2);
                instance->sendMidi(bend);
                const float* in[2] = {input.left.data() + block * kBlock,
                                      input.right.data() + block * kBlock};
                // A host's first call already runs in real time: every call counts.
                sorvell::testing::AllocationCounter counter;
                instance->process(in, out, kBlock);
                allocations += counter.allocations();
            }
            return expect(allocations == 0,
                          std::to_string(allocations) + " allocations in 64 process calls");
        });

    // The editor and the audio thread race by design: every schedule of the two must pass.
    const auto editorRace = [&]() -> Outcome
    {
        constexpr uint32_t kBlock = 64;
        constexpr uint32_t kSets = 3000;
        // While the audio thread is held up the editor may fill the queue (1024 changes); one
        // call never takes more than every format's host keeps in one call's event list.
        constexpr uint32_t kSetsPerBlock = kEventsPerCall;
        auto instance = context.make(44100.0, kBlock);
        set(*instance, "harmonics", 16.0);
        const auto& all = instance->parameters();
        const auto gain = static_cast<uint32_t>(instance->indexOf("gain"));
        ChangeQueue queue;
        std::atomic<bool> editing{true};
        std::atomic<int> blocks{0};
        std::atomic<int> finiteFailures{0};
        // The audio thread runs until the editor is done, whatever the speed of either.
        std::thread audio(
            [&]
            {
                const Stereo input = noise(kBlock, 0.5f, 9);
                Stereo output(kBlock);
                float* out[2] = {output.left.data(), output.right.data()};
                const float* in[2] = {input.left.data(), input.right.data()};
                // At most kSetsPerBlock changes go into one call, as a host's event list has
                // a fixed size; the loop ends once the editor is done and the queue is empty.
                for (bool drained = false; !drained;)
                {
                    const bool done = !editing && blocks.load(std::memory_order_relaxed) >= 16;
                    uint32_t taken = 0;
                    uint32_t index;
                    double value;
                    while (taken < kSetsPerBlock && queue.pop(index, value))
                    {
                        instance->setParameter(index, value);
                        ++taken;
                    }
                    drained = done && taken < kSetsPerBlock;
                    instance->process(in, out, kBlock);
                    const Health h = health(output, 0, kBlock);
                    finiteFailures += h.finite ? 0 : 1;
                    blocks.fetch_add(1, std::memory_order_relaxed);
                    std::this_thread::yield();
                }
            });
        // The host's editor: moves a parameter and reads values and their texts while the
        // audio thread runs.
        double last = 0.0;
        for (uint32_t step = 0; step < kSets; ++step)
        {
            last = -12.0 + (step % 25);
            while (!queue.push(gain, last))
            {
                std::this_thread::yield();
            }
            instance->touchFromMainThread(step % static_cast<uint32_t>(all.size()));
            // At most a dozen sets per block, so that the editing spans a few hundred
            // blocks however the two threads are scheduled. Relaxed: pacing must not order
            // the threads' other accesses, or the sanitizer could not see a race there.
            while (blocks.load(std::memory_order_relaxed) < static_cast<int>(step / 12))
            {
                std::this_thread::yield();
            }
        }
        editing = false;
        audio.join();
        // The audio thread took every change before it stopped.
        const double back = instance->parameterValue(gain);
        return expect(finiteFailures == 0 && std::fabs(back - last) < 1e-4,
                      std::to_string(kSets) + " sets from the editor thread over " +
                          std::to_string(blocks.load()) + " blocks, last gain read back " +
                          std::to_string(back) + ", non-finite blocks " +
                          std::to_string(finiteFailures.load()));
    };
    context.report.run(context.name("realtime", "parameter sets from another thread"), editorRace);

    context.report.run(
        context.name("realtime", "no subnormal arithmetic in long silence"),
        [&]
        {
            // A short burst rings out through the subnormal range into silence. Subnormal
            // arithmetic is what makes silence slow; the processor flags every operation on a
            // subnormal, so the flags, cleared before the silence, tell without any timing.
            if (!kSubnormalFlagsReadable)
            {
                return pass("this processor's flags are not read");
            }
            constexpr uint32_t kBlock = 512;
            const double rate = 44100.0;
            const size_t burst = static_cast<size_t>(rate * 0.25);
            const size_t silence = static_cast<size_t>(rate * 5.0);
            Stereo input = noise(burst, 0.5f, 4);
            auto instance = context.make(rate, kBlock);
            set(*instance, {{"decay", 0.2}, {"harmonics", 64.0}, {"mod_type", 0.0}});
            Stereo output(kBlock);
            float* out[2] = {output.left.data(), output.right.data()};
            for (size_t at = 0; at + kBlock <= burst; at += kBlock)
            {
                const float* in[2] = {input.left.data() + at, input.right.data() + at};
                instance->process(in, out, kBlock);
            }
            const std::vector<float> zeros(kBlock, 0.0f);
            const float* in[2] = {zeros.data(), zeros.data()};
            size_t flagged = 0;
            for (size_t at = 0; at < silence; at += kBlock)
            {
                clearSubnormalFlags();
                instance->process(in, out, kBlock);
                flagged += subnormalFlagsRaised() ? 1 : 0;
            }
            clearSubnormalFlags();
            return expect(flagged == 0, std::to_string(flagged) + " of " +
                                            std::to_string(silence / kBlock) +
                                            " blocks of silence worked on subnormal numbers");
        });
}

} // namespace sorvell::conformance
