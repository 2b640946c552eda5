// Scoped flush-to-zero / denormals-are-zero mode for the audio thread: set on construction,
// the caller's mode restored on destruction. MXCSR on x86-64, FPCR on arm64, nothing elsewhere.
// No allocation, no lock.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace brindle::quendra
{

class denormal_guard
{
public:
    denormal_guard() noexcept
    {
#if defined(__x86_64__) || defined(_M_X64)
        mSaved = _mm_getcsr();
        _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero);
#elif defined(__aarch64__)
        std::uint64_t fpcr;
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
        mSaved = fpcr;
        fpcr |= kFlushToZero;
        __asm__ __volatile__("msr fpcr, %0" : : "r"(fpcr));
#endif
    }

    ~denormal_guard()
    {
#if defined(__x86_64__) || defined(_M_X64)
        _mm_setcsr(static_cast<unsigned>(mSaved));
#elif defined(__aarch64__)
        __asm__ __volatile__("msr fpcr, %0" : : "r"(mSaved));
#endif
    }

    denormal_guard(const denormal_guard&) = delete;
    denormal_guard& operator=(const denormal_guard&) = delete;

private:
#if defined(__x86_64__) || defined(_M_X64)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
#elif defined(__aarch64__)
    static constexpr std::uint64_t kFlushToZero = std::uint64_t{1} << 24;
#endif
    [[maybe_unused]] std::uint64_t mSaved = 0; // unused where there is no mode to save
};

} // namespace brindle::quendra
