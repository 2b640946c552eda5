// The plugins' signal path (SorvellProcessor): latency and bypass, block-size and in-place
// independence, ramps that end on their targets, values set before processing, seeds, MIDI moving
// the resonance to the right pitch, and no allocation while processing.
#include "SorvellProcessor.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using quendra::plugin::kBypassIndex;
using quendra::plugin::kPitchSourceIndex;
using quendra::plugin::SorvellProcessor;
using quendra::sorvell::parameter_id;
using Vantor = quendra::dravel::vantor::Vantor;

namespace
{

constexpr double kRate = 48000.0;

std::size_t index_of(parameter_id id)
{
    return static_cast<std::size_t>(id);
}

struct Stereo
{
    std::vector<float> left;
    std::vector<float> right;
};

Stereo noise(std::size_t frames, std::uint32_t seed = 7)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
    Stereo signal{std::vector<float>(frames), std::vector<float>(frames)};
    for (std::size_t i = 0; i < frames; ++i)
    {
        signal.left[i] = uniform(generator);
        signal.right[i] = uniform(generator);
    }
    return signal;
}

// Runs `input` through in blocks of the given sizes (cycled), in place when asked.
Stereo run(SorvellProcessor& processor, const Stereo& input,
           const std::vector<std::uint32_t>& blocks, bool inPlace = false)
{
    Stereo output = input;
    Stereo scratch = input;
    std::size_t done = 0;
    for (std::size_t b = 0; done < input.left.size(); ++b)
    {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>(blocks[b % blocks.size()], input.left.size() - done));
        const float* in[2] = {(inPlace ? output : scratch).left.data() + done,
                              (inPlace ? output : scratch).right.data() + done};
        float* out[2] = {output.left.data() + done, output.right.data() + done};
        processor.process(in, out, count);
        done += count;
    }
    return output;
}

// Frequency with the most energy between lo and hi Hz (1 Hz steps), on the left channel.
double peak_frequency(const std::vector<float>& signal, std::size_t from, double lo, double hi)
{
    double best = lo;
    double bestPower = -1.0;
    for (double f = lo; f <= hi; f += 1.0)
    {
        const double w = 2.0 * std::numbers::pi * f / kRate;
        double re = 0.0;
        double im = 0.0;
        for (std::size_t i = from; i < signal.size(); ++i)
        {
            re += signal[i] * std::cos(w * static_cast<double>(i));
            im += signal[i] * std::sin(w * static_cast<double>(i));
        }
        if (re * re + im * im > bestPower)
        {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

} // namespace

TEST(SorvellProcessor, BypassIsTheInputDelayedByTheLatency)
{
    SorvellProcessor processor(kRate);
    processor.activate();
    processor.setParameter(kBypassIndex, 1.0); // before processing: at once
    const auto input = noise(4000);
    const auto output = run(processor, input, {512});
    for (std::size_t i = 0; i < input.left.size(); ++i)
    {
        const std::size_t delayed = i - SorvellProcessor::kLatency;
        const float expected = i < SorvellProcessor::kLatency ? 0.0f : input.left[delayed];
        ASSERT_EQ(output.left[i], expected) << i;
    }
}

TEST(SorvellProcessor, BypassTogglesWithoutAClick)
{
    std::vector<float> sine(12000);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 300.0 * i / kRate));
    const Stereo input{sine, sine};
    const auto largest_step = [](const std::vector<float>& x, std::size_t from, std::size_t to)
    {
        float step = 0.0f;
        for (std::size_t i = from + 1; i < to; ++i)
            step = std::max(step, std::abs(x[i] - x[i - 1]));
        return step;
    };
    SorvellProcessor processor(kRate);
    processor.activate();
    processor.setParameter(index_of(parameter_id::mix), 0.5);
    auto first = run(processor,
                     Stereo{std::vector<float>(sine.begin(), sine.begin() + 6000),
                            std::vector<float>(sine.begin(), sine.begin() + 6000)},
                     {256});
    processor.setParameter(kBypassIndex, 1.0);
    auto second = run(processor,
                      Stereo{std::vector<float>(sine.begin() + 6000, sine.end()),
                             std::vector<float>(sine.begin() + 6000, sine.end())},
                      {256});
    std::vector<float> out = first.left;
    out.insert(out.end(), second.left.begin(), second.left.end());
    const std::size_t ramp = 240;
    // After the 5 ms crossfade: exactly the delayed dry signal.
    for (std::size_t i = 6000 + ramp; i < out.size(); ++i)
        ASSERT_EQ(out[i], sine[i - SorvellProcessor::kLatency]) << i;
    // Across the crossfade no step is larger than in the steady signals on either side.
    const float steady = std::max(largest_step(out, 4000, 6000), largest_step(out, 7000, 12000));
    EXPECT_LE(largest_step(out, 5990, 6000 + ramp + 10), steady * 1.05f);
}

TEST(SorvellProcessor, OutputDoesNotDependOnBlockSizesOrInPlaceBuffers)
{
    const auto input = noise(20000);
    const auto render = [&](const std::vector<std::uint32_t>& blocks, bool inPlace)
    {
        SorvellProcessor processor(kRate);
        processor.setParameter(index_of(parameter_id::frequency), 180.0);
        processor.setParameter(index_of(parameter_id::decay), 2.0);
        processor.setParameter(index_of(parameter_id::harmonics), 40);
        processor.activate();
        return run(processor, input, blocks, inPlace);
    };
    const auto reference = render({256}, false);
    for (const auto& [blocks, inPlace] : {std::pair{std::vector<std::uint32_t>{1}, false},
                                          {{0, 7, 0, 513}, true},
                                          {{4096}, true},
                                          {{3, 1000, 1, 64, 0, 2049}, false}})
    {
        const auto output = render(blocks, inPlace);
        EXPECT_EQ(output.left, reference.left) << blocks.size() << " " << inPlace;
        EXPECT_EQ(output.right, reference.right) << blocks.size() << " " << inPlace;
    }
}

// With a seed the random parts (start phases, Granular) repeat exactly, as with the renderer's
// --seed: the same seed gives the same bits, also from the fresh engine an activation builds;
// another seed gives another sound.
TEST(SorvellProcessor, ASeedRepeatsTheRandomPartsExactly)
{
    const auto input = noise(12000);
    const auto render = [&](std::uint32_t seed)
    {
        SorvellProcessor processor(kRate, seed);
        processor.setParameter(index_of(parameter_id::mod_type), 3);
        processor.setParameter(index_of(parameter_id::pitch_mod), 2.0);
        processor.activate();
        auto first = run(processor, input, {256});
        processor.activate(); // a fresh engine, from the same seed
        EXPECT_EQ(run(processor, input, {128}).left, first.left);
        return first;
    };
    const auto seven = render(7);
    EXPECT_EQ(render(7).left, seven.left);
    EXPECT_EQ(render(7).right, seven.right);
    EXPECT_NE(render(8).left, seven.left);
}

// Ramps move through the engine's frame hook, and once each has handed out its target the rest
// of the block runs with every parameter held: the same bits as a frame at a time, for ramps
// of per-sample gains (input, mix, bypass) and of the banks (frequency), wherever they end.
TEST(SorvellProcessor, RampsEndingInsideABlockGiveTheBitsOfSingleFrames)
{
    const auto input = noise(4096);
    const auto render = [&](std::uint32_t block)
    {
        SorvellProcessor processor(kRate);
        processor.setParameter(index_of(parameter_id::harmonics), 40);
        processor.activate();
        run(processor, noise(512, 3), {512}); // from here on, changes ramp
        processor.setParameter(index_of(parameter_id::gain), -6.0);
        processor.setParameter(index_of(parameter_id::frequency), 300.0);
        processor.setParameter(index_of(parameter_id::mix), 0.5);
        processor.setParameter(kBypassIndex, 1.0);
        return run(processor, input, {block});
    };
    const auto reference = render(1);
    for (const std::uint32_t block : {240u, 241u, 1000u, 4096u})
    {
        const auto output = render(block);
        EXPECT_EQ(output.left, reference.left) << block;
        EXPECT_EQ(output.right, reference.right) << block;
    }
}

TEST(SorvellProcessor, ValuesBeforeTheFirstBlockApplyAtOnceLaterOnesRampToTheirTarget)
{
    const float target = Vantor::gainFromDecibels(12.0f);
    for (const std::uint32_t block : {1u, 7u, 239u, 240u, 241u, 1000u})
    {
        SorvellProcessor processor(kRate);
        processor.activate();
        processor.setParameter(index_of(parameter_id::gain), 12.0);
        const auto input = noise(block);
        run(processor, input, {block});
        EXPECT_EQ(processor.engine().inputGain(), target) << "no ramp before processing";

        processor.setParameter(index_of(parameter_id::gain), -6.0);
        run(processor, noise(block), {block});
        if (block < 240)
        {
            EXPECT_NE(processor.engine().inputGain(), Vantor::gainFromDecibels(-6.0f));
        }
        run(processor, noise(480), {block});
        EXPECT_EQ(processor.engine().inputGain(), Vantor::gainFromDecibels(-6.0f)) << block;
        EXPECT_EQ(processor.parameter(index_of(parameter_id::gain)), -6.0);
    }
}

TEST(SorvellProcessor, MidiNotesAndBendMoveTheResonanceOnlyWithMidiAsSource)
{
    SorvellProcessor processor(kRate);
    processor.setParameter(index_of(parameter_id::harmonics), 1); // the fundamental alone
    processor.setParameter(index_of(parameter_id::decay), 4.0);
    processor.setParameter(index_of(parameter_id::frequency), 330.0);
    processor.activate();
    const auto input = noise(24000);
    const auto peak_after = [&](std::vector<std::vector<std::uint8_t>> messages)
    {
        for (const auto& m : messages)
            processor.midi(m.data(), m.size());
        const auto output = run(processor, input, {128});
        return peak_frequency(output.left, 4000, 150.0, 600.0);
    };
    EXPECT_NEAR(peak_after({{0x90, 57, 100}}), 330.0, 2.0); // Frequency source: MIDI ignored
    processor.setParameter(kPitchSourceIndex, 1.0);
    EXPECT_NEAR(peak_after({}), 330.0, 2.0); // no note yet: the pitch stays
    EXPECT_NEAR(peak_after({{0x90, 57, 100}}), 220.0, 2.0);
    EXPECT_NEAR(peak_after({{0x90, 69, 100}}), 440.0, 2.0);
    EXPECT_NEAR(peak_after({{0xE0, 0x7F, 0x7F}}), 493.9, 2.0); // +2 semitones
    EXPECT_NEAR(peak_after({{0x80, 69, 0}}), 246.9, 2.0);      // back to 57, still bent
    processor.setParameter(kPitchSourceIndex, 0.0);
    EXPECT_NEAR(peak_after({}), 330.0, 2.0);
}

TEST(SorvellProcessor, ProcessingAllocatesNothingAndSampleRateChangesRebuildTheEngine)
{
    SorvellProcessor processor(kRate);
    processor.activate();
    const auto input = noise(2048);
    Stereo output = input;
    const float* in[2] = {input.left.data(), input.right.data()};
    float* out[2] = {output.left.data(), output.right.data()};
    const std::uint8_t note[] = {0x90, 60, 100};
    {
        sorvell::testing::AllocationCounter counter;
        for (std::size_t p = 0; p < quendra::plugin::kParameterCount; ++p)
        {
            processor.setParameter(p, 1.0);
            processor.process(in, out, 512);
        }
        processor.midi(note, sizeof note);
        processor.process(in, out, 0);
        processor.process(in, out, 2048);
        EXPECT_EQ(counter.allocations(), 0u);
    }
    processor.deactivate();
    processor.setSampleRate(44100.0);
    processor.activate();
    processor.process(in, out, 1);
    EXPECT_EQ(processor.engine().sampleRate(), 44100.0f);
    EXPECT_EQ(processor.ramps().parameters().front()->ramp_length(), 220u);
}
