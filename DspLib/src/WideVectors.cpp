#include "quendra/dsp/simd/WideVectors.h"

#include <atomic>

namespace quendra::dravel::vantor
{

namespace
{
std::atomic<bool>& allowed() noexcept
{
    static std::atomic<bool> value{true};
    return value;
}
} // namespace

bool wideVectorsAvailable() noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    static const bool hasAvx512 = []
    {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0;
    }();
    return hasAvx512 && allowed().load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void allowWideVectors(bool allow) noexcept
{
    allowed().store(allow, std::memory_order_relaxed);
}

} // namespace quendra::dravel::vantor
