// PartialGroupState: what a bank's partial groups read and write each hop, as a structure of
// arrays: each field one 64-byte aligned array with four floats (a vec4, one per lane) for
// each group, so that the same field of groups 4k .. 4k + 3 is one aligned 64-byte run and
// the wide kernels load and store it whole. PartialGroup is the per-group view of it.
// Units as in PartialGroup.h; the Granular fields in hops. Allocates nothing itself: a bank
// holds one inside it (about 150 kB), a test makes one on the heap.
#pragma once

#include "quendra/dsp/simd/Vec4.h"

#include <array>
#include <cstddef>

namespace quendra::dravel::vantor
{

static_assert(sizeof(vec4) == 4 * sizeof(float), "a field's array is its groups' floats in a row");

struct PartialGroupState
{
    static constexpr std::size_t kGroupCount = 512;
    template <typename T>
    using PerGroup = std::array<T, kGroupCount>;

    // Which lanes take part: harmonic index, the limit on it, and the audible band.
    alignas(64) PerGroup<vec4> harmonic;
    alignas(64) PerGroup<vec4> harmonicLimit;
    alignas(64) PerGroup<vec4> minOmega;
    alignas(64) PerGroup<vec4> maxOmega;
    // Unmodulated and modulated frequency, radians per hop.
    alignas(64) PerGroup<vec4> omega;
    alignas(64) PerGroup<vec4> modOmega;
    alignas(64) PerGroup<vec4> pitchDepth;
    // The level follower: input magnitude read this hop (0 in a group without a lane taking
    // part), level, per-hop release.
    alignas(64) PerGroup<vec4> excitation;
    alignas(64) PerGroup<vec4> level;
    alignas(64) PerGroup<vec4> retention; // also the Granular envelope's release
    // The oscillator: phase in [-pi, pi) and the complex amplitude it last wrote.
    alignas(64) PerGroup<vec4> phase;
    alignas(64) PerGroup<vec4> re;
    alignas(64) PerGroup<vec4> im;
    // The Granular modulator: hops to the next grain, the grain intervals, and the envelope
    // the grains drive.
    alignas(64) PerGroup<vec4> grainCountdown;
    alignas(64) PerGroup<vec4> grainLongInterval;
    alignas(64) PerGroup<vec4> grainShortInterval;
    alignas(64) PerGroup<vec4> grainEnvelope;
    // Whether a group reads the input at all, and whether its last update left it sounding.
    alignas(64) PerGroup<bool> excite;
    alignas(64) PerGroup<bool> audible;
};

} // namespace quendra::dravel::vantor
