// The processor's sticky floating-point flags that record work on subnormal numbers: a
// subnormal operand (x86 DE, arm64 IDC) or a result that underflowed into the subnormal range
// (x86 UE, arm64 UFC). Those operations are the slow ones; under flush-to-zero and
// denormals-are-zero they do not happen, so a plugin that sets that mode (and restores the
// host's afterwards) leaves the flags as it found them.
#pragma once

#include <cstdint>

#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace sorvell::conformance
{

// False where this processor's flags are not read.
constexpr bool kSubnormalFlagsReadable =
#if defined(__x86_64__) || defined(__aarch64__)
    true;
#else
    false;
#endif

inline void clearSubnormalFlags() noexcept
{
#if defined(__x86_64__)
    _mm_setcsr(_mm_getcsr() & ~0x3Fu); // every sticky exception flag
#elif defined(__aarch64__)
    std::uint64_t fpsr;
    __asm__ __volatile__("mrs %0, fpsr" : "=r"(fpsr));
    fpsr &= ~std::uint64_t{0x9F};
    __asm__ __volatile__("msr fpsr, %0" : : "r"(fpsr));
#endif
}

inline bool subnormalFlagsRaised() noexcept
{
#if defined(__x86_64__)
    return (_mm_getcsr() & (_MM_EXCEPT_DENORM | _MM_EXCEPT_UNDERFLOW)) != 0;
#elif defined(__aarch64__)
    std::uint64_t fpsr;
    __asm__ __volatile__("mrs %0, fpsr" : "=r"(fpsr));
    return (fpsr & ((1u << 7) | (1u << 3))) != 0;
#else
    return false;
#endif
}

} // namespace sorvell::conformance
