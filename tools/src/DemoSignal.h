// The built-in demo input: eight seconds of stereo audio synthesised in code (a drum
// pattern, a plucked phrase and noise bursts), the same on every run. Allocates the result.
#pragma once

#include "AudioData.h"

namespace quendra::renderer
{

inline constexpr double kDemoSampleRate = 48000.0;

AudioData makeDemoSignal(double sampleRate = kDemoSampleRate);

} // namespace quendra::renderer
