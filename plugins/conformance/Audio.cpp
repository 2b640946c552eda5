#include "Audio.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace sorvell::conformance
{

Stereo noise(size_t frames, float amplitude, uint32_t seed)
{
    Stereo out(frames);
    uint32_t state = seed * 2654435761u + 1u;
    auto next = [&]
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 4294967296.0f * 2.0f - 1.0f;
    };
    for (size_t i = 0; i < frames; ++i)
    {
        out.left[i] = amplitude * next();
        out.right[i] = amplitude * next();
    }
    return out;
}

Stereo impulse(size_t frames, size_t at)
{
    Stereo out(frames);
    out.left[at] = 1.0f;
    out.right[at] = 1.0f;
    return out;
}

Health health(const Stereo& signal, size_t begin, size_t end)
{
    Health h;
    end = std::min(end, signal.frames());
    for (size_t i = begin; i < end; ++i)
    {
        for (float x : {signal.left[i], signal.right[i]})
        {
            const bool finite = std::isfinite(x);
            const bool subnormal = std::fpclassify(x) == FP_SUBNORMAL;
            if ((!finite || subnormal) && h.finite && !h.subnormal)
            {
                h.firstBad = i;
            }
            h.finite = h.finite && finite;
            h.subnormal = h.subnormal || subnormal;
            if (finite)
            {
                h.peak = std::max(h.peak, std::fabs(x));
            }
        }
    }
    return h;
}

std::string describe(const Health& h)
{
    std::string text = "peak " + std::to_string(h.peak);
    if (!h.finite)
    {
        text += ", non-finite from frame " + std::to_string(h.firstBad);
    }
    else if (h.subnormal)
    {
        text += ", subnormal at frame " + std::to_string(h.firstBad);
    }
    return text;
}

double rms(const Stereo& signal, size_t begin, size_t end)
{
    end = std::min(end, signal.frames());
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
    {
        sum += double(signal.left[i]) * signal.left[i] + double(signal.right[i]) * signal.right[i];
    }
    return end > begin ? std::sqrt(sum / (2.0 * double(end - begin))) : 0.0;
}

size_t peakFrame(const Stereo& signal)
{
    size_t best = 0;
    for (size_t i = 1; i < signal.frames(); ++i)
    {
        if (std::fabs(signal.left[i]) > std::fabs(signal.left[best]))
        {
            best = i;
        }
    }
    return best;
}

size_t firstDifference(const Stereo& a, const Stereo& b)
{
    const size_t n = std::min(a.frames(), b.frames());
    for (size_t i = 0; i < n; ++i)
    {
        if (std::memcmp(&a.left[i], &b.left[i], sizeof(float)) != 0 ||
            std::memcmp(&a.right[i], &b.right[i], sizeof(float)) != 0)
        {
            return i;
        }
    }
    return a.frames() == b.frames() ? a.frames() : n;
}

double spectralPeak(const Stereo& signal, size_t begin, size_t length, double sampleRate,
                    double lowest, double highest)
{
    std::vector<float> window(length);
    for (size_t i = 0; i < length; ++i)
    {
        const double hann =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(length - 1));
        window[i] = static_cast<float>(hann * signal.left[begin + i]);
    }
    std::vector<fftwf_complex> spectrum(length / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(static_cast<int>(length), window.data(),
                                            spectrum.data(), FFTW_ESTIMATE);
    fftwf_execute(plan);
    fftwf_destroy_plan(plan);
    auto power = [&](size_t bin)
    {
        return std::log(double(spectrum[bin][0]) * spectrum[bin][0] +
                        double(spectrum[bin][1]) * spectrum[bin][1] + 1e-30);
    };
    const double binWidth = sampleRate / double(length);
    const size_t first = std::max<size_t>(1, static_cast<size_t>(lowest / binWidth));
    const size_t last = std::min(spectrum.size() - 2, static_cast<size_t>(highest / binWidth));
    size_t best = first;
    for (size_t bin = first; bin <= last; ++bin)
    {
        if (power(bin) > power(best))
        {
            best = bin;
        }
    }
    // A parabola through the log power of the peak and its neighbours.
    const double a = power(best - 1);
    const double b = power(best);
    const double c = power(best + 1);
    const double denominator = a - 2.0 * b + c;
    const double offset = denominator != 0.0 ? 0.5 * (a - c) / denominator : 0.0;
    return (double(best) + offset) * binWidth;
}

} // namespace sorvell::conformance
