// The plugins' signal path (SorvellProcessor): latency and bypass, ramps that end on their
// targets, values set before processing, seeds, MIDI moving the resonance to the right pitch, and
// a sample-rate change. Block-size and in-place independence, the freeze parameter and
// allocation-free processing are the conformance harness's, through each built plugin.
#include "SorvellProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
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

// Runs `input` through in blocks of the given sizes (cycled).
Stereo run(SorvellProcessor& processor, const Stereo& input,
           const std::vector<std::uint32_t>& blocks)
{
    Stereo output = input;
    std::size_t done = 0;
    for (std::size_t b = 0; done < input.left.size(); ++b)
    {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>(blocks[b % blocks.size()], input.left.size() - done));
        const float* in[2] = {input.left.data() + done, input.right.data() + done};
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

// Each channel's bypass carries that channel's own input: the noise differs between them.
TEST(SorvellProcessor, BypassIsEachChannelsInputDelayedByTheLatency)
{
    SorvellProcessor processor(kRate);
    processor.activate();
    processor.setParameter(kBypassIndex, 1.0); // before processing: at once
    const auto input = noise(4000);
    const auto output = run(processor, input, {512});
    for (std::size_t i = 0; i < input.left.size(); ++i)
    {
        const std::size_t delayed = i - SorvellProcessor::kLatency;
        const bool early = i < SorvellProcessor::kLatency;
        ASSERT_EQ(output.left[i], early ? 0.0f : input.left[delayed]) << i;
        ASSERT_EQ(output.right[i], early ? 0.0f : input.right[delayed]) << i;
    }
}

TEST(SorvellProcessor, BypassTogglesWithoutAClick)
{
    // Different tones on the two channels, so that a channel fed the other's dry signal shows.
    const auto tone = [](double hertz)
    {
        std::vector<float> x(12000);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = 0.5f * static_cast<float>(std::sin(2.0 * std::numbers::pi * hertz * i / kRate));
        return x;
    };
    const Stereo input{tone(300.0), tone(470.0)};
    const auto largest_step = [](const std::vector<float>& x, std::size_t from, std::size_t to)
    {
        float step = 0.0f;
        for (std::size_t i = from + 1; i < to; ++i)
            step = std::max(step, std::abs(x[i] - x[i - 1]));
        return step;
    };
    const auto part = [&](std::size_t from, std::size_t to)
    {
        return Stereo{std::vector<float>(input.left.begin() + from, input.left.begin() + to),
                      std::vector<float>(input.right.begin() + from, input.right.begin() + to)};
    };
    SorvellProcessor processor(kRate);
    processor.activate();
    processor.setParameter(index_of(parameter_id::mix), 0.5);
    const Stereo first = run(processor, part(0, 6000), {256});
    processor.setParameter(kBypassIndex, 1.0);
    const Stereo second = run(processor, part(6000, 12000), {256});
    const std::size_t ramp = 240;
    for (const auto& [name, before, after, dry] :
         {std::tuple{"left", &first.left, &second.left, &input.left},
          std::tuple{"right", &first.right, &second.right, &input.right}})
    {
        std::vector<float> out = *before;
        out.insert(out.end(), after->begin(), after->end());
        // After the 5 ms crossfade: exactly the delayed dry signal of the same channel.
        for (std::size_t i = 6000 + ramp; i < out.size(); ++i)
            ASSERT_EQ(out[i], (*dry)[i - SorvellProcessor::kLatency]) << name << " " << i;
        // Across the crossfade no step is larger than in the steady signals on either side.
        const float steady =
            std::max(largest_step(out, 4000, 6000), largest_step(out, 7000, 12000));
        EXPECT_LE(largest_step(out, 5990, 6000 + ramp + 10), steady * 1.05f) << name;
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

// Energy of the left channel at f Hz, from frame `from` on.
double power_at(const std::vector<float>& signal, std::size_t from, double f)
{
    const double w = 2.0 * std::numbers::pi * f / kRate;
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = from; i < signal.size(); ++i)
    {
        re += signal[i] * std::cos(w * static_cast<double>(i));
        im += signal[i] * std::sin(w * static_cast<double>(i));
    }
    return re * re + im * im;
}

TEST(SorvellProcessor, ChordSourceRingsOnEveryHeldNoteInItsTuningWithPedalAndBend)
{
    SorvellProcessor processor(kRate, 3u);
    processor.setParameter(index_of(parameter_id::harmonics), 1); // the fundamentals alone
    processor.setParameter(index_of(parameter_id::decay), 1.0);
    processor.setParameter(index_of(parameter_id::mix), 1.0);
    processor.setParameter(kPitchSourceIndex, 2.0);
    EXPECT_EQ(processor.parameter(kPitchSourceIndex), 2.0);
    // Degree 0 on note 60, note 69 at 440 Hz: notes 60, 62 and 63 at 132, 165 and 198 Hz.
    processor.setTuning(quendra::dravel::vantor::ScalaTuning::fromText(
        "five\n5\n9/8\n386.3137139\n3/2\n5/3\n2/1\n"));
    processor.activate();
    const auto input = noise(24000);
    const auto after = [&](std::vector<std::vector<std::uint8_t>> messages)
    {
        for (const auto& m : messages)
            processor.midi(m.data(), m.size());
        return run(processor, input, {128}).left;
    };
    const auto chord = after({{0x90, 60, 100}, {0x91, 63, 90}});
    EXPECT_GT(power_at(chord, 8000, 132.0), 100.0 * power_at(chord, 8000, 165.0));
    EXPECT_GT(power_at(chord, 8000, 198.0), 100.0 * power_at(chord, 8000, 165.0));

    // The pedal holds both through their note-offs; bend (+2 semitones) moves both.
    const double up = std::exp2(2.0 / 12.0);
    const auto bent = after({{0xB0, 64, 127}, {0x80, 60, 0}, {0x90, 63, 0}, {0xE0, 0x7F, 0x7F}});
    EXPECT_GT(power_at(bent, 8000, 132.0 * up), 0.3 * power_at(chord, 8000, 132.0));
    EXPECT_GT(power_at(bent, 8000, 198.0 * up), 0.3 * power_at(chord, 8000, 198.0));
    EXPECT_GT(power_at(bent, 8000, 132.0 * up), 100.0 * power_at(bent, 8000, 132.0));
    // Pedal up: they ring out, 60 dB in a second.
    const auto released = after({{0xB0, 64, 0}});
    EXPECT_LT(power_at(released, 8000, 132.0 * up), 0.1 * power_at(bent, 8000, 132.0 * up));

    // Back to the frequency parameter: the chord is gone.
    processor.setParameter(kPitchSourceIndex, 0.0);
    after({});
    EXPECT_EQ(processor.engine().notes().slotCount(), 0u);
}

// Allocation-free processing is the conformance harness's, through each built plugin.
TEST(SorvellProcessor, ASampleRateChangeRebuildsTheEngineAndItsRamps)
{
    SorvellProcessor processor(kRate);
    processor.activate();
    const auto input = noise(512);
    Stereo output = input;
    const float* in[2] = {input.left.data(), input.right.data()};
    float* out[2] = {output.left.data(), output.right.data()};
    processor.process(in, out, 512);
    processor.deactivate();
    processor.setSampleRate(44100.0);
    processor.activate();
    processor.process(in, out, 1);
    EXPECT_EQ(processor.engine().sampleRate(), 44100.0f);
    EXPECT_EQ(processor.ramps().parameters().front()->ramp_length(), 220u);
}
