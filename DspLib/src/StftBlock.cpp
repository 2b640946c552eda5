#include "quendra/dsp/StftBlock.h"

#include "quendra/dsp/Assert.h"

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

} // namespace

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
    for (std::size_t i = 0; i < frames && i < mOutputRing.capacity(); ++i)
    {
        mOutputRing.push_back(StereoFrame{});
    }
}

void StftBlock::synthesiseRotated(TimeBuffers buffers) noexcept
{
    constexpr std::size_t half = kFftSize / 2;
    for (std::size_t i = 0; i < kFftSize; ++i)
    {
        const std::size_t t = (i + half) % kFftSize;
        StereoFrame& frame = mOutputRing[i];
        frame.left += buffers.left[t];
        frame.right += buffers.right[t];
    }
}

void StftBlock::analyseRotatedWindowed(TimeBuffers buffers) noexcept
{
    constexpr std::size_t half = kFftSize / 2;
    for (std::size_t i = 0; i < kFftSize; ++i)
    {
        const std::size_t t = (i + half) % kFftSize;
        const StereoFrame frame = mInputRing[i];
        buffers.left[t] = frame.left * mWindow[i];
        buffers.right[t] = frame.right * mWindow[i];
    }
}

} // namespace quendra::dravel::vantor
