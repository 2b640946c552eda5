#include "AnalysisFeed.h"

#include <quendra/dsp/Vantor.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quendra::plugin
{

namespace
{
thread_local const AnalysisFeed* tLastConstructed = nullptr;
}

AnalysisFeed::AnalysisFeed() noexcept
{
    tLastConstructed = this;
}

const AnalysisFeed* AnalysisFeed::lastConstructedOnThisThread() noexcept
{
    return tLastConstructed;
}

void AnalysisFeed::setSampleRate(double sampleRate) noexcept
{
    mSampleRate.store(sampleRate, std::memory_order_relaxed);
    // 60 dB down in 1.5 s: log2(10^-3) per 1.5 s of frames.
    mPeakReleasePerFrame = static_cast<float>(-9.965784 / (1.5 * sampleRate));
}

void AnalysisFeed::write(Ring& ring, std::uint64_t start, const float* const* channels,
                         std::uint32_t frames) noexcept
{
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        // Release: a reader that loads this value also sees the claim made before it.
        ring[(start + i) & (kRingSize - 1)].store(0.5f * (channels[0][i] + channels[1][i]),
                                                  std::memory_order_release);
    }
}

void AnalysisFeed::writeInput(const float* const* inputs, std::uint32_t frames) noexcept
{
    const std::uint64_t start = mPublished.load(std::memory_order_relaxed);
    mWriting.store(start + frames, std::memory_order_relaxed);
    write(mInput, start, inputs, frames);
}

void AnalysisFeed::writeOutput(const float* const* outputs, std::uint32_t frames,
                               float gainReductionDb, float fundamentalHz) noexcept
{
    const std::uint64_t start = mPublished.load(std::memory_order_relaxed);
    write(mOutput, start, outputs, frames);

    float blockPeak = 0.0f;
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        blockPeak = std::max({blockPeak, std::abs(outputs[0][i]), std::abs(outputs[1][i])});
    }
    const float released =
        mPeakState * std::exp2(mPeakReleasePerFrame * static_cast<float>(frames));
    mPeakState = std::isfinite(blockPeak) ? std::max(blockPeak, released) : released;
    if (mPeakState < 1e-9f)
    {
        mPeakState = 0.0f;
    }
    mPeak.store(mPeakState, std::memory_order_relaxed);
    mGainReduction.store(std::min(gainReductionDb, 0.0f), std::memory_order_relaxed);
    mFundamental.store(fundamentalHz, std::memory_order_relaxed);
    mPublished.store(start + frames, std::memory_order_release);
}

void AnalysisFeed::writeOutput(const float* const* outputs, std::uint32_t frames,
                               const dravel::vantor::Vantor& engine) noexcept
{
    const auto reduction = engine.limiter().smoothedGain();
    const auto& bank = engine.bank(0);
    // Every partial holds the fundamental as radians per hop.
    const float fundamental =
        bank.group(0).mFundamental[0] * bank.hopRate() / (2.0f * std::numbers::pi_v<float>);
    writeOutput(outputs, frames, std::min(reduction.left, reduction.right), fundamental);
}

bool AnalysisFeed::readLatest(std::span<float> input, std::span<float> output) const noexcept
{
    const std::size_t count = input.size();
    if (count != output.size() || count > kRingSize / 2)
    {
        return false;
    }
    const std::uint64_t end = mPublished.load(std::memory_order_acquire);
    if (end < count)
    {
        return false;
    }
    const std::uint64_t start = end - count;
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t slot = (start + i) & (kRingSize - 1);
        input[i] = mInput[slot].load(std::memory_order_acquire);
        output[i] = mOutput[slot].load(std::memory_order_acquire);
    }
    // Any value of a later block in the copy came with its claim, so the claim read now
    // covers everything the copy may hold; the copy is whole when that claim stays clear of
    // the oldest copied slot.
    const std::uint64_t writing = mWriting.load(std::memory_order_relaxed);
    return writing <= start + kRingSize;
}

} // namespace quendra::plugin
