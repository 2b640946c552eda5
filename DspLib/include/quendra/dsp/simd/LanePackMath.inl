// The arithmetic built on a lane pack's primitives, written once for every pack (vec4 and the
// wider packs of the x86-64 backends). No include guard: a backend includes it inside its own
// namespace, under its own instruction set, so that each instruction set has its own copy of
// these templates. Every function gives, lane for lane, the bits of every other pack's.
// Expects approximation:: (Approximations.h) and the LanePack concept in scope.

// Floor from truncation toward zero, less 1 where the truncated value exceeds x. A lane whose
// magnitude is 2^23 or more is already whole and passes unchanged. A pack with a rounding
// instruction gives the same bits through it.
template <LanePack P>
[[gnu::always_inline]] inline P floor(P x) noexcept
{
    if constexpr (requires { roundedDown(x); })
        return roundedDown(x);
    else
    {
        const P t = truncateToInt(x);
        const P f = t - keepWhere(t > x, P(1.0f));
        return select(abs(x) < P(8388608.0f), f, x);
    }
}

// Ceil from truncation toward zero, plus 1 where the truncated value is below x.
template <LanePack P>
[[gnu::always_inline]] inline P ceil(P x) noexcept
{
    if constexpr (requires { roundedUp(x); })
        return roundedUp(x);
    else
    {
        const P t = truncateToInt(x);
        const P c = t + keepWhere(t < x, P(1.0f));
        return select(abs(x) < P(8388608.0f), c, x);
    }
}

// Odd polynomial sine, accurate on [-pi/2, pi/2], as separate multiplies and adds.
template <LanePack P>
[[gnu::always_inline]] inline P sinPoly(P x) noexcept
{
    using approximation::kSine;
    const P x2 = x * x;
    P p = x2 * P(kSine[3]) + P(kSine[2]);
    p = x2 * p + P(kSine[1]);
    p = x2 * p + P(kSine[0]);
    return x * p;
}

// t = x + 127 clamped to [0, 255], split into its whole part i and fraction f: 2^x is the
// quartic in f times 2^(i - 127) built from the exponent bits.
template <LanePack P>
struct Exp2Parts
{
    P fraction;
    P power;
};

template <LanePack P>
[[gnu::always_inline]] inline Exp2Parts<P> exp2Parts(P x) noexcept
{
    const P t = clamp(x + P(127.0f), P(0.0f), P(255.0f));
    return {t - truncateToInt(t), bitsToFloat(shiftLeft<23>(truncateToWord(t)))};
}

// 2^x per lane, the quartic evaluated as separate multiplies and adds.
template <LanePack P>
[[gnu::always_inline]] inline P fastExp2(P x) noexcept
{
    using approximation::kExp2;
    const Exp2Parts<P> e = exp2Parts(x);
    const P f = e.fraction;
    P p = f * P(kExp2[4]) + P(kExp2[3]);
    p = f * p + P(kExp2[2]);
    p = f * p + P(kExp2[1]);
    p = f * p + P(kExp2[0]);
    return p * e.power;
}

// 2^x per lane, the quartic in fused multiply-adds (the bits of the scalar fastExp2).
template <LanePack P>
[[gnu::always_inline]] inline P fusedExp2(P x) noexcept
{
    using approximation::kExp2;
    const Exp2Parts<P> e = exp2Parts(x);
    const P f = e.fraction;
    P p = fusedMultiplyAdd(f, P(kExp2[4]), P(kExp2[3]));
    p = fusedMultiplyAdd(f, p, P(kExp2[2]));
    p = fusedMultiplyAdd(f, p, P(kExp2[1]));
    p = fusedMultiplyAdd(f, p, P(kExp2[0]));
    return p * e.power;
}

// log2 from the float's bits: exponent e plus a rational fit of log2(1 + u) for the mantissa
// 1 + u in [1, 2). Works on the bit pattern, so inf and NaN give finite values.
template <LanePack P>
[[gnu::always_inline]] inline P fusedLog2(P x) noexcept
{
    using approximation::kLog2;
    using Words = decltype(floatToBits(x));
    const Words bits = floatToBits(x);
    // The exponent field (0..255) becomes a float through the 2^23 bit trick.
    const P field =
        bitsToFloat((shiftRight<23>(bits) & Words(0xffu)) | Words(0x4b000000u)) - P(8388608.0f);
    const P exponent = field - P(127.0f);
    const P mantissa = bitsToFloat((bits & Words(0x007fffffu)) | Words(0x3f800000u));
    const P u = mantissa - P(1.0f);
    P p = fusedMultiplyAdd(u, P(kLog2[2]), P(kLog2[1]));
    p = fusedMultiplyAdd(p, u, P(kLog2[0]));
    return exponent + u * p / (u + P(kLog2[3]));
}

// |re + i im| per lane, the value of hypotf: the sum of squares formed in double precision
// (exact products), one square root, one rounding to float. An infinite part gives +inf even
// when the other part is NaN.
template <LanePack P>
[[gnu::always_inline]] inline P magnitude(P re, P im) noexcept
{
    const P inf(std::numeric_limits<float>::infinity());
    const auto infinite = (abs(re) == inf) | (abs(im) == inf);
    return select(infinite, inf, magnitudeFinite(re, im));
}
