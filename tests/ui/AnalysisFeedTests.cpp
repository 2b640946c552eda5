// The feed between the audio thread and the window: newest frames in order, meters, and no
// allocation on the writing side.
#include "AllocationCounter.h"
#include "AnalysisFeed.h"
#include "SorvellProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace
{

using quendra::plugin::AnalysisFeed;
using quendra::plugin::SorvellProcessor;
using quendra::sorvell::parameter_id;

TEST(AnalysisFeed, ReaderGetsTheNewestFramesAsAMonoSum)
{
    auto feed = std::make_unique<AnalysisFeed>();
    feed->setSampleRate(48000.0);
    std::vector<float> left(100);
    std::vector<float> right(100);
    std::vector<float> input(64);
    std::vector<float> output(64);
    EXPECT_FALSE(feed->readLatest(input, output)); // nothing written yet

    std::size_t frame = 0;
    for (int block = 0; block < 300; ++block) // wraps the ring more than once
    {
        for (std::size_t i = 0; i < left.size(); ++i, ++frame)
        {
            left[i] = static_cast<float>(frame);
            right[i] = static_cast<float>(frame) + 2.0f;
        }
        const float* in[2] = {left.data(), right.data()};
        sorvell::testing::AllocationCounter counter;
        feed->writeInput(in, 100);
        // The output: the input negated, in place.
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            left[i] = -left[i];
            right[i] = -right[i];
        }
        float* out[2] = {left.data(), right.data()};
        feed->writeOutput(out, 100, -3.5f, 220.0f);
        EXPECT_EQ(counter.allocations(), 0u);
    }
    ASSERT_TRUE(feed->readLatest(input, output));
    for (std::size_t i = 0; i < input.size(); ++i)
    {
        const float expected = static_cast<float>(frame - input.size() + i) + 1.0f;
        EXPECT_EQ(input[i], expected);
        EXPECT_EQ(output[i], -expected);
    }
    EXPECT_EQ(feed->framesWritten(), frame);
    EXPECT_EQ(feed->gainReductionDb(), -3.5f);
    EXPECT_EQ(feed->fundamentalHz(), 220.0f);
    EXPECT_EQ(feed->outputPeak(), static_cast<float>(frame + 1)); // the loudest frame, just now

    // Too many frames asked for, or mismatched spans: refused.
    std::vector<float> tooLong(AnalysisFeed::kRingSize);
    EXPECT_FALSE(feed->readLatest(tooLong, tooLong));
    EXPECT_FALSE(feed->readLatest(input, std::span<float>(output).first(10)));
}

TEST(AnalysisFeed, PeakHoldsThenFallsSixtyDecibelsInOneAndAHalfSeconds)
{
    auto feed = std::make_unique<AnalysisFeed>();
    feed->setSampleRate(1000.0);
    std::vector<float> signal(1, 0.5f);
    std::vector<float> silence(1500, 0.0f);
    const float* loud[2] = {signal.data(), signal.data()};
    float* loudOut[2] = {signal.data(), signal.data()};
    feed->writeInput(loud, 1);
    feed->writeOutput(loudOut, 1, 0.0f, 0.0f);
    EXPECT_EQ(feed->outputPeak(), 0.5f);

    const float* quiet[2] = {silence.data(), silence.data()};
    float* quietOut[2] = {silence.data(), silence.data()};
    feed->writeInput(quiet, 1500);
    feed->writeOutput(quietOut, 1500, 0.0f, 0.0f);
    EXPECT_NEAR(20.0 * std::log10(feed->outputPeak() / 0.5), -60.0, 0.01);
}

TEST(AnalysisFeed, ReadsStayWholeWhileTheAudioThreadWrites)
{
    auto feed = std::make_unique<AnalysisFeed>();
    constexpr std::uint32_t kBlock = 64;
    constexpr int kBlocks = 4000; // frame numbers stay exact in float
    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
            std::vector<float> block(kBlock);
            std::uint32_t frame = 0;
            for (int b = 0; b < kBlocks; ++b)
            {
                for (auto& sample : block)
                {
                    sample = static_cast<float>(frame++);
                }
                const float* channels[2] = {block.data(), block.data()};
                feed->writeInput(channels, kBlock);
                feed->writeOutput(channels, kBlock, 0.0f, 0.0f);
            }
            done = true;
        });
    std::vector<float> input(1024);
    std::vector<float> output(1024);
    const auto consecutive = [&]
    {
        for (std::size_t i = 1; i < input.size(); ++i)
        {
            if (input[i] != input[i - 1] + 1.0f || output[i] != input[i])
            {
                return false;
            }
        }
        return true;
    };
    while (!done)
    {
        if (feed->readLatest(input, output))
        {
            ASSERT_TRUE(consecutive()) << "a torn read was accepted";
        }
    }
    audio.join();
    ASSERT_TRUE(feed->readLatest(input, output));
    EXPECT_TRUE(consecutive());
    EXPECT_EQ(input.back(), static_cast<float>(kBlock * kBlocks - 1));
}

// Through the plugin's signal path: the fundamental follows a MIDI note, and the limiter's gain
// reduction shows when the input is driven hard.
TEST(AnalysisFeed, ReadingsComeFromTheRunningEngine)
{
    constexpr double kRate = 48000.0;
    SorvellProcessor processor(kRate);
    processor.setParameter(quendra::plugin::kPitchSourceIndex, 1.0);
    processor.setParameter(static_cast<std::size_t>(parameter_id::gain), 24.0);
    processor.activate();
    auto feed = std::make_unique<AnalysisFeed>();
    feed->setSampleRate(kRate);

    const std::uint8_t noteOn[3] = {0x90, 57, 100}; // A3
    processor.midi(noteOn, 3);
    std::vector<float> left(256);
    std::vector<float> right(256);
    std::size_t frame = 0;
    for (int block = 0; block < 200; ++block)
    {
        for (std::size_t i = 0; i < left.size(); ++i, ++frame)
        {
            left[i] = right[i] =
                0.9f * std::sin(2.0f * std::numbers::pi_v<float> * 220.0f *
                                static_cast<float>(frame) / static_cast<float>(kRate));
        }
        const float* in[2] = {left.data(), right.data()};
        float* out[2] = {left.data(), right.data()};
        feed->writeInput(in, 256);
        processor.process(in, out, 256);
        feed->writeOutput(out, 256, processor.engine());
    }
    EXPECT_NEAR(feed->fundamentalHz(), 220.0f, 0.01f);
    EXPECT_LT(feed->gainReductionDb(), -1.0f);
    EXPECT_GT(feed->outputPeak(), 0.5f);
}

} // namespace
