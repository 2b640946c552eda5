// One channel's bank of resonating partials: reads the channel's input spectrum once
// per hop, lets its partials ring, and adds them into the channel's output spectrum.
// prepare() allocates nothing either (the groups live inside the bank); tick(),
// frameStart() and every setter are real-time safe.
//
// PLACEHOLDER: this version only clears its output spectrum at frame start.
#pragma once

#include "quendra/dsp/RandomDevice.h"
#include "quendra/dsp/Spectrum.h"

#include <cstdint>

namespace quendra::dravel::vantor
{

class ChannelPartialBank
{
public:
    // side 0 = left, 1 = right. Spectra are kNumBins bins each and outlive the bank.
    void prepare(float sampleRate, const Complex* inputSpectrum, Complex* outputSpectrum, int side,
                 RandomDevice& randomDevice);

    void reset() noexcept;      // silence every partial, new start phases, full recompute
    void tick() noexcept;       // the next chunk of active groups, once per sample
    void frameStart() noexcept; // once per hop, after the new input spectrum exists

    // Parameter interface (already clamped values; see Vantor's setters).
    void setFrequency(float hz) noexcept;
    void setStretch(float stretch) noexcept;
    void setShiftRatio(float ratio) noexcept;
    void setDecay(float seconds) noexcept;
    void setHfDamp(float amount) noexcept;
    void setLfDamp(float amount) noexcept;
    void setUnisonVoices(int voices) noexcept;
    void setUnisonSpread(float spread) noexcept; // D = 1 - 2^(semitones / 12)
    void setHarmonics(float limit) noexcept;
    void setModType(std::uint32_t mode) noexcept; // only called with 0..3
    void setModRate(float rate) noexcept;
    void setPitchMod(float semitones) noexcept;
    void setFrequencySource(std::uint32_t source) noexcept;
    void setPolyphony(std::uint32_t polyphony) noexcept;

private:
    Complex* mpOutputSpectrum = nullptr;
};

} // namespace quendra::dravel::vantor
