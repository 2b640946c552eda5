#include "quendra/dsp/Vantor.h"

#include "quendra/dsp/FastExp2.h"
#include "quendra/dsp/ScratchFrames.h"
#include "quendra/dsp/simd/Approximations.h"

#include <algorithm>
#include <cmath>

namespace quendra::dravel::vantor
{

namespace
{

constexpr float kHalfPi = 1.5707964f;

// sin(x) on [-pi/2, pi/2] as an odd polynomial, nested multiply-adds.
float sinApprox(float x) noexcept
{
    namespace a = approximation;
    const float x2 = x * x;
    float p = std::fma(x2, a::kSine[3], a::kSine[2]);
    p = std::fma(x2, p, a::kSine[1]);
    p = std::fma(x2, p, a::kSine[0]);
    return x * p;
}

// Input samples beyond +-2^20 (+120 dBFS) are no audio but a fault upstream (as are NaN and
// infinity); they enter the engine as silence. Let through, a burst of them would leave the
// partials ringing at levels whose sum overflows, for as long as the decay lasts.
constexpr float kInputCeiling = 1048576.0f;

float sanitised(float sample) noexcept
{
    return std::fabs(sample) <= kInputCeiling ? sample : 0.0f;
}

float clamp01(float x) noexcept
{
    return std::clamp(x, 0.0f, 1.0f);
}

void zero(std::array<Complex, kNumBins>& spectrum) noexcept
{
    spectrum.fill(Complex{0.0f, 0.0f});
}

} // namespace

Vantor::Vantor(float sampleRate) : Vantor(sampleRate, RandomDevice{}) {}

Vantor::Vantor(float sampleRate, std::uint32_t seed) : Vantor(sampleRate, RandomDevice{seed}) {}

Vantor::Vantor(float sampleRate, RandomDevice&& randomDevice) : mSampleRate(sampleRate)
{
    // The frame: periodic Hann analysis window normalised by its sum, frames stored rotated.
    const WindowConfiguration windowConfiguration{kFftSize, 1, WindowType::Hann};
    const StftMode stftMode{StftWindowing::AnalysisOnlyNormalisedBySum, StftFrameOrder::Rotated};

    mStft.prepare(windowConfiguration, stftMode);
    mTimeBuffers = {mTimeLeft.data(), mTimeRight.data()};

    mForwardFft = Fft(kFftSize);
    zero(mInputSpectrumLeft);
    zero(mInputSpectrumRight);

    mBank0.prepare(sampleRate, mInputSpectrumLeft.data(), mOutputSpectrumLeft.data(), 0,
                   randomDevice);
    mBank1.prepare(sampleRate, mInputSpectrumRight.data(), mOutputSpectrumRight.data(), 1,
                   randomDevice);
    mBank0.reset();
    mBank1.reset();

    mInverseFft = Fft(kFftSize);
    zero(mOutputSpectrumLeft);
    zero(mOutputSpectrumRight);

    resetSignalState();

    mDryDelay.prepare(kLatency);
    mLimiter.setup(sampleRate);

    mDryWetGains = std::bit_cast<std::uint64_t>(DryWetGains{0.0f, 1.0f});
    mInputGain = 1.0f;
    mCompensationGain = 1.0f;
    mShiftFactor = 1.0f;
    mVoicesFactor = 1.0f;
    mStretchFactor = 1.0f;
}

StereoFrame Vantor::process(StereoFrame raw) noexcept
{
    const StereoFrame input{sanitised(raw.left), sanitised(raw.right)};
    const StereoFrame dry = mDryDelay.process(input);

    mStft.pushInput({mCompensationGain * input.left * mInputGain,
                     mCompensationGain * input.right * mInputGain});
    StereoFrame wet = mStft.popOutput();

    if (mSchedule.tickFrame())
        mHopCallback();

    const DryWetGains mix = gains();
    wet.left *= mix.wet;
    wet.right *= mix.wet;
    const StereoFrame limited = mLimiter.process(wet, wet);
    return {limited.left + mix.dry * dry.left, limited.right + mix.dry * dry.right};
}

void Vantor::process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                     std::size_t frames) noexcept
{
    process(inLeft, inRight, outLeft, outRight, frames, FrameHook{});
}

void Vantor::process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                     std::size_t frames, FrameHook beforeFrame) noexcept
{
    processBlock(inLeft, inRight, outLeft, outRight, frames, beforeFrame);
}

void Vantor::process(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                     std::size_t frames, FrameHook beforeFrame) noexcept
{
    processBlock(inLeft, inRight, outLeft, outRight, frames, beforeFrame);
}

template <typename Sample>
void Vantor::processBlock(const Sample* inLeft, const Sample* inRight, Sample* outLeft,
                          Sample* outRight, std::size_t frames, FrameHook beforeFrame) noexcept
{
    std::size_t done = 0;
    while (done < frames)
    {
        const std::size_t run = mSchedule.runLength(std::min(frames - done, Limiter::kMaxRun));
        processRun(inLeft + done, inRight + done, outLeft + done, outRight + done, run, beforeFrame,
                   done);
        done += run;
    }
}

template <typename Sample>
void Vantor::processRun(const Sample* inLeft, const Sample* inRight, Sample* outLeft,
                        Sample* outRight, std::size_t frames, FrameHook beforeFrame,
                        std::size_t firstFrame) noexcept
{
    // The steps of process() taken a run at a time. Each step keeps its per-sample order and
    // arithmetic; the banks' ticks only read the input spectra of the last hop and write the
    // output spectra of the next, so they may come after the run's frames have moved through
    // the rings. The gains are taken per frame, after that frame's hook.
    ScratchFrames<Limiter::kMaxRun> inputFrames, dryFrames, scaledFrames, wetFrames;
    StereoFrame* const input = inputFrames.data();
    StereoFrame* const dry = dryFrames.data();
    StereoFrame* const scaled = scaledFrames.data();
    StereoFrame* const wet = wetFrames.data();
    alignas(16) DryWetGains mix[Limiter::kMaxRun];
    for (std::size_t i = 0; i < frames; ++i)
        input[i] = {sanitised(static_cast<float>(inLeft[i])),
                    sanitised(static_cast<float>(inRight[i]))};
    mDryDelay.process(input, dry, frames);
    if (beforeFrame)
    {
        for (std::size_t i = 0; i < frames; ++i)
        {
            beforeFrame(firstFrame + i);
            scaled[i] = {mCompensationGain * input[i].left * mInputGain,
                         mCompensationGain * input[i].right * mInputGain};
            mix[i] = gains();
            mSchedule.owe(1);
        }
    }
    else
    {
        const DryWetGains held = gains();
        for (std::size_t i = 0; i < frames; ++i)
        {
            scaled[i] = {mCompensationGain * input[i].left * mInputGain,
                         mCompensationGain * input[i].right * mInputGain};
            mix[i] = held;
        }
        mSchedule.owe(frames);
    }
    mStft.pushInput(scaled, frames);
    mStft.popOutput(wet, frames);

    if (mSchedule.endRun())
        mHopCallback();

    for (std::size_t i = 0; i < frames; ++i)
    {
        wet[i].left *= mix[i].wet;
        wet[i].right *= mix[i].wet;
    }
    mLimiter.process(wet, frames);
    for (std::size_t i = 0; i < frames; ++i)
    {
        outLeft[i] = static_cast<Sample>(wet[i].left + mix[i].dry * dry[i].left);
        outRight[i] = static_cast<Sample>(wet[i].right + mix[i].dry * dry[i].right);
    }
}

void Vantor::hop() noexcept
{
    // The overlap-add of the spectra the banks wrote during the hop that ends here (the
    // schedule has transformed them back), then the analysis of the frame that ends with this
    // sample into the time buffers, which each side's frame start transforms.
    mStft.appendSilence(kHopSize);
    mStft.synthesise(mTimeBuffers);
    mStft.analyse(mTimeBuffers);

    // Once per hop is enough: a flushed gain stays exactly 0 through silence.
    mLimiter.flushSubnormalGains();
}

void Vantor::startFrame(std::size_t side) noexcept
{
    mForwardFft.forward(side == 0 ? mTimeLeft.data() : mTimeRight.data(),
                        side == 0 ? mInputSpectrumLeft.data() : mInputSpectrumRight.data());
    mpBanks[side]->frameStart();
}

void Vantor::inverse(std::size_t side) noexcept
{
    Complex* const spectrum = side == 0 ? mOutputSpectrumLeft.data() : mOutputSpectrumRight.data();
    spectrum[0].im = 0.0f;
    spectrum[kNumBins - 1].im = 0.0f;
    mInverseFft.inverse(spectrum, side == 0 ? mTimeLeft.data() : mTimeRight.data());
}

void Vantor::resetSignalState() noexcept
{
    mTimeLeft.fill(0.0f);
    mTimeRight.fill(0.0f);
    zero(mInputSpectrumLeft);
    zero(mInputSpectrumRight);
    zero(mOutputSpectrumLeft);
    zero(mOutputSpectrumRight);
    mStft.reset();
    mBank0.reset();
    mBank1.reset();
}

void Vantor::reset() noexcept
{
    // The frame starts due run first. An inverse transform done this hop stands: a cleared
    // spectrum stays clear until the hop, and transforms to the cleared time buffer.
    mSchedule.beforeChange(HopSchedule::Change::AtFrameStart);
    resetSignalState();
    mDryDelay.reset();
    mLimiter.resetGains();
}

float Vantor::gainFromDecibels(float decibels) noexcept
{
    return fastExp2(decibels * 0.1660964f); // log2(10) / 20
}

void Vantor::setInputGain(float linear) noexcept
{
    mInputGain = linear;
}

void Vantor::setMix(float mix) noexcept
{
    // Equal-power crossfade along a sine-shaped mix axis.
    const float s = clamp01(0.5f * sinApprox((2.0f * mix - 1.0f) * kHalfPi) + 0.5f);
    const float dry = clamp01(sinApprox((1.0f - s) * kHalfPi));
    const float wet = clamp01(sinApprox(s * kHalfPi));
    mDryWetGains = std::bit_cast<std::uint64_t>(DryWetGains{dry, wet});
}

void Vantor::setStretch(float stretch) noexcept
{
    toBothBanks(HopSchedule::Change::AtFrameStart, &ChannelPartialBank::setStretch, stretch);
    mStretchFactor = std::sqrt(stretch + 1.001f);
    updateCompensationGain();
}

void Vantor::setShift(float semitones) noexcept
{
    const float ratio = fastExp2(-semitones / 12.0f);
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setShiftRatio, ratio);
    mShiftFactor = fastExp2(-semitones / 24.0f); // the square root of the ratio
    updateCompensationGain();
}

void Vantor::setDecay(float seconds) noexcept
{
    toBothBanks(HopSchedule::Change::BeforeGroupUpdates, &ChannelPartialBank::setDecay, seconds);
}

void Vantor::setHfDamp(float amount) noexcept
{
    toBothBanks(HopSchedule::Change::BeforeGroupUpdates, &ChannelPartialBank::setHfDamp, amount);
}

void Vantor::setLfDamp(float amount) noexcept
{
    toBothBanks(HopSchedule::Change::BeforeGroupUpdates, &ChannelPartialBank::setLfDamp, amount);
}

void Vantor::setUnisonVoices(int voices) noexcept
{
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setUnisonVoices, voices);
    mUnisonVoices = voices;
    updateNoteSlots();
    mVoicesFactor = 1.0f / std::sqrt(static_cast<float>(voices));
    updateCompensationGain();
}

void Vantor::setUnisonAmount(float semitones) noexcept
{
    const float spread = 1.0f - fastExp2(semitones / 12.0f);
    toBothBanks(HopSchedule::Change::AtFrameStart, &ChannelPartialBank::setUnisonSpread, spread);
}

void Vantor::setHarmonics(int harmonics) noexcept
{
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setHarmonics,
                static_cast<float>(harmonics));
}

void Vantor::setFrequency(float hz) noexcept
{
    toBothBanks(HopSchedule::Change::AtFrameStart, &ChannelPartialBank::setFrequency, hz);
}

void Vantor::setModType(int mode) noexcept
{
    const auto unsignedMode = static_cast<std::uint32_t>(mode);
    if (unsignedMode > 3u)
    {
        return;
    }
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setModType, unsignedMode);
}

void Vantor::setModRate(float rate) noexcept
{
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setModRate, rate);
}

void Vantor::setPitchMod(float semitones) noexcept
{
    toBothBanks(HopSchedule::Change::BeforeGroupUpdates, &ChannelPartialBank::setPitchMod,
                semitones);
}

void Vantor::setFrequencySource(int source) noexcept
{
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setFrequencySource,
                static_cast<std::uint32_t>(source));
}

void Vantor::setPolyphony(int polyphony) noexcept
{
    toBothBanks(HopSchedule::Change::AtOnce, &ChannelPartialBank::setPolyphony,
                static_cast<std::uint32_t>(polyphony));
    mPolyphonic = polyphony != 0;
    updateNoteSlots();
}

void Vantor::updateNoteSlots() noexcept
{
    mNotes.setSlotCount(mPolyphonic ? mBank0.noteSlotCount() : 0);
}

void Vantor::noteOn(int key, float hz) noexcept
{
    const auto start = mNotes.noteOn(key);
    if (!start)
        return;
    mSchedule.beforeChange(HopSchedule::Change::AtFrameStart);
    for (ChannelPartialBank* bank : mpBanks)
        bank->startNote(start->slot, hz);
}

void Vantor::noteOff(int key) noexcept
{
    if (const auto slot = mNotes.noteOff(key))
        releaseNoteSlots(1u << *slot);
}

void Vantor::setSustain(bool down) noexcept
{
    releaseNoteSlots(mNotes.setSustain(down));
}

void Vantor::allNotesOff() noexcept
{
    releaseNoteSlots(mNotes.releaseAll());
}

void Vantor::releaseNoteSlots(std::uint32_t slots) noexcept
{
    if (slots == 0)
        return;
    mSchedule.beforeChange(HopSchedule::Change::AtFrameStart);
    for (std::size_t slot = 0; slot < NoteAllocator::kMaxSlots; ++slot)
        if ((slots >> slot & 1u) != 0)
            for (ChannelPartialBank* bank : mpBanks)
                bank->releaseNote(slot);
}

void Vantor::setPitchBend(float semitones) noexcept
{
    toBothBanks(HopSchedule::Change::AtFrameStart, &ChannelPartialBank::setPitchBend,
                std::exp2(semitones / 12.0f));
}

void Vantor::setFreeze(bool frozen) noexcept
{
    toBothBanks(HopSchedule::Change::AtFrameStart, &ChannelPartialBank::setFreeze, frozen);
}

void Vantor::updateCompensationGain() noexcept
{
    mCompensationGain = mShiftFactor * mVoicesFactor * mStretchFactor;
}

} // namespace quendra::dravel::vantor
