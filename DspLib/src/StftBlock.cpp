#include "quendra/dsp/StftBlock.h"

#include "quendra/dsp/Assert.h"

#include <algorithm>
#include <cstddef>

namespace quendra::dravel::vantor
{

namespace
{

void refill(boost::circular_buffer<StereoFrame>& ring, std::size_t size) noexcept
{
    ring.clear();
    while (ring.size() < size)
    {
        ring.push_back(StereoFrame{});
    }
}

// Calls visit(frames, index, count) for the ring's elements [first, first + count) in
// stretches that are contiguous both in the ring's storage and in a time buffer rotated by
// half a frame, index being the position of frames[0] in the ring.
template <typename Ring, typename Visit>
void forEachStretch(Ring& ring, std::size_t first, std::size_t count, Visit visit) noexcept
{
    constexpr std::size_t half = kFftSize / 2;
    const auto one = ring.array_one();
    const auto two = ring.array_two();
    std::size_t i = first;
    const std::size_t end = first + count;
    while (i < end)
    {
        const bool inOne = i < one.second;
        auto* frames = inOne ? one.first + i : two.first + (i - one.second);
        std::size_t stretch = (inOne ? one.second : one.second + two.second) - i;
        // The rotation wraps the time index at the half-frame mark.
        const std::size_t toHalf = i < half ? half - i : kFftSize - i;
        stretch = std::min({stretch, toHalf, end - i});
        visit(frames, i, stretch);
        i += stretch;
    }
}

} // namespace

void StftBlock::pushInput(const StereoFrame* frames, std::size_t count) noexcept
{
    // The ring is full: moving its start by `count` drops the oldest frames in constant time
    // and leaves their slots at the back for the new ones.
    mInputRing.rotate(mInputRing.begin() + static_cast<std::ptrdiff_t>(count));
    const std::size_t first = mInputRing.size() - count;
    forEachStretch(mInputRing, first, count,
                   [frames, first](StereoFrame* slots, std::size_t i, std::size_t n)
                   { std::copy_n(frames + (i - first), n, slots); });
}

void StftBlock::popOutput(StereoFrame* out, std::size_t count) noexcept
{
    forEachStretch(mOutputRing, 0, count,
                   [out](const StereoFrame* frames, std::size_t i, std::size_t n)
                   { std::copy_n(frames, n, out + i); });
    mOutputRing.erase_begin(count);
}

void StftBlock::prepare(const WindowConfiguration& configuration, StftMode mode)
{
    QUENDRA_ASSERT(configuration.fftSize == kFftSize);
    QUENDRA_ASSERT(mode.windowing == StftWindowing::AnalysisOnlyNormalisedBySum &&
                   mode.frameOrder == StftFrameOrder::Rotated);

    mConfiguration = configuration;
    const auto frameLength = static_cast<std::size_t>(configuration.fftSize);

    mInputRing.set_capacity(frameLength);
    refill(mInputRing, frameLength);
    mInputResetSize = frameLength;
    mOutputRing.set_capacity(frameLength);
    refill(mOutputRing, frameLength);
    mOutputResetSize = frameLength;

    mAnalysis = Routine::fromMethod<StftBlock, &StftBlock::analyseRotatedWindowed>(this);
    mSynthesis = Routine::fromMethod<StftBlock, &StftBlock::synthesiseRotated>(this);

    // Overlap-added at a hop of half the frame, the windows then sum to one.
    generateWindowNormalisedBySum(mConfiguration, frameLength / 2, mWindow.data());
    reset();
}

void StftBlock::reset() noexcept
{
    refill(mInputRing, mInputResetSize);
    refill(mOutputRing, mOutputResetSize);
}

void StftBlock::appendSilence(std::size_t frames) noexcept
{
    if (frames <= mOutputRing.capacity() - mOutputRing.size())
    {
        // Room for all of them: one insertion at the back.
        mOutputRing.insert(mOutputRing.end(), frames, StereoFrame{});
        return;
    }
    for (std::size_t i = 0; i < frames && i < mOutputRing.capacity(); ++i)
    {
        mOutputRing.push_back(StereoFrame{});
    }
}

void StftBlock::synthesiseRotated(TimeBuffers buffers) noexcept
{
    // Output ring element i += time buffer element (i + half) mod kFftSize.
    constexpr std::size_t half = kFftSize / 2;
    forEachStretch(mOutputRing, 0, kFftSize,
                   [buffers](StereoFrame* frames, std::size_t i, std::size_t n)
                   {
                       const std::size_t t = (i + half) % kFftSize;
                       const float* left = buffers.left + t;
                       const float* right = buffers.right + t;
                       for (std::size_t j = 0; j < n; ++j)
                       {
                           frames[j].left += left[j];
                           frames[j].right += right[j];
                       }
                   });
}

void StftBlock::analyseRotatedWindowed(TimeBuffers buffers) noexcept
{
    // Time buffer element (i + half) mod kFftSize = input ring element i x window[i].
    constexpr std::size_t half = kFftSize / 2;
    const float* window = mWindow.data();
    forEachStretch(mInputRing, 0, kFftSize,
                   [buffers, window](const StereoFrame* frames, std::size_t i, std::size_t n)
                   {
                       const std::size_t t = (i + half) % kFftSize;
                       float* left = buffers.left + t;
                       float* right = buffers.right + t;
                       const float* w = window + i;
                       for (std::size_t j = 0; j < n; ++j)
                       {
                           left[j] = frames[j].left * w[j];
                           right[j] = frames[j].right * w[j];
                       }
                   });
}

} // namespace quendra::dravel::vantor
