// The real FFT behind Fft, over FFTW3 single precision. Both plans (r2c and c2r) are made
// once, at creation, with FFTW_ESTIMATE and no wisdom, so the same input gives the same
// bits in every run. Plan creation and destruction share one process-wide mutex because
// the planner is not thread-safe. The object owns aligned time and spectrum buffers: the
// transform calls copy through them where a caller buffer is aligned differently from them
// (the inverse always copies its input, which the transform overwrites), so they allocate
// nothing, accept any caller buffers and never overwrite the caller's input.
#pragma once

#include "quendra/dsp/FrameGeometry.h"

#include <cstdint>
#include <string>

struct fftwf_plan_s;

namespace quendra::dravel::vantor
{

class FftwTransform
{
public:
    static FftwTransform* create(std::uint64_t size); // fatal assertion on failure
    static void destroy(FftwTransform* transform) noexcept;

    void forward(const float* source, Complex* destination) noexcept;
    void inverse(const Complex* source, float* destination) noexcept;

    // The planner's printout of both plans: the codelets it chose for this processor.
    std::string planDescription() const;

    FftwTransform(const FftwTransform&) = delete;
    FftwTransform& operator=(const FftwTransform&) = delete;

private:
    FftwTransform() = default;
    ~FftwTransform() = default;

    static void* allocate(std::int64_t size);

    std::uint64_t mSize = 0;
    float mInverseScale = 1.0f;
    float* mpTime = nullptr;       // mSize floats
    Complex* mpSpectrum = nullptr; // mSize / 2 + 1 bins
    fftwf_plan_s* mpForwardPlan = nullptr;
    fftwf_plan_s* mpInversePlan = nullptr;
};

} // namespace quendra::dravel::vantor
