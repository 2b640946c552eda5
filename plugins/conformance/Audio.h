// Stereo signals for the checks: deterministic test inputs and the measurements made on
// the plugin's output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvell::conformance
{

struct Stereo
{
    std::vector<float> left;
    std::vector<float> right;

    Stereo() = default;
    explicit Stereo(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    bool operator==(const Stereo&) const = default;
};

// Uniform white noise in [-amplitude, amplitude], the same for a seed on every run.
Stereo noise(size_t frames, float amplitude, uint32_t seed);
// A unit impulse at one frame on both channels.
Stereo impulse(size_t frames, size_t at);

struct Health
{
    bool finite = true;
    bool subnormal = false;
    float peak = 0.0f;
    size_t firstBad = 0; // frame of the first non-finite or subnormal sample
};

// Checks frames [begin, end) of both channels.
Health health(const Stereo& signal, size_t begin, size_t end);
std::string describe(const Health& health);

double rms(const Stereo& signal, size_t begin, size_t end);
// Frame of the largest magnitude on the left channel.
size_t peakFrame(const Stereo& signal);
// First frame where the two signals differ in any bit, or frames() when identical.
size_t firstDifference(const Stereo& a, const Stereo& b);
// Frequency of the strongest spectral peak of the left channel in a window, between two
// bounds, refined between bins.
double spectralPeak(const Stereo& signal, size_t begin, size_t length, double sampleRate,
                    double lowest, double highest);

} // namespace sorvell::conformance
