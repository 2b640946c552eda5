#include "quendra/dsp/transform/fftw/Fft_fftw.h"

#include "quendra/dsp/Assert.h"
#include "quendra/dsp/transform/Fft.h"

#include <fftw3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>

namespace quendra::dravel::vantor
{

static_assert(sizeof(Complex) == sizeof(fftwf_complex), "a bin must be two packed floats");

namespace
{

// The planner keeps global state: every plan creation and destruction in the process goes
// through this one mutex. Never taken by the transform calls themselves.
std::mutex& plannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

fftwf_complex* asFftw(Complex* bins) noexcept
{
    return reinterpret_cast<fftwf_complex*>(bins);
}

} // namespace

FftwTransform* FftwTransform::create(std::uint64_t size)
{
    QUENDRA_ASSERT(isPowerOfTwo(size) && size <= unsigned(std::numeric_limits<int>::max()));

    auto* transform = new FftwTransform;
    transform->mSize = size;
    transform->mInverseScale = static_cast<float>(1.0 / static_cast<double>(size));
    transform->mpTime =
        static_cast<float*>(allocate(static_cast<std::int64_t>(size * sizeof(float))));
    transform->mpSpectrum = static_cast<Complex*>(
        allocate(static_cast<std::int64_t>((size / 2 + 1) * sizeof(Complex))));

    const int n = static_cast<int>(size);
    {
        std::lock_guard<std::mutex> lock(plannerMutex());
        transform->mpForwardPlan = fftwf_plan_dft_r2c_1d(
            n, transform->mpTime, asFftw(transform->mpSpectrum), FFTW_ESTIMATE);
        transform->mpInversePlan = fftwf_plan_dft_c2r_1d(n, asFftw(transform->mpSpectrum),
                                                         transform->mpTime, FFTW_ESTIMATE);
    }
    QUENDRA_ASSERT(transform->mpForwardPlan != nullptr);
    QUENDRA_ASSERT(transform->mpInversePlan != nullptr);
    return transform;
}

void FftwTransform::destroy(FftwTransform* transform) noexcept
{
    if (transform == nullptr)
    {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(plannerMutex());
        if (transform->mpForwardPlan != nullptr)
        {
            fftwf_destroy_plan(transform->mpForwardPlan);
        }
        if (transform->mpInversePlan != nullptr)
        {
            fftwf_destroy_plan(transform->mpInversePlan);
        }
    }
    fftwf_free(transform->mpTime);
    fftwf_free(transform->mpSpectrum);
    delete transform;
}

std::string FftwTransform::planDescription() const
{
    std::string text;
    std::lock_guard<std::mutex> lock(plannerMutex());
    for (fftwf_plan_s* plan : {mpForwardPlan, mpInversePlan})
    {
        char* printed = fftwf_sprint_plan(plan);
        text += printed != nullptr ? printed : "?";
        text += '\n';
        std::free(printed);
    }
    return text;
}

void* FftwTransform::allocate(std::int64_t size)
{
    QUENDRA_ASSERT(size >= 0);
    void* ptr = size > 0 ? fftwf_malloc(static_cast<std::size_t>(size)) : nullptr;
    QUENDRA_ASSERT(ptr || (size == 0));
    if (ptr != nullptr)
    {
        std::memset(ptr, 0, static_cast<std::size_t>(size));
    }
    return ptr;
}

void FftwTransform::forward(const float* source, Complex* destination) noexcept
{
    // Caller buffers with the alignment of our own run the same plan in place of them: the
    // same codelets on the same data, so the same bits, without the two copies. (An
    // out-of-place real-to-complex transform leaves its input alone.)
    float* in = const_cast<float*>(source);
    fftwf_complex* out = asFftw(destination);
    if (fftwf_alignment_of(in) == fftwf_alignment_of(mpTime) &&
        fftwf_alignment_of(reinterpret_cast<float*>(out)) ==
            fftwf_alignment_of(reinterpret_cast<float*>(mpSpectrum)))
    {
        fftwf_execute_dft_r2c(mpForwardPlan, in, out);
        return;
    }
    std::copy_n(source, mSize, mpTime);
    fftwf_execute_dft_r2c(mpForwardPlan, mpTime, asFftw(mpSpectrum));
    std::copy_n(mpSpectrum, mSize / 2 + 1, destination);
}

void FftwTransform::inverse(const Complex* source, float* destination) noexcept
{
    // c2r overwrites its input, so it runs on our own copy of the spectrum. The imaginary
    // parts of the first and last bin carry no information in a real signal's spectrum.
    const std::uint64_t numBins = mSize / 2 + 1;
    std::copy_n(source, numBins, mpSpectrum);
    mpSpectrum[0].im = 0.0f;
    mpSpectrum[numBins - 1].im = 0.0f;
    // The result goes straight to a caller buffer aligned like our own (as in forward()).
    float* const time =
        fftwf_alignment_of(destination) == fftwf_alignment_of(mpTime) ? destination : mpTime;
    fftwf_execute_dft_c2r(mpInversePlan, asFftw(mpSpectrum), time);
    for (std::uint64_t n = 0; n < mSize; ++n)
    {
        destination[n] = time[n] * mInverseScale;
    }
}

} // namespace quendra::dravel::vantor
