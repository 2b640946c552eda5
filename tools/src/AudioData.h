// An audio signal held in memory: interleaved 64-bit float samples, one or two channels.
// Allocates (the sample vector).
#pragma once

#include <cstddef>
#include <vector>

namespace quendra::renderer
{

struct AudioData
{
    double sampleRate = 48000.0;
    int channels = 2;
    std::vector<double> samples; // frame after frame, channel after channel within a frame

    std::size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
    double sample(std::size_t frame, int channel) const
    {
        return samples[frame * channels + channel];
    }
};

} // namespace quendra::renderer
