#include "SorvellProcessor.h"

#include "quendra/denormal_guard.h"

#include <quendra/dsp/ScratchFrames.h>

#include <algorithm>
#include <cmath>

namespace quendra::plugin
{

using brindle::quendra::smoothed_parameter;
using sorvell::parameter_id;
using sorvell::parameter_kind;

namespace
{

constexpr auto kFrequencyIndex = static_cast<std::size_t>(parameter_id::frequency);

} // namespace

SorvellProcessor::SorvellProcessor(double sampleRate, std::optional<std::uint32_t> seed)
    : mSampleRate(sampleRate), mSeed(seed)
{
    const auto rows = sorvell::parameters();
    for (std::size_t index = 0; index < rows.size(); ++index)
    {
        const auto& row = rows[index];
        mValues[index].store(row.default_value, std::memory_order_relaxed);
        if (row.kind == parameter_kind::smoothed)
        {
            mSmoothed[index] = std::make_unique<smoothed_parameter>(
                row.minimum, row.maximum, row.default_value,
                [this, index](double value) { sorvell::apply(*mEngine, index, value); });
        }
        else
        {
            mQueuedCallbacks[index] = [this, index](int value)
            { sorvell::apply(*mEngine, index, value); };
        }
    }
    mValues[kBypassIndex].store(0.0, std::memory_order_relaxed);
    mSmoothed[kBypassIndex] = std::make_unique<smoothed_parameter>(
        0.0, 1.0, 0.0, [this](double value) { mBypassAmount = static_cast<float>(value); });
    mValues[kPitchSourceIndex].store(0.0, std::memory_order_relaxed);
    for (auto& smoothed : mSmoothed)
    {
        if (smoothed)
        {
            mRamps.add(*smoothed);
        }
    }
    mBypassDelay.prepare(kLatency);
    buildEngine();
}

void SorvellProcessor::buildEngine()
{
    const auto rate = static_cast<float>(mSampleRate);
    mEngine = mSeed ? std::make_unique<dravel::vantor::Vantor>(rate, *mSeed)
                    : std::make_unique<dravel::vantor::Vantor>(rate);
    mEngine->setFrequencySource(0);
    mEngine->setPolyphony(0);
    mEngineUsed = false;
    mPrimed = false;
}

void SorvellProcessor::setSampleRate(double sampleRate)
{
    if (sampleRate != mSampleRate)
    {
        mSampleRate = sampleRate;
        buildEngine();
    }
}

void SorvellProcessor::activate()
{
    if (mEngineUsed)
    {
        buildEngine();
    }
    mRamps.unprepare();
    for (auto& smoothed : mSmoothed)
    {
        if (smoothed)
        {
            smoothed->set(smoothed->last()); // a ramp still running ends here
        }
    }
    mBypassDelay.reset();
    mMidiPitch.reset();
    mPrimed = false;
}

void SorvellProcessor::deactivate() noexcept
{
    mRamps.unprepare();
    mPrimed = false;
}

void SorvellProcessor::setParameter(std::size_t index, double value) noexcept
{
    if (index >= kParameterCount || std::isnan(value))
    {
        return;
    }
    if (index == kPitchSourceIndex)
    {
        const int source = value >= 0.5 ? 1 : 0;
        mValues[index].store(source, std::memory_order_relaxed);
        mPitchSource.store(source, std::memory_order_release);
        mPitchSourceChanged.store(true, std::memory_order_release); // the audio thread follows
        return;
    }
    if (index == kBypassIndex)
    {
        const double on = value >= 0.5 ? 1.0 : 0.0;
        mValues[index].store(on, std::memory_order_relaxed);
        mSmoothed[index]->set(on);
        return;
    }
    const auto& row = sorvell::parameters()[index];
    const double clamped = std::clamp(value, row.minimum, row.maximum);
    if (row.kind == parameter_kind::smoothed)
    {
        mValues[index].store(clamped, std::memory_order_relaxed);
        if (index != kFrequencyIndex || mPitchSource.load(std::memory_order_acquire) ==
                                            static_cast<int>(PitchSource::frequency))
        {
            mSmoothed[index]->set(clamped);
        }
        return;
    }
    const int whole = static_cast<int>(std::lround(clamped));
    mValues[index].store(whole, std::memory_order_relaxed);
    mRamps.queue().push(mQueuedCallbacks[index], whole);
}

double SorvellProcessor::parameter(std::size_t index) const noexcept
{
    return index < kParameterCount ? mValues[index].load(std::memory_order_relaxed) : 0.0;
}

// The fundamental follows the pitch source: the host's frequency, or the MIDI pitch once a
// note has been played (before that the last pitch stays).
void SorvellProcessor::followPitch() noexcept
{
    smoothed_parameter& frequency = *mSmoothed[kFrequencyIndex];
    if (mPitchSource.load(std::memory_order_acquire) == static_cast<int>(PitchSource::frequency))
    {
        frequency.set(mValues[kFrequencyIndex].load(std::memory_order_relaxed));
    }
    else if (const auto hz = mMidiPitch.frequency())
    {
        frequency.set(*hz);
    }
}

void SorvellProcessor::midi(const std::uint8_t* data, std::size_t size) noexcept
{
    if (mPitchSource.load(std::memory_order_acquire) != static_cast<int>(PitchSource::midi))
    {
        return;
    }
    if (mMidiPitch.handle(data, size))
    {
        followPitch();
    }
}

// First block after activation: the ramps get their length and the engine every value.
void SorvellProcessor::prime() noexcept
{
    mRamps.prepare(mSampleRate);
    const auto rows = sorvell::parameters();
    for (std::size_t index = 0; index < rows.size(); ++index)
    {
        if (rows[index].kind != parameter_kind::smoothed)
        {
            sorvell::apply(*mEngine, index, mValues[index].load(std::memory_order_relaxed));
        }
    }
    mPrimed = true;
}

void SorvellProcessor::process(const float* const* inputs, float* const* outputs,
                               std::uint32_t frames) noexcept
{
    const brindle::quendra::denormal_guard flushToZero;
    if (mPitchSourceChanged.load(std::memory_order_relaxed) &&
        mPitchSourceChanged.exchange(false, std::memory_order_acq_rel))
    {
        followPitch(); // before priming, so that a source set before processing applies at once
    }
    if (!mPrimed)
    {
        prime();
    }
    mRamps.begin_block();
    if (frames == 0)
    {
        return;
    }
    mEngineUsed = true;
    std::uint32_t done = 0;
    if (mRamps.ramping())
    {
        // The engine's frame hook moves the ramps until each has handed out its target, the
        // rest of the block runs with every parameter held.
        done =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, mRamps.samples_to_settle()));
        processRuns(inputs, outputs, done, true);
    }
    if (done < frames)
    {
        const float* in[2] = {inputs[0] + done, inputs[1] + done};
        float* out[2] = {outputs[0] + done, outputs[1] + done};
        processRuns(in, out, frames - done, false);
    }
}

// The engine's block call in runs of kRun frames. The bypass delay takes each run's input
// first, since the outputs may be the input buffers (the engine itself works in place).
void SorvellProcessor::processRuns(const float* const* inputs, float* const* outputs,
                                   std::uint32_t frames, bool ramping) noexcept
{
    using Vantor = dravel::vantor::Vantor;
    const auto hook =
        ramping
            ? Vantor::FrameHook::fromMethod<SorvellProcessor, &SorvellProcessor::advanceRamps>(this)
            : Vantor::FrameHook{};
    dravel::vantor::ScratchFrames<kRun> inputFrames, dryFrames;
    dravel::vantor::StereoFrame* const input = inputFrames.data();
    dravel::vantor::StereoFrame* const dry = dryFrames.data();
    for (std::uint32_t at = 0; at < frames; at += kRun)
    {
        const std::uint32_t count = std::min(kRun, frames - at);
        for (std::uint32_t i = 0; i < count; ++i)
            input[i] = {inputs[0][at + i], inputs[1][at + i]};
        mBypassDelay.process(input, dry, count);
        float* leftOut = outputs[0] + at;
        float* rightOut = outputs[1] + at;
        mEngine->process(inputs[0] + at, inputs[1] + at, leftOut, rightOut, count, hook);
        if (!ramping)
        {
            if (mBypassAmount == 0.0f)
                continue;
            std::fill_n(mBypassCurve.begin(), count, mBypassAmount);
        }
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const float amount = mBypassCurve[i];
            if (amount != 0.0f)
            {
                // Written so that a full bypass gives the dry samples exactly.
                const float keep = 1.0f - amount;
                leftOut[i] = keep * leftOut[i] + amount * dry[i].left;
                rightOut[i] = keep * rightOut[i] + amount * dry[i].right;
            }
        }
    }
}

void SorvellProcessor::advanceRamps(std::size_t frame) noexcept
{
    mRamps.advance();
    mBypassCurve[frame] = mBypassAmount;
}

} // namespace quendra::plugin
