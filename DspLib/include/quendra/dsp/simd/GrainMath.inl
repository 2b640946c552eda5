// A Granular modulator's hop, written once for every lane pack: the partial group's own update
// runs it on vec4, the wide group update on packs of two or four groups. No include guard:
// included into the namespace of each backend, under its instruction set (GranularTiming.h
// for vec4).

// The countdown to the next grain after a lane fires, from one uniform draw u.
template <LanePack P>
[[gnu::always_inline]] inline P grainInterval(P u, P longInterval, P shortInterval) noexcept
{
    return (P(1.0f) - u) * longInterval + u * shortInterval;
}

// A new grain's pulse sets the envelope; without one it falls by the release per hop.
template <LanePack P>
[[gnu::always_inline]] inline P grainEnvelope(P pulse, P envelope, P release) noexcept
{
    return select(pulse < envelope, (P(1.0f) - release) * pulse + release * envelope, pulse);
}
