// Where the render loop takes its input from: a stream of interleaved 64-bit float frames with
// a known length, read chunk by chunk (an audio file, or a signal already in memory).
// MemorySource allocates nothing; file sources allocate when opened.
#pragma once

#include "AudioData.h"

#include <algorithm>
#include <cstddef>

namespace quendra::renderer
{

class SampleSource
{
public:
    virtual ~SampleSource() = default;
    virtual double sampleRate() const = 0;
    virtual int channels() const = 0; // 1 or more; the render uses the first two
    virtual std::size_t frames() const = 0;
    // Reads up to `count` frames; returns how many (fewer only at the end). May throw.
    virtual std::size_t read(double* interleaved, std::size_t count) = 0;
};

class MemorySource final : public SampleSource
{
public:
    explicit MemorySource(const AudioData& audio) : mAudio(audio) {}

    double sampleRate() const override { return mAudio.sampleRate; }
    int channels() const override { return mAudio.channels; }
    std::size_t frames() const override { return mAudio.frames(); }

    std::size_t read(double* interleaved, std::size_t count) override
    {
        const std::size_t n = std::min(count, mAudio.frames() - mPosition);
        const auto first = mAudio.samples.begin() + mPosition * mAudio.channels;
        std::copy(first, first + n * mAudio.channels, interleaved);
        mPosition += n;
        return n;
    }

private:
    const AudioData& mAudio;
    std::size_t mPosition = 0;
};

} // namespace quendra::renderer
