// Vantor: the engine of Sorvell, a stereo spectral resonance effect (a spectral processor which
// uses spectral resonances and pitched overtones to add tonal character to any audio source),
// built for one sample rate.
// process() takes and returns one StereoFrame (linear amplitude) per call. Each channel is
// analysed by a 1024-sample STFT at a hop of 512; its channel partial bank resonates on the
// input spectrum and writes an output spectrum that is transformed back and overlap-added.
// The wet signal passes a peak limiter and is mixed with the dry input; both paths are
// delayed by kLatency (1536) samples.
// Input samples that are not finite or lie beyond +-2^20 are taken as silence (a fault
// upstream, not audio), so that no burst of them can overflow the partials.
// The constructor allocates everything (rings, dry delay, FFT plans); process(), reset() and
// every setter are noexcept, allocate nothing and take no lock. The object is large (two
// banks of partials): allocate it on the heap.
#pragma once

#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/DryDelay.h"
#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/HopSchedule.h"
#include "quendra/dsp/Limiter.h"
#include "quendra/dsp/NoteAllocator.h"
#include "quendra/dsp/RandomDevice.h"
#include "quendra/dsp/StereoFrame.h"
#include "quendra/dsp/StftBlock.h"
#include "quendra/dsp/transform/Fft.h"

#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

namespace quendra::dravel::vantor
{

struct VantorTestAccess; // defined by tests that need to reach the spectra or the hop

class Vantor
{
public:
    static constexpr std::size_t kLatency = vantor::kLatency; // samples, at every rate

    // Seeds come from the platform's nondeterministic random device.
    explicit Vantor(float sampleRate);
    // Seeds come from a deterministic generator: same seed, same output, bit for bit.
    Vantor(float sampleRate, std::uint32_t seed);

    Vantor(const Vantor&) = delete;
    Vantor& operator=(const Vantor&) = delete;

    StereoFrame process(StereoFrame input) noexcept;

    // A block of `frames` stereo samples, the same output bits as process() called on each
    // frame in turn (with no setter called in between). Input and output may be the same
    // buffers (in place); otherwise they must not overlap. Any block length, 0 included.
    void process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                 std::size_t frames) noexcept;

    // The same while parameters move: beforeFrame(i) runs just before frame i of the block
    // and may call any setter (nothing else of the engine), which then takes effect from that
    // frame on, as a setter called between per-frame calls would. The output bits are those of
    // the per-frame calls. Most changes keep the block's speed; one that the partial groups
    // read at once (shift, voices, harmonics, modulation) lets the banks tick up to its frame
    // first.
    using FrameHook = Delegate<void(std::size_t)>;
    void process(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                 std::size_t frames, FrameHook beforeFrame) noexcept;
    // Both the above with 64-bit samples: each is rounded to float on the way in and widened on
    // the way out, the bits of the float call with converted buffers, without a pass of its own.
    void process(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                 std::size_t frames, FrameHook beforeFrame = {}) noexcept;

    // Back to silence: buffers, spectra, rings, partials, dry delay, limiter gains. Keeps
    // the hop phase, the gains and every parameter.
    void reset() noexcept;

    // Parameters, already clamped by the caller.
    void setInputGain(float linear) noexcept;
    void setMix(float mix) noexcept; // 0 dry .. 1 wet, equal-power crossfade
    void setStretch(float stretch) noexcept;
    void setShift(float semitones) noexcept;
    void setDecay(float seconds) noexcept;
    void setHfDamp(float amount) noexcept;
    void setLfDamp(float amount) noexcept;
    void setUnisonVoices(int voices) noexcept;
    void setUnisonAmount(float semitones) noexcept;
    void setHarmonics(int harmonics) noexcept;
    void setFrequency(float hz) noexcept;
    void setModType(int mode) noexcept; // ignored unless 0..3
    void setModRate(float rate) noexcept;
    void setPitchMod(float semitones) noexcept;
    void setFrequencySource(int source) noexcept;
    void setPolyphony(int polyphony) noexcept; // 0 off, else chords (below)

    // Chords, with polyphony on (ignored without): each note rings on its own harmonic series,
    // 8 / voices notes at once (see ChannelPartialBank), the oldest stolen when they are all
    // taken. `key` names the note (a MIDI note number, say), `hz` is its frequency. Notes start,
    // end and bend at the next hop.
    void noteOn(int key, float hz) noexcept;
    void noteOff(int key) noexcept;
    void setSustain(bool down) noexcept;
    void setPitchBend(float semitones) noexcept; // every note
    void allNotesOff() noexcept;
    const NoteAllocator& notes() const noexcept { return mNotes; }
    // Holds the resonance as it is (see ChannelPartialBank::setFreeze); off unless set. The
    // host object never sets it.
    void setFreeze(bool frozen) noexcept;

    // Linear gain of a level in dB: fastExp2(dB x log2(10) / 20). 0 dB is exactly 1.
    static float gainFromDecibels(float decibels) noexcept;

    float sampleRate() const noexcept { return mSampleRate; }
    float dryGain() const noexcept { return gains().dry; }
    float wetGain() const noexcept { return gains().wet; }
    float inputGain() const noexcept { return mInputGain; }
    float compensationGain() const noexcept { return mCompensationGain; }
    float shiftFactor() const noexcept { return mShiftFactor; }
    float voicesFactor() const noexcept { return mVoicesFactor; }
    float stretchFactor() const noexcept { return mStretchFactor; }
    std::uint64_t samplesUntilHop() const noexcept { return mSchedule.samplesUntilHop(); }
    const Limiter& limiter() const noexcept { return mLimiter; }
    const StftBlock& stft() const noexcept { return mStft; }
    const ChannelPartialBank& bank(int side) const noexcept { return *mpBanks[side != 0 ? 1 : 0]; }
    // The same with the last hop's work complete: the banks' frame starts wait for the sample
    // after the hop (see HopSchedule); this one runs them first if they are still due.
    const ChannelPartialBank& bank(int side) noexcept
    {
        mSchedule.beforeChange(HopSchedule::Change::AtFrameStart);
        return *mpBanks[side != 0 ? 1 : 0];
    }

private:
    friend struct VantorTestAccess;

    struct DryWetGains
    {
        float dry;
        float wet;
    };

    Vantor(float sampleRate, RandomDevice&& randomDevice);

    // The hop's own work: the overlap-add of the inverse transforms and the analysis of the
    // frame that ends with this sample.
    void hop() noexcept;
    // A side's steps, run when the schedule says: the forward transform of the frame analysed
    // at the hop and the bank's frame start; the inverse transform of its output spectrum.
    void startFrame(std::size_t side) noexcept;
    void inverse(std::size_t side) noexcept;
    // The block calls for either sample type, in runs.
    template <typename Sample>
    void processBlock(const Sample* inLeft, const Sample* inRight, Sample* outLeft,
                      Sample* outRight, std::size_t frames, FrameHook beforeFrame) noexcept;
    // Up to Limiter::kMaxRun frames that end at the latest on the next hop, with the hook
    // (if set) before each; firstFrame numbers the run's first frame within the block.
    template <typename Sample>
    void processRun(const Sample* inLeft, const Sample* inRight, Sample* outLeft, Sample* outRight,
                    std::size_t frames, FrameHook beforeFrame, std::size_t firstFrame) noexcept;
    void resetSignalState() noexcept; // steps shared by construction and reset()
    void updateCompensationGain() noexcept;
    void updateNoteSlots() noexcept;
    void releaseNoteSlots(std::uint32_t slots) noexcept;
    // A parameter reaches both banks, ordered as `change` says against the ticks still owed.
    template <typename Value>
    void toBothBanks(HopSchedule::Change change, void (ChannelPartialBank::*set)(Value) noexcept,
                     std::type_identity_t<Value> value) noexcept
    {
        mSchedule.beforeChange(change);
        for (ChannelPartialBank* bank : mpBanks)
            (bank->*set)(value);
    }
    DryWetGains gains() const noexcept { return std::bit_cast<DryWetGains>(mDryWetGains); }

    float mSampleRate;

    Delegate<void()> mHopCallback = Delegate<void()>::fromMethod<Vantor, &Vantor::hop>(this);

    StftBlock mStft;

    alignas(16) std::array<float, kFftSize> mTimeLeft{};
    alignas(16) std::array<float, kFftSize> mTimeRight{};
    TimeBuffers mTimeBuffers;

    Fft mForwardFft;
    alignas(16) std::array<Complex, kNumBins> mInputSpectrumLeft{};
    alignas(16) std::array<Complex, kNumBins> mInputSpectrumRight{};

    ChannelPartialBank mBank0; // left
    ChannelPartialBank mBank1; // right

    Fft mInverseFft;
    // 64-byte aligned for the banks' wide synthesis.
    alignas(64) std::array<Complex, kNumBins> mOutputSpectrumLeft{};
    alignas(64) std::array<Complex, kNumBins> mOutputSpectrumRight{};

    std::array<ChannelPartialBank*, 2> mpBanks{&mBank0, &mBank1};
    HopSchedule mSchedule{mBank0, mBank1,
                          HopSchedule::SideStep::fromMethod<Vantor, &Vantor::startFrame>(this),
                          HopSchedule::SideStep::fromMethod<Vantor, &Vantor::inverse>(this)};

    DryDelay mDryDelay;
    Limiter mLimiter;

    // Dry gain then wet gain, kept in one 64-bit word so that a mix change is one store.
    std::uint64_t mDryWetGains = 0;
    float mInputGain = 1.0f;
    float mCompensationGain = 1.0f; // = shift factor x voices factor x stretch factor
    float mShiftFactor = 1.0f;
    float mVoicesFactor = 1.0f;
    float mStretchFactor = 1.0f;

    NoteAllocator mNotes;
    int mUnisonVoices = 1;
    bool mPolyphonic = false;
};

} // namespace quendra::dravel::vantor
