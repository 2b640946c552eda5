// The object under concurrent use through the host: one thread runs perform blocks while
// the test thread (the host's main thread) and a second thread (playing the scheduler)
// set attributes of every kind (smoothed, queued, mod_type by number and by name), send
// "reset", "float" and "int", and read attributes back, as fast as they can. Nothing may
// crash or race (this test runs under the thread sanitizer), the output stays finite, and
// the last value set for each attribute is what reading it returns and what the engine
// ends up using.
#include "sorvell.h"
#include <SorvellAttributes.h>

#include <tessel/host/Runtime.h>
#include <tessel/tessel_audio.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace
{

using quendra::dravel::vantor::StereoFrame;
using quendra::dravel::vantor::Vantor;
using sorvell_test::ExpectedAttribute;
using sorvell_test::kSmoothedAttributes;
using tessel::host::Instance;
using tessel::host::Runtime;
using tessel::host::Values;

constexpr int kSetsPerThread = 120000;

const char* const kModeNames[] = {"None", "Chorus", "Wandering", "Granular"};

double numberOf(const std::optional<Values>& values)
{
    if (!values || values->empty())
        return NAN;
    if (const auto* integer = std::get_if<std::int64_t>(&values->front()))
        return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&values->front()))
        return *real;
    return NAN;
}

// A one-symbol value list (built outside an initialiser list, which gcc's uninitialised-use
// analysis misreads for a variant holding a string).
Values symbolValue(const char* text)
{
    Values values(1);
    values.front().emplace<std::string>(text);
    return values;
}

template <typename T>
Values valueOf(T value)
{
    Values values(1);
    values.front().emplace<T>(value);
    return values;
}

// One set of some kind, chosen by `step`; `salt` keeps the two threads' values apart.
void setSomething(Runtime& runtime, Instance* instance, int step, int salt)
{
    const ExpectedAttribute& ramped =
        kSmoothedAttributes[(step + salt) % kSmoothedAttributes.size()];
    const double where = 0.5 + 0.5 * std::sin(0.37 * step + salt);
    switch (step % 8)
    {
    case 0:
    case 1:
    case 2:
        runtime.setAttribute(instance, ramped.name,
                             valueOf(ramped.minimum + where * (ramped.maximum - ramped.minimum)));
        break;
    case 3:
        runtime.setAttribute(instance, "harmonics",
                             valueOf<std::int64_t>(1 + (step * 31 + salt) % 256));
        break;
    case 4:
        runtime.setAttribute(instance, "voices", valueOf<std::int64_t>(1 + (step + salt) % 8));
        break;
    case 5:
        if (step % 16 == 5)
            runtime.setAttribute(instance, "mod_type", valueOf<std::int64_t>((step / 8) % 4));
        else
            runtime.setAttribute(instance, "mod_type", symbolValue(kModeNames[(step / 8) % 4]));
        break;
    case 6:
        runtime.sendMessage(instance, step % 3 == 0 ? "reset" : (step % 3 == 1 ? "float" : "int"),
                            step % 3 == 1 ? valueOf(0.25) : valueOf<std::int64_t>(step));
        break;
    default:
        (void)runtime.getAttribute(instance, ramped.name);
        break;
    }
}

TEST(HostConcurrency, PerformMainAndSchedulerThreadsTogether)
{
    Runtime runtime;
    runtime.setRandomSeed(99u);
    runtime.setSampleRate(48000.0);
    runtime.setBlockSize(64);
    ASSERT_TRUE(runtime.loadModule(SORVELL_MODULE_PATH));
    Instance* instance = runtime.createObject("quendra.device.sorvell~");
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(runtime.buildDsp(instance));

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    std::atomic<long> nonFinite{0};
    std::atomic<bool> schedulerDone{false};
    std::atomic<bool> finalWord{false};
    const auto waitForBlocks = [&blocks](long count)
    {
        for (const long seen = blocks.load(std::memory_order_acquire);
             blocks.load(std::memory_order_acquire) < seen + count;)
            std::this_thread::yield();
    };
    std::thread audio(
        [&]
        {
            std::vector<double> left(64), right(64), outLeft(64), outRight(64);
            const double* ins[] = {left.data(), right.data()};
            double* outs[] = {outLeft.data(), outRight.data()};
            long n = 0;
            while (!stop.load(std::memory_order_acquire))
            {
                for (std::size_t i = 0; i < 64; ++i, ++n)
                {
                    left[i] = 0.5 * std::sin(0.031 * static_cast<double>(n));
                    right[i] = 0.4 * std::sin(0.047 * static_cast<double>(n));
                }
                if (!runtime.process(instance, ins, outs, 64))
                    nonFinite.fetch_add(1000000);
                for (std::size_t i = 0; i < 64; ++i)
                {
                    if (!std::isfinite(outLeft[i]) || !std::isfinite(outRight[i]))
                        nonFinite.fetch_add(1);
                }
                blocks.fetch_add(1, std::memory_order_release);
            }
        });
    std::thread scheduler(
        [&]
        {
            for (int step = 0; step < kSetsPerThread; ++step)
                setSomething(runtime, instance, step, 3);
            // Its final word on the queued attributes and the mode, once the main thread
            // has finished its own sets (so that this is the last word) and the audio thread
            // has drained the queue (a full queue drops changes by design).
            schedulerDone.store(true, std::memory_order_release);
            while (!finalWord.load(std::memory_order_acquire))
                std::this_thread::yield();
            runtime.setAttribute(instance, "harmonics", {std::int64_t{77}});
            runtime.setAttribute(instance, "mod_type", symbolValue("Wandering"));
        });
    for (int step = 0; step < kSetsPerThread; ++step)
    {
        setSomething(runtime, instance, step, 0);
        if (step % 16 == 0)
            runtime.serviceMainQueue();
    }
    while (!schedulerDone.load(std::memory_order_acquire))
        std::this_thread::yield();
    runtime.serviceMainQueue();
    waitForBlocks(2);
    finalWord.store(true, std::memory_order_release);
    scheduler.join();
    // The main thread's final word, then the deferred mode set, then a few blocks more.
    runtime.setAttribute(instance, "voices", {std::int64_t{3}});
    runtime.setAttribute(instance, "decay", {1.5});
    runtime.serviceMainQueue();
    waitForBlocks(8);
    stop.store(true, std::memory_order_release);
    audio.join();

    EXPECT_GT(blocks.load(), 8);
    EXPECT_EQ(nonFinite.load(), 0) << "non-finite output samples (or failed blocks)";
    EXPECT_EQ(numberOf(runtime.getAttribute(instance, "harmonics")), 77.0);
    EXPECT_EQ(numberOf(runtime.getAttribute(instance, "voices")), 3.0);
    EXPECT_EQ(numberOf(runtime.getAttribute(instance, "mod_type")), 2.0);
    EXPECT_DOUBLE_EQ(numberOf(runtime.getAttribute(instance, "decay")), 1.5);

    // The engine took the last queued values: same partial layout as a fresh engine given
    // them directly.
    auto& object = *reinterpret_cast<sorvell*>(static_cast<char*>(runtime.hostObject(instance)) +
                                               sizeof(tessel_signal_object));
    Vantor reference(48000.0f, 99u);
    reference.setFrequencySource(0);
    reference.setPolyphony(0);
    reference.setHarmonics(77);
    reference.setUnisonVoices(3);
    for (int i = 0; i < 2048; ++i)
        reference.process(StereoFrame{0.1f, 0.1f});
    for (int side = 0; side < 2; ++side)
    {
        EXPECT_EQ(object.engine().bank(side).unisonVoices(), 3u);
        EXPECT_EQ(object.engine().bank(side).partialCount(), reference.bank(side).partialCount());
    }
    runtime.freeObject(instance);
}

} // namespace
