#include "quendra/dsp/simd/WideVectors.h"

#include <algorithm>
#include <atomic>

namespace quendra::dravel::vantor
{

namespace
{
std::atomic<VectorWidth>& limit() noexcept
{
    static std::atomic<VectorWidth> value{VectorWidth::Bits512};
    return value;
}
} // namespace

VectorWidth processorVectorWidth() noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    static const VectorWidth width = []
    {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            return VectorWidth::Bits512;
        // The 256-bit paths fuse exactly where the four-lane ones do, with the FMA instruction.
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
            return VectorWidth::Bits256;
        return VectorWidth::FourLanes;
    }();
    return width;
#else
    return VectorWidth::FourLanes;
#endif
}

VectorWidth currentVectorWidth() noexcept
{
    return std::min(processorVectorWidth(), limit().load(std::memory_order_relaxed));
}

void limitVectorWidth(VectorWidth widest) noexcept
{
    limit().store(widest, std::memory_order_relaxed);
}

} // namespace quendra::dravel::vantor
