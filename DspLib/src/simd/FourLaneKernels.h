// The kernels on vec4, for the four-lane backend and for the callers that work a pack of four
// lanes at a time themselves.
#pragma once

#include "quendra/dsp/simd/KernelBackend.h"

#include "quendra/dsp/simd/Vec4.h"

namespace quendra::dravel::vantor::fourlanes
{
#include "LimiterKernels.inl"
#include "SpectrumKernels.inl"
} // namespace quendra::dravel::vantor::fourlanes
