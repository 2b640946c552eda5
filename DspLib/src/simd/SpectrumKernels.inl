// The per-bin computations on a spectrum, written once for every lane pack P. No include
// guard: each backend includes it into its own namespace (see KernelBackend.h).

// |X[k]| for bins 0 .. count - 1 (count a multiple of P::kLanes) of interleaved (re, im) bins.
template <LanePack P>
void binMagnitudesOf(const float* bins, float* magnitudes, std::size_t count) noexcept
{
    for (std::size_t k = 0; k < count; k += P::kLanes)
    {
        P re(0.0f);
        P im(0.0f);
        deinterleave(bins + 2 * k, re, im);
        magnitude(re, im).store(magnitudes + k);
    }
}
