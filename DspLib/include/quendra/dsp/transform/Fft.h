// Real single-precision FFT of a power-of-two length N, out of place.
//   forward: N floats -> N/2 + 1 complex bins, X[k] = sum x[n] e^(-2 pi i k n / N), no scaling.
//   inverse: N/2 + 1 bins -> N floats, includes the 1/N scaling (forward then inverse is the
//            identity); the imaginary parts of bin 0 and bin N/2 are ignored; the caller's
//            spectrum is left untouched.
// Construction allocates (plans and aligned work buffers) and is fatal on failure; the
// transform calls allocate nothing and lock nothing. One object serves one call at a time.
#pragma once

#include "quendra/dsp/FrameGeometry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quendra::dravel::vantor
{

// False for 0; otherwise true when exactly one bit is set.
constexpr bool isPowerOfTwo(std::uint64_t size) noexcept
{
    return size != 0 && (size & (size - 1)) == 0;
}

class FftwTransform;

class Fft
{
public:
    static constexpr std::uint64_t kMinimumFftSize = 16;

    Fft() = default; // empty; assign a created object before use
    explicit Fft(std::uint64_t size);

    void forward(const float* source, Complex* destination) noexcept;
    void inverse(const Complex* source, float* destination) noexcept;

    std::uint64_t size() const noexcept { return mSize; }

    // How the transforms are computed on this processor (the backend's own account of its
    // plans), for telling whether two machines compute the same bits. Allocates.
    std::string planDescription() const;

private:
    using Deleter = void (*)(FftwTransform*) noexcept;

    std::unique_ptr<FftwTransform, Deleter> mpFft{nullptr, nullptr};
    std::uint64_t mSize = 0;
};

} // namespace quendra::dravel::vantor
