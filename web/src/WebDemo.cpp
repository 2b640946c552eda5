// The renderer's built-in demo input (drums, a plucked phrase, noise bursts), made by the same
// code, for the page's built-in sound.
#include "WebExport.h"

#include "DemoSignal.h"

#include <cstdint>
#include <vector>

namespace
{
std::vector<float>& demoSamples()
{
    static std::vector<float> samples;
    return samples;
}
} // namespace

// Synthesises the demo at sampleRate; returns its frame count. The samples are interleaved
// stereo floats at sorvell_demo_samples().
SORVELL_WEB_EXPORT std::uint32_t sorvell_demo_make(double sampleRate)
{
    const auto demo = quendra::renderer::makeDemoSignal(sampleRate);
    auto& samples = demoSamples();
    samples.resize(demo.frames() * 2);
    for (std::size_t frame = 0; frame < demo.frames(); ++frame)
        for (int channel = 0; channel < 2; ++channel)
            samples[frame * 2 + static_cast<std::size_t>(channel)] =
                static_cast<float>(demo.sample(frame, channel < demo.channels ? channel : 0));
    return static_cast<std::uint32_t>(demo.frames());
}

SORVELL_WEB_EXPORT const float* sorvell_demo_samples()
{
    return demoSamples().data();
}
