// Test signals and level measurement shared by the hardening tests: a two-tone stereo test
// input, bursts of non-finite samples, and the RMS level of a stretch of stereo output.
#pragma once

#include <quendra/dsp/Vantor.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace sorvell::hardening
{

using quendra::dravel::vantor::StereoFrame;

enum class Burst
{
    NaN,      // NaN on both channels
    PlusInf,  // +infinity on both
    MinusInf, // -infinity on both
    NaNLeft,  // NaN on the left channel only
    InfRight  // +infinity on the right channel only
};

// Sample n of a steady stereo test input: two tones per channel, different per channel.
inline StereoFrame testTone(int n)
{
    const auto t = static_cast<float>(n);
    return {0.3f * std::sin(0.0577f * t) + 0.1f * std::sin(0.213f * t),
            0.25f * std::sin(0.0391f * t) + 0.1f * std::sin(0.171f * t)};
}

inline StereoFrame burstSample(Burst burst, StereoFrame clean)
{
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    switch (burst)
    {
    case Burst::NaN:
        return {nan, nan};
    case Burst::PlusInf:
        return {inf, inf};
    case Burst::MinusInf:
        return {-inf, -inf};
    case Burst::NaNLeft:
        return {nan, clean.right};
    case Burst::InfRight:
        return {clean.left, inf};
    }
    return clean;
}

struct StereoLevel
{
    double left;
    double right;
};

// RMS of frames [first, end).
inline StereoLevel levelOf(const std::vector<StereoFrame>& frames, std::size_t first,
                           std::size_t end)
{
    double left = 0.0;
    double right = 0.0;
    for (std::size_t i = first; i < end; ++i)
    {
        left += static_cast<double>(frames[i].left) * frames[i].left;
        right += static_cast<double>(frames[i].right) * frames[i].right;
    }
    const auto count = static_cast<double>(end - first);
    return {std::sqrt(left / count), std::sqrt(right / count)};
}

} // namespace sorvell::hardening
