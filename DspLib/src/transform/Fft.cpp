#include "quendra/dsp/transform/Fft.h"

#include "quendra/dsp/Assert.h"
#include "quendra/dsp/transform/fftw/Fft_fftw.h"

namespace quendra::dravel::vantor
{

Fft::Fft(std::uint64_t size)
    : mpFft(FftwTransform::create(size), &FftwTransform::destroy), mSize(size)
{
    QUENDRA_ASSERT(size >= kMinimumFftSize && isPowerOfTwo(size));
    QUENDRA_ASSERT(mpFft);
}

void Fft::forward(const float* source, Complex* destination) noexcept
{
    mpFft->forward(source, destination);
}

void Fft::inverse(const Complex* source, float* destination) noexcept
{
    mpFft->inverse(source, destination);
}

std::string Fft::planDescription() const
{
    return mpFft->planDescription();
}

} // namespace quendra::dravel::vantor
