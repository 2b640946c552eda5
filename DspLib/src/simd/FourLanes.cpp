// The four-lane backend: the kernels on vec4, in the build's baseline instruction set.
#include "FourLaneKernels.h"

namespace quendra::dravel::vantor
{
namespace fourlanes
{
const KernelBackend kBackend = {
    &binMagnitudesOf<vec4>,
    &limiterTargetsOf<vec4>,
    &limiterGainsOf<vec4>,
};
} // namespace fourlanes

const KernelBackend& kernelBackend(VectorWidth width) noexcept
{
#if defined(QUENDRA_WIDE_VECTORS)
    if (width != VectorWidth::FourLanes)
        return avx2::kBackend;
#endif
    (void)width;
    return fourlanes::kBackend;
}

} // namespace quendra::dravel::vantor
