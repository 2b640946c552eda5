// Objects that process audio blocks: the sample rate and maximum vector size last given by the
// host, and the per-block perform operation (audio thread: must not allocate, lock or throw).
#pragma once

namespace brindle::korin
{

// One side of a block: channel pointers (64-bit float samples), channel count, frame count.
struct audio_bundle
{
    double** samples = nullptr;
    long channel_count = 0;
    long frame_count = 0;

    double* channel(long index) const { return samples[index]; }
};

class vector_operator_base
{
public:
    virtual ~vector_operator_base() = default;
    virtual void perform(audio_bundle input, audio_bundle output) noexcept = 0;

    double sample_rate() const { return mSampleRate; }
    int vector_size() const { return mVectorSize; }

protected:
    double mSampleRate = 0.0;
    int mVectorSize = 0;
};

template <int options = 0>
class vector_operator : public vector_operator_base
{
};

} // namespace brindle::korin
