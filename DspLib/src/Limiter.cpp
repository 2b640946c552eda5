#include "quendra/dsp/Limiter.h"

#include "quendra/dsp/FastExp2.h"
#include "quendra/dsp/simd/WideVectors.h"

#include <limits>

#if defined(QUENDRA_WIDE_VECTORS)
#include <immintrin.h>
#endif

namespace quendra::dravel::vantor
{

namespace
{

// log2 from the float's bits: exponent e plus a rational fit of log2(1 + u) for the
// mantissa 1 + u in [1, 2). Works on the bit pattern, so inf and NaN give finite values.
vec4 log2Approx(vec4 x) noexcept
{
    const vec4u bits = floatToBits(x);
    // The exponent field (0..255) becomes a float through the 2^23 bit trick.
    const vec4 field =
        bitsToFloat((shiftRight<23>(bits) & vec4u(0xffu)) | vec4u(0x4b000000u)) - vec4(8388608.0f);
    const vec4 exponent = field - vec4(127.0f);
    const vec4 mantissa = bitsToFloat((bits & vec4u(0x007fffffu)) | vec4u(0x3f800000u));
    const vec4 u = mantissa - vec4(1.0f);
    vec4 p = fusedMultiplyAdd(u, vec4(-0.038423624f), vec4(0.3883265f));
    p = fusedMultiplyAdd(p, u, vec4(2.1196218f));
    return exponent + u * p / (u + vec4(1.4695246f));
}

// 2^x with the same construction as fastExp2, the quartic in fused multiply-adds.
vec4 exp2Approx(vec4 x) noexcept
{
    const vec4 t = clamp(x + vec4(127.0f), vec4(0.0f), vec4(255.0f));
    const vec4u i = truncateToWord(t);
    const vec4 f = t - truncateToInt(t);
    vec4 p = fusedMultiplyAdd(f, vec4(0.013487903f), vec4(0.0521745f));
    p = fusedMultiplyAdd(f, p, vec4(0.24128748f));
    p = fusedMultiplyAdd(f, p, vec4(0.6930501f));
    p = fusedMultiplyAdd(f, p, vec4(1.0f));
    return p * bitsToFloat(shiftLeft<23>(i));
}

#if defined(QUENDRA_WIDE_VECTORS)
// The same functions sixteen lanes (eight frames) wide, operation for operation.
constexpr __mmask16 kAll = 0xffff;

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 splat(float v) noexcept
{
    return _mm512_set1_ps(v);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 wideLanes(vec4 v) noexcept
{
    return _mm512_maskz_broadcast_f32x4(kAll, v.v);
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 log2Approx16(__m512 x) noexcept
{
    const __m512i bits = _mm512_castps_si512(x);
    const __m512 field = _mm512_sub_ps(
        _mm512_castsi512_ps(_mm512_or_si512(
            _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, bits, 23), _mm512_set1_epi32(0xff)),
            _mm512_set1_epi32(0x4b000000))),
        splat(8388608.0f));
    const __m512 exponent = _mm512_sub_ps(field, splat(127.0f));
    const __m512 mantissa = _mm512_castsi512_ps(_mm512_or_si512(
        _mm512_and_si512(bits, _mm512_set1_epi32(0x007fffff)), _mm512_set1_epi32(0x3f800000)));
    const __m512 u = _mm512_sub_ps(mantissa, splat(1.0f));
    __m512 p = _mm512_fmadd_ps(u, splat(-0.038423624f), splat(0.3883265f));
    p = _mm512_fmadd_ps(p, u, splat(2.1196218f));
    return _mm512_add_ps(exponent,
                         _mm512_div_ps(_mm512_mul_ps(u, p), _mm512_add_ps(u, splat(1.4695246f))));
}

[[gnu::target("avx512f"), gnu::always_inline]] inline __m512 exp2Approx16(__m512 x) noexcept
{
    const __m512 t = _mm512_maskz_min_ps(
        kAll, _mm512_maskz_max_ps(kAll, _mm512_add_ps(x, splat(127.0f)), splat(0.0f)),
        splat(255.0f));
    const __m512i i = _mm512_maskz_cvttps_epi32(kAll, t);
    const __m512 f = _mm512_sub_ps(t, _mm512_maskz_cvtepi32_ps(kAll, i));
    __m512 p = _mm512_fmadd_ps(f, splat(0.013487903f), splat(0.0521745f));
    p = _mm512_fmadd_ps(f, p, splat(0.24128748f));
    p = _mm512_fmadd_ps(f, p, splat(0.6930501f));
    p = _mm512_fmadd_ps(f, p, splat(1.0f));
    return _mm512_mul_ps(p, _mm512_castsi512_ps(_mm512_maskz_slli_epi32(kAll, i, 23)));
}

// Eight lanes (four frames) wide, operation for operation; the fused multiply-adds where the
// four-lane functions have them.
[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 splat8(float v) noexcept
{
    return _mm256_set1_ps(v);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 lanes8(vec4 v) noexcept
{
    return _mm256_set_m128(v.v, v.v);
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 log2Approx8(__m256 x) noexcept
{
    const __m256i bits = _mm256_castps_si256(x);
    const __m256 field =
        _mm256_sub_ps(_mm256_castsi256_ps(_mm256_or_si256(
                          _mm256_and_si256(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(0xff)),
                          _mm256_set1_epi32(0x4b000000))),
                      splat8(8388608.0f));
    const __m256 exponent = _mm256_sub_ps(field, splat8(127.0f));
    const __m256 mantissa = _mm256_castsi256_ps(_mm256_or_si256(
        _mm256_and_si256(bits, _mm256_set1_epi32(0x007fffff)), _mm256_set1_epi32(0x3f800000)));
    const __m256 u = _mm256_sub_ps(mantissa, splat8(1.0f));
    __m256 p = _mm256_fmadd_ps(u, splat8(-0.038423624f), splat8(0.3883265f));
    p = _mm256_fmadd_ps(p, u, splat8(2.1196218f));
    return _mm256_add_ps(exponent,
                         _mm256_div_ps(_mm256_mul_ps(u, p), _mm256_add_ps(u, splat8(1.4695246f))));
}

[[gnu::target("avx2,fma"), gnu::always_inline]] inline __m256 exp2Approx8(__m256 x) noexcept
{
    const __m256 t = _mm256_min_ps(_mm256_max_ps(_mm256_add_ps(x, splat8(127.0f)), splat8(0.0f)),
                                   splat8(255.0f));
    const __m256i i = _mm256_cvttps_epi32(t);
    const __m256 f = _mm256_sub_ps(t, _mm256_cvtepi32_ps(i));
    __m256 p = _mm256_fmadd_ps(f, splat8(0.013487903f), splat8(0.0521745f));
    p = _mm256_fmadd_ps(f, p, splat8(0.24128748f));
    p = _mm256_fmadd_ps(f, p, splat8(0.6930501f));
    p = _mm256_fmadd_ps(f, p, splat8(1.0f));
    return _mm256_mul_ps(p, _mm256_castsi256_ps(_mm256_slli_epi32(i, 23)));
}
#endif

float timeCoefficient(float time, float sampleRate) noexcept
{
    float samples = time * sampleRate;
    if (samples < 1e-6f)
    {
        samples = 1e-6f;
    }
    const float exponent = -(1.0f / samples) * 1.442695f; // log2(e)
    return 1.0f - fastExp2(exponent);
}

} // namespace

void Limiter::setup(float sampleRate) noexcept
{
    mSampleRate = {sampleRate, sampleRate};
    mThreshold = {0.0f, 0.0f};
    mSlope = {1e-6f, 1e-6f};
    mAttackTime = {0.001f, 0.001f};
    mReleaseTime = {0.25f, 0.25f};
    mAttackCoefficient = coefficient(mAttackTime, mSampleRate);
    mReleaseCoefficient = coefficient(mReleaseTime, mSampleRate);
    mOutputGain = {1.0f, 1.0f};
    mSmoothedGain = vec4(0.0f);
    const auto lanes = [](StereoFrame pair)
    { return vec4(pair.left, pair.right, pair.left, pair.right); };
    mLanes = {lanes(mThreshold), lanes(mSlope), lanes(mAttackCoefficient),
              lanes(mReleaseCoefficient), lanes(mOutputGain)};
    mWidth = currentVectorWidth();
}

StereoFrame Limiter::coefficient(StereoFrame time, StereoFrame sampleRate) noexcept
{
    return {timeCoefficient(time.left, sampleRate.left),
            timeCoefficient(time.right, sampleRate.right)};
}

// Target gain change in dB (0 or negative) for the detector levels in `detector`, lanes as
// in Lanes.
[[gnu::always_inline]] inline vec4 Limiter::target(vec4 detector) const noexcept
{
    const vec4 level0 = abs(detector);
    const vec4 floor(1e-6f); // -120 dB: silence does not drive the log to -inf
    const vec4 level = select(level0 < floor, floor, level0);
    const vec4 levelDb = log2Approx(level) * vec4(0.30103f) * vec4(20.0f);
    const vec4 overshoot = levelDb - mLanes.threshold;
    return (mLanes.slope - vec4(1.0f)) * select(overshoot > vec4(0.0f), overshoot, vec4(0.0f));
}

// One step of the one-pole smoothing towards `target`: attack when the gain has to fall.
[[gnu::always_inline]] inline vec4 Limiter::smooth(vec4 gain, vec4 target) const noexcept
{
    const vec4 k = select(gain > target, mLanes.attack, mLanes.release);
    return (vec4(1.0f) - k) * gain + k * target;
}

// signal x the linear gain of `gain` dB x the output gain.
[[gnu::always_inline]] inline vec4 Limiter::apply(vec4 gain, vec4 signal) const noexcept
{
    const vec4 linear = exp2Approx(gain * vec4(0.05f) * vec4(3.321928f)); // dB / 20 x log2(10)
    return linear * mLanes.outputGain * signal;
}

StereoFrame Limiter::process(StereoFrame signal, StereoFrame detector) noexcept
{
    // Lanes 0 and 1 are the left and right channel; lanes 2 and 3 repeat them.
    const vec4 input(signal.left, signal.right, signal.left, signal.right);
    mSmoothedGain = smooth(
        mSmoothedGain, target(vec4(detector.left, detector.right, detector.left, detector.right)));
    alignas(16) float out[4];
    apply(mSmoothedGain, input).store(out);
    return {out[0], out[1]};
}

void Limiter::process(StereoFrame* frames, std::size_t count) noexcept
{
    // Two frames per vector (left, right, left, right): the lanes line up with Lanes.
    static_assert(sizeof(StereoFrame) == 2 * sizeof(float));
    if (count == 0)
        return;
    float* samples = &frames[0].left;
    alignas(64) float targets[2 * kMaxRun + 4];
    alignas(64) float gains[2 * kMaxRun + 4];
    const std::size_t pairs = count / 2 * 2;
    vec4 overshoot(0.0f); // lanes with some target below 0 dB
    std::size_t i = 0;
    if (mWidth != VectorWidth::FourLanes)
    {
        bool pushed = false;
        i = mWidth == VectorWidth::Bits512 ? targets512(samples, targets, count / 8 * 8, pushed)
                                           : targets256(samples, targets, count / 8 * 8, pushed);
        if (pushed)
            overshoot = vec4(0.0f) == vec4(0.0f); // every lane
    }
    for (; i < pairs; i += 2)
    {
        const vec4 t = target(vec4::load(samples + 2 * i));
        overshoot = overshoot | (t != vec4(0.0f));
        t.store(targets + 2 * i);
    }
    if (pairs < count)
    {
        const vec4 t = target(vec4::loadPair(samples + 2 * pairs));
        overshoot = overshoot | (t != vec4(0.0f));
        t.store(targets + 2 * pairs);
    }

    // A settled limiter (gain exactly 0 dB) that nothing pushes stays exactly where it is, and
    // a gain of 0 dB is a linear factor of exactly 1: the run passes through unchanged.
    if (!any(overshoot | (mSmoothedGain != vec4(0.0f))) && all(mLanes.outputGain == vec4(1.0f)))
        return;

    // The only serial part: each frame's gain starts from the one before. Both candidate
    // steps are formed before the comparison picks one, which keeps the chain from one gain
    // to the next short; (1 - k) is the same value whether formed here or in smooth().
    const vec4 keepAttack = vec4(1.0f) - mLanes.attack;
    const vec4 keepRelease = vec4(1.0f) - mLanes.release;
    vec4 gain = mSmoothedGain;
    for (std::size_t i = 0; i < count; ++i)
    {
        const vec4 t = vec4::loadPair(targets + 2 * i);
        const vec4 falling = keepAttack * gain + mLanes.attack * t;
        const vec4 rising = keepRelease * gain + mLanes.release * t;
        gain = select(gain > t, falling, rising);
        gain.storePair(gains + 2 * i);
    }
    mSmoothedGain = gain;

    i = 0;
    if (mWidth == VectorWidth::Bits512)
        i = apply512(samples, gains, count / 8 * 8);
    else if (mWidth == VectorWidth::Bits256)
        i = apply256(samples, gains, count / 8 * 8);
    for (; i < pairs; i += 2)
        apply(vec4::load(gains + 2 * i), vec4::load(samples + 2 * i)).store(samples + 2 * i);
    if (pairs < count)
        apply(vec4::loadPair(gains + 2 * pairs), vec4::loadPair(samples + 2 * pairs))
            .storePair(samples + 2 * pairs);
}

#if defined(QUENDRA_WIDE_VECTORS)
[[gnu::target("avx512f")]] std::size_t Limiter::targets512(const float* samples, float* targets,
                                                           std::size_t frames,
                                                           bool& overshoot) const noexcept
{
    // target() on eight frames at a time.
    const __m512 threshold = wideLanes(mLanes.threshold);
    const __m512 slopeLess1 = _mm512_sub_ps(wideLanes(mLanes.slope), splat(1.0f));
    __mmask16 pushed = 0;
    for (std::size_t i = 0; i < frames; i += 8)
    {
        const __m512 level0 = _mm512_castsi512_ps(
            _mm512_maskz_andnot_epi32(kAll, _mm512_set1_epi32(static_cast<int>(0x80000000u)),
                                      _mm512_castps_si512(_mm512_loadu_ps(samples + 2 * i))));
        const __m512 level = _mm512_mask_blend_ps(
            _mm512_cmp_ps_mask(level0, splat(1e-6f), _CMP_LT_OS), level0, splat(1e-6f));
        const __m512 levelDb =
            _mm512_mul_ps(_mm512_mul_ps(log2Approx16(level), splat(0.30103f)), splat(20.0f));
        const __m512 over = _mm512_sub_ps(levelDb, threshold);
        const __m512 t = _mm512_mul_ps(
            slopeLess1,
            _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(over, splat(0.0f), _CMP_GT_OS), over));
        pushed |= _mm512_cmp_ps_mask(t, splat(0.0f), _CMP_NEQ_UQ);
        _mm512_store_ps(targets + 2 * i, t);
    }
    overshoot = pushed != 0;
    return frames;
}

[[gnu::target("avx512f")]] std::size_t Limiter::apply512(float* samples, const float* gains,
                                                         std::size_t frames) const noexcept
{
    // apply() on eight frames at a time.
    const __m512 outputGain = wideLanes(mLanes.outputGain);
    for (std::size_t i = 0; i < frames; i += 8)
    {
        const __m512 linear = exp2Approx16(_mm512_mul_ps(
            _mm512_mul_ps(_mm512_load_ps(gains + 2 * i), splat(0.05f)), splat(3.321928f)));
        _mm512_storeu_ps(samples + 2 * i, _mm512_mul_ps(_mm512_mul_ps(linear, outputGain),
                                                        _mm512_loadu_ps(samples + 2 * i)));
    }
    return frames;
}

[[gnu::target("avx2,fma")]] std::size_t Limiter::targets256(const float* samples, float* targets,
                                                            std::size_t frames,
                                                            bool& overshoot) const noexcept
{
    // target() on four frames at a time.
    const __m256 threshold = lanes8(mLanes.threshold);
    const __m256 slopeLess1 = _mm256_sub_ps(lanes8(mLanes.slope), splat8(1.0f));
    __m256 pushed = _mm256_setzero_ps();
    for (std::size_t i = 0; i < frames; i += 4)
    {
        const __m256 level0 = _mm256_andnot_ps(splat8(-0.0f), _mm256_loadu_ps(samples + 2 * i));
        const __m256 level = _mm256_blendv_ps(level0, splat8(1e-6f),
                                              _mm256_cmp_ps(level0, splat8(1e-6f), _CMP_LT_OS));
        const __m256 levelDb =
            _mm256_mul_ps(_mm256_mul_ps(log2Approx8(level), splat8(0.30103f)), splat8(20.0f));
        const __m256 over = _mm256_sub_ps(levelDb, threshold);
        const __m256 t = _mm256_mul_ps(
            slopeLess1, _mm256_and_ps(_mm256_cmp_ps(over, splat8(0.0f), _CMP_GT_OS), over));
        pushed = _mm256_or_ps(pushed, _mm256_cmp_ps(t, splat8(0.0f), _CMP_NEQ_UQ));
        _mm256_store_ps(targets + 2 * i, t);
    }
    overshoot = _mm256_movemask_ps(pushed) != 0;
    return frames;
}

[[gnu::target("avx2,fma")]] std::size_t Limiter::apply256(float* samples, const float* gains,
                                                          std::size_t frames) const noexcept
{
    // apply() on four frames at a time.
    const __m256 outputGain = lanes8(mLanes.outputGain);
    for (std::size_t i = 0; i < frames; i += 4)
    {
        const __m256 linear = exp2Approx8(_mm256_mul_ps(
            _mm256_mul_ps(_mm256_load_ps(gains + 2 * i), splat8(0.05f)), splat8(3.321928f)));
        _mm256_storeu_ps(samples + 2 * i, _mm256_mul_ps(_mm256_mul_ps(linear, outputGain),
                                                        _mm256_loadu_ps(samples + 2 * i)));
    }
    return frames;
}
#else
std::size_t Limiter::targets512(const float*, float*, std::size_t, bool&) const noexcept
{
    return 0;
}

std::size_t Limiter::apply512(float*, const float*, std::size_t) const noexcept
{
    return 0;
}

std::size_t Limiter::targets256(const float*, float*, std::size_t, bool&) const noexcept
{
    return 0;
}

std::size_t Limiter::apply256(float*, const float*, std::size_t) const noexcept
{
    return 0;
}
#endif

void Limiter::resetGains() noexcept
{
    mSmoothedGain = vec4(0.0f);
}

void Limiter::flushSubnormalGains() noexcept
{
    const vec4 subnormal = abs(mSmoothedGain) < vec4(std::numeric_limits<float>::min());
    mSmoothedGain = select(subnormal, vec4(0.0f), mSmoothedGain);
}

StereoFrame Limiter::smoothedGain() const noexcept
{
    alignas(16) float gains[4];
    mSmoothedGain.store(gains);
    return {gains[0], gains[1]};
}

} // namespace quendra::dravel::vantor
