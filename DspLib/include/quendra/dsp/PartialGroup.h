// PartialGroup: four resonating partials processed together, one per vec4 lane.
// Once per hop each group reads its excitation from the channel's input spectrum, runs its
// modulator, follows the excitation with an instant attack and a per-hop release, and adds
// its partials into the output spectrum through the kernel table.
// Units: frequencies as omega in radians per hop (Hz only for the Chorus rate), levels as
// spectrum magnitudes, phases in radians in [-pi, pi). What the hop reads and writes lives in
// the bank's arrays (PartialGroupState.h), the group being their view at its index; the group
// object keeps its modulators and the control-rate values. Nothing here allocates; a group
// holds pointers into itself (its modulator) and must not be copied once installed.
#pragma once

#include "quendra/dsp/BinMagnitudes.h"
#include "quendra/dsp/ChorusState.h"
#include "quendra/dsp/FrameGeometry.h"
#include "quendra/dsp/GranularTiming.h"
#include "quendra/dsp/KernelTable.h"
#include "quendra/dsp/ModOut.h"
#include "quendra/dsp/PartialGroupState.h"
#include "quendra/dsp/PartialRandom.h"
#include "quendra/dsp/WanderState.h"
#include "quendra/dsp/simd/Vec4.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

// Modulation modes, as the mod_type parameter numbers them.
enum class ModMode : std::uint32_t
{
    None = 0,
    Chorus = 1,
    Wander = 2,
    Granular = 3,
};

// Spectrum constants a group needs when it reads and writes the spectra.
struct SpectrumGeometry
{
    vec4 fftSize{1024.0f};
    vec4 hop{512.0f};
    vec4 excitationScale{0.31830987f}; // 1 / pi: omega in radians per hop to bin position
};

// Groups of a state to add into a spectrum, by their indices.
struct SynthesisBatch
{
    const PartialGroupState* state;
    const std::size_t* indices;
    Complex* out;
};

// Each group starts a cache line, where its state and index lie beside the modulator and the
// random source: all that a batched update reads of the object.
class alignas(64) PartialGroup
{
    PartialGroupState* mpState;
    std::size_t mIndex;

public:
    // Group `index` of state, on side 0 (left) or 1 (right) at hop rate R in Hz: draws its
    // Granular countdown and then its start phases from rng; level 0, None modulator.
    PartialGroup(PartialGroupState& state, std::size_t index, std::uint8_t side, float hopRateHz,
                 PartialRandom* rng) noexcept;

    PartialGroup(const PartialGroup&) = delete;
    PartialGroup& operator=(const PartialGroup&) = delete;

    // ---- per hop --------------------------------------------------------------------------
    // Excitation read, update, and synthesis into out when audible.
    void step(const BinMagnitudes& in, Complex* out, const KernelTable& kernel, vec4 shiftRatio,
              const SpectrumGeometry& geometry) noexcept;
    // The step up to the synthesis: excitation, modulator, level and oscillator. It leaves
    // audible() telling whether addToSpectrum() is to follow.
    void update(const BinMagnitudes& in, vec4 shiftRatio,
                const SpectrumGeometry& geometry) noexcept;

    // update() on kUpdateBatch consecutive groups at once, through vectors of `width` (512 bits:
    // four groups, 16 lanes, to a vector; 256 bits: two groups), when each of them has its own
    // Granular modulator installed or each has none, and returns how many of them are audible
    // after it; returns kNotBatched without touching them otherwise. The same sums, the same draws
    // in the same order. width is wider than four lanes and at most currentVectorWidth(); the
    // groups are consecutive in one state, the first at an index divisible by four (so that each
    // field of a vector's groups is one aligned run). Sixteen: the more vectors' steps stand side
    // by side, the more of them the processor overlaps.
    static constexpr std::size_t kUpdateBatch = 16;
    static constexpr int kNotBatched = -1;
    static int updateBatch(VectorWidth width, PartialGroup* groups, const BinMagnitudes& in,
                           vec4 shiftRatio, const SpectrumGeometry& geometry) noexcept;

    // Magnitude of the input spectrum at each lane's (shifted) bin position, interpolated
    // between the two neighbouring bins; 0 for lanes outside bins [0, 511] and for all
    // lanes when the group does not listen.
    vec4 readExcitation(const BinMagnitudes& in, vec4 shiftRatio,
                        const SpectrumGeometry& geometry) const noexcept;

    // Writes the complex amplitude (amplitude times e^(i phase)) and advances the phase.
    void oscillatorStep(vec4 amplitude) noexcept;

    // Adds the four partials into out, at their modulated frequencies.
    void addToSpectrum(Complex* out, const KernelTable& kernel,
                       const SpectrumGeometry& geometry) const noexcept;
    // The same sums in the same order through vectors of `width` that read and write the
    // spectrum in aligned blocks of eight bins (512 bits) or four (256 bits); out 64-byte
    // aligned. width as for updateBatch().
    void addToSpectrumWide(VectorWidth width, Complex* out, const KernelTable& kernel,
                           const SpectrumGeometry& geometry) const noexcept;
    // addToSpectrumWide() on the four groups of state at indices, in turn, their placements
    // worked out together.
    static void addFourToSpectrumWide(VectorWidth width, const PartialGroupState& state,
                                      const std::size_t* indices, Complex* out,
                                      const KernelTable& kernel,
                                      const SpectrumGeometry& geometry) noexcept;
    // addFourToSpectrumWide() on two batches of `count` groups each (a multiple of four) into
    // two distinct spectra (the two channels'), their lanes taking turns: each spectrum gets
    // the same sums in the same order.
    static void addToBothSpectraWide(VectorWidth width, const SynthesisBatch& a,
                                     const SynthesisBatch& b, std::size_t count,
                                     const KernelTable& kernel,
                                     const SpectrumGeometry& geometry) noexcept;

    // ---- control rate ---------------------------------------------------------------------
    // Harmonic and unison index of each lane.
    void layOut(vec4 harmonics, vec4 unison) noexcept;
    // Ratios from stretch S and unison spread D, then frequencies at the current fundamental.
    void computeRatios(vec4 stretch, vec4 spread) noexcept;
    // New fundamental omega0 (radians per hop); ratios kept.
    void setFundamental(vec4 omega0) noexcept;
    // Per-hop release of four harmonic indices from the base factor g and the damping H and L.
    static vec4 retentionFor(vec4 harmonic, float baseFactor, vec4 hfDamp, vec4 lfDamp) noexcept;
    // Stores a retention computed elsewhere (it is also the Granular release factor).
    void setRetention(vec4 retention) noexcept { this->retention() = retention; }
    void refreshExcite() noexcept;
    void setHarmonicLimit(float limit) noexcept;
    void setVoiceActive(bool active) noexcept;
    // New start phases from one draw, then the modulator of mode.
    void selectMode(ModMode mode) noexcept;
    // New start phases from one draw (modulator unchanged).
    void drawPhases() noexcept;
    // Silence: level 0 and a start phase of -pi + 2 pi u from one draw.
    void silence() noexcept;
    void setModRate(float rate) noexcept;
    // The same with the Wander and Granular timing already worked out for this rate.
    void setModRate(float rate, const WanderState::Timing& wander,
                    const GranularTiming& granular) noexcept;
    void setPitchDepth(vec4 depth) noexcept { pitchDepth() = depth; }

    // Modulator entry points, bound into mModulator.
    ModOut modulateChorus() noexcept { return mChorus.next(); }
    ModOut modulateWander() noexcept { return mWander.next(); }
    ModOut modulateGranular() noexcept;

    // Lanes that take part this hop: below the harmonic limit and inside 20 Hz..20 kHz.
    vec4 activeLanes() const noexcept;

    // The group's fields in the state's arrays, read freely and written through the operations
    // above (tests may set them directly to place a partial). The group is a view, as a span
    // is: a const group still names writable state.
    PartialGroupState& state() const noexcept { return *mpState; }
    std::size_t index() const noexcept { return mIndex; }
    vec4& harmonic() const noexcept { return mpState->harmonic[mIndex]; }
    vec4& harmonicLimit() const noexcept { return mpState->harmonicLimit[mIndex]; }
    vec4& minOmega() const noexcept { return mpState->minOmega[mIndex]; }
    vec4& maxOmega() const noexcept { return mpState->maxOmega[mIndex]; }
    vec4& omega() const noexcept { return mpState->omega[mIndex]; }
    vec4& modOmega() const noexcept { return mpState->modOmega[mIndex]; }
    vec4& pitchDepth() const noexcept { return mpState->pitchDepth[mIndex]; }
    vec4& excitation() const noexcept { return mpState->excitation[mIndex]; }
    vec4& level() const noexcept { return mpState->level[mIndex]; }
    vec4& retention() const noexcept { return mpState->retention[mIndex]; }
    vec4& phase() const noexcept { return mpState->phase[mIndex]; }
    vec4& re() const noexcept { return mpState->re[mIndex]; }
    vec4& im() const noexcept { return mpState->im[mIndex]; }
    bool& excite() const noexcept { return mpState->excite[mIndex]; }
    bool& audible() const noexcept { return mpState->audible[mIndex]; }

    // What stays with the group object: its side, the modulator and its own states, and the
    // control-rate values the frequencies are made from.
    std::uint8_t mSide;
    bool mVoiceActive = true;
    Modulator mModulator;
    PartialRandom* mpRng;
    vec4 mHopRate;
    vec4 mUnison{0.0f};
    vec4 mFundamental{1.0f};
    vec4 mRatio{1.0f};
    ChorusState mChorus;
    WanderState mWander;

private:
    // What the public calls above do, for update() to have inline.
    ModOut modulate() noexcept; // mModulator(), the group's own modulators called directly
    ModOut granularStep() noexcept;
    vec4 lanesTakingPart() const noexcept;
    vec4 excitationAt(const BinMagnitudes& in, vec4 shiftRatio,
                      const SpectrumGeometry& geometry) const noexcept;
    void advanceOscillator(vec4 amplitude) noexcept;
    vec4 randomPhase() noexcept;
    void updateChorusRate() noexcept; // partial Hz from omega, then the Chorus increment
    static void addLanesToSpectrum(const PartialGroupState& state, std::size_t index, Complex* out,
                                   const KernelTable& kernel,
                                   const SpectrumGeometry& geometry) noexcept;
};

// pi / 2 and pi as process-wide read-only vectors, built on first use.
const vec4& halfPiVector() noexcept;
const vec4& piVector() noexcept;

} // namespace quendra::dravel::vantor
