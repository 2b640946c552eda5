// The arithmetic of a partial group's hop, written once for every lane pack: update() and
// addToSpectrum() run it on vec4 (one group), the wide kernels on packs of two or four groups
// (group i in lanes 4i .. 4i + 3). No include guard: included into the namespace of each
// backend, under its instruction set (PartialGroupWide.h for vec4, PartialGroupBackend.inl for
// the wide packs). Expects the pack's primitives, floor(), ceil() and
// sinPoly() in scope, and kPi, kTwoPi.

// The lanes that take part this hop: below the harmonic limit and inside 20 Hz .. 20 kHz.
template <LanePack P>
[[gnu::always_inline]] inline auto takingPart(P harmonic, P harmonicLimit, P minOmega, P maxOmega,
                                              P omega) noexcept
{
    return (harmonic < harmonicLimit) & (minOmega <= omega) & (omega <= maxOmega);
}

// Where each lane listens: its unmodulated frequency omega, shifted, as a bin position p,
// set to 0 outside bins [0, 511] (inside clear there), and p's fraction above its bin.
template <LanePack P>
struct ListeningPlace
{
    decltype(P(0.0f) < P(0.0f)) inside;
    P position;
    P fraction;
};

template <LanePack P>
[[gnu::always_inline]] inline ListeningPlace<P> listeningPlace(P omega, P scale, P shift) noexcept
{
    const P position = omega * scale * shift;
    const auto inside = (position >= P(0.0f)) & (position <= P(511.0f));
    const P p = keepWhere(inside, position);
    return {inside, p, p - truncateToInt(p)};
}

// The input magnitude between a lane's bin (lower) and the next (upper); 0 outside `where`.
template <LanePack P, typename Mask>
[[gnu::always_inline]] inline P excitationBetween(Mask where, P lower, P upper, P fraction) noexcept
{
    return keepWhere(where, upper * fraction + lower * (P(1.0f) - fraction));
}

// The frequency after the modulator's pitch, scaled by the depth.
template <LanePack P>
[[gnu::always_inline]] inline P modulatedOmega(P omega, P pitch, P depth) noexcept
{
    return omega * (P(1.0f) + pitch * depth);
}

// Instant attack, release by the retention per hop, 0 in lanes not taking part. A non-finite
// level left by a hop that read infinite or NaN bins counts as 0 (x - x is 0 only for finite
// x), so the next clean hop starts again from its input instead of holding the level for ever.
template <LanePack P, typename Mask>
[[gnu::always_inline]] inline P levelAfter(P level, P excitation, P retention, Mask active) noexcept
{
    const P previous = keepWhere(level - level == P(0.0f), level);
    const P released = (P(1.0f) - retention) * excitation + retention * previous;
    return keepWhere(active, select(excitation < previous, released, excitation));
}

// The oscillator's complex amplitude (amplitude times e^(i phase)) and its next phase.
template <LanePack P>
struct OscillatorStep
{
    P re;
    P im;
    P phase;
};

template <LanePack P>
[[gnu::always_inline]] inline OscillatorStep<P> oscillatorAfter(P phase, P modOmega,
                                                                P amplitude) noexcept
{
    const P halfPi(1.5707964f);
    const P pi(kPi);
    const P re = amplitude * sinPoly(halfPi - abs(phase));
    const P im = amplitude * sinPoly(halfPi - abs(pi - abs(phase + halfPi)));
    const P y = (phase + modOmega) / P(kTwoPi) + P(0.5f);
    return {re, im, (y - floor(y) - P(0.5f)) * P(kTwoPi)};
}

// Where each lane lands in the spectrum: its bin position x (inRange where its taps can reach
// the spectrum: a lane beyond these bounds has every tap above bin 512, or would fold past
// it, and so has a non-finite one), the ceiling c of x, and the quarter-bin offset t with the
// fraction f between two table entries.
template <LanePack P>
struct SpectrumPlace
{
    decltype(P(0.0f) < P(0.0f)) inRange;
    P c;
    P t;
    P f;
};

template <LanePack P>
[[gnu::always_inline]] inline SpectrumPlace<P> spectrumPlace(P modOmega, P fftSize, P hop) noexcept
{
    const P x = modOmega * fftSize / (P(kTwoPi) * hop);
    const P c = ceil(x);
    const P q = P(4.0f) * (c - x);
    const P t = floor(q);
    return {(x > P(-508.0f)) & (x <= P(516.0f)), c, t, q - t};
}
