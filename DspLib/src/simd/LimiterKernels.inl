// The limiter's level and gain, written once for every lane pack P. No include guard: each
// backend includes it into its own namespace (see KernelBackend.h). Lanes alternate left and
// right, as the limiter's settings in LimiterLanes do.

// Target gain change in dB (0 or negative) for the detector levels in `detector`.
template <LanePack P>
[[gnu::always_inline]] inline P limiterTarget(P detector, P threshold, P slope) noexcept
{
    const P level0 = abs(detector);
    const P floor(1e-6f); // -120 dB: silence does not drive the log to -inf
    const P level = select(level0 < floor, floor, level0);
    const P levelDb = fusedLog2(level) * P(0.30103f) * P(20.0f); // log10(2) x 20
    const P overshoot = levelDb - threshold;
    return (slope - P(1.0f)) * select(overshoot > P(0.0f), overshoot, P(0.0f));
}

// signal x the linear gain of `gain` dB x the output gain.
template <LanePack P>
[[gnu::always_inline]] inline P limiterApply(P gain, P signal, P outputGain) noexcept
{
    const P linear = fusedExp2(gain * P(0.05f) * P(3.321928f)); // dB / 20 x log2(10)
    return linear * outputGain * signal;
}

// limiterTarget() on the first `count` samples (a multiple of P::kLanes) into targets; tells
// whether some target is not 0.
template <LanePack P>
bool limiterTargetsOf(const float* samples, float* targets, std::size_t count,
                      const LimiterLanes& lanes) noexcept
{
    const P threshold(lanes.threshold);
    const P slope(lanes.slope);
    P pushed(0.0f);
    for (std::size_t i = 0; i < count; i += P::kLanes)
    {
        const P t = limiterTarget(P::load(samples + i), threshold, slope);
        pushed = pushed | (t != P(0.0f));
        t.store(targets + i);
    }
    return any(pushed);
}

// limiterApply() on the first `count` samples (a multiple of P::kLanes), in place.
template <LanePack P>
void limiterGainsOf(float* samples, const float* gains, std::size_t count,
                    const LimiterLanes& lanes) noexcept
{
    const P outputGain(lanes.outputGain);
    for (std::size_t i = 0; i < count; i += P::kLanes)
        limiterApply(P::load(gains + i), P::load(samples + i), outputGain).store(samples + i);
}
