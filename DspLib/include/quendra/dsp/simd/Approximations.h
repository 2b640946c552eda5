// The polynomial approximations of the engine, their coefficients in one place. Every scalar
// and lane-pack form of sine, 2^x and log2 takes its coefficients from here, so that all of
// them give the same bits for the same operations.
#pragma once

namespace quendra::dravel::vantor::approximation
{

// sin(x) on [-pi/2, pi/2]: x (s0 + x^2 (s1 + x^2 (s2 + x^2 s3))).
inline constexpr float kSine[4] = {0.99999833f, -0.16664949f, 0.008304825f, -0.00018284567f};

// 2^f for f in [0, 1): 1 + f (e1 + f (e2 + f (e3 + f e4))), times 2^i from the exponent bits.
inline constexpr float kExp2[5] = {1.0f, 0.6930501f, 0.24128748f, 0.0521745f, 0.013487903f};

// log2(1 + u) for u in [0, 1): u (l0 + u (l1 + u l2)) / (u + l3).
inline constexpr float kLog2[4] = {2.1196218f, 0.3883265f, -0.038423624f, 1.4695246f};

} // namespace quendra::dravel::vantor::approximation
