#include "RenderLoop.h"

#include "StopSignal.h"
#include "ToolError.h"

#include <quendra/dsp/FrameGeometry.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quendra::renderer
{

namespace
{

// Reads and writes go through the file in chunks this long: one file access per perform
// block would cost more than processing a small block.
constexpr std::size_t kWriteChunkFrames = 16384;

// Hands out the input one block at a time as two channels (a mono input on both, channels 1
// and 2 of a file with more), reading the source in chunks, and silence once `length` frames
// have been given.
class ChunkedInput
{
public:
    ChunkedInput(SampleSource& source, std::size_t length, std::size_t chunk)
        : mSource(source), mChannels(source.channels()), mLength(length), mChunk(chunk),
          mBuffer(chunk * mChannels)
    {
    }

    void fill(double* left, double* right, std::size_t frames)
    {
        for (std::size_t i = 0; i < frames; ++i)
        {
            if (mPosition == mAvailable && mConsumed < mLength)
            {
                refill();
            }
            if (mPosition < mAvailable)
            {
                const double* frame = &mBuffer[mPosition * mChannels];
                left[i] = frame[0];
                right[i] = frame[mChannels > 1 ? 1 : 0];
                ++mPosition;
                ++mConsumed;
            }
            else
            {
                left[i] = 0.0;
                right[i] = 0.0;
            }
        }
    }

private:
    void refill()
    {
        mAvailable = mSource.read(mBuffer.data(), std::min(mChunk, mLength - mConsumed));
        mPosition = 0;
        if (mAvailable == 0)
        {
            throw ToolError("the input ends before its announced length");
        }
    }

    SampleSource& mSource;
    int mChannels;
    std::size_t mLength;
    std::size_t mChunk;
    std::vector<double> mBuffer;
    std::size_t mAvailable = 0;
    std::size_t mPosition = 0;
    std::size_t mConsumed = 0;
};

} // namespace

std::size_t defaultTailFrames(double decaySeconds, double sampleRate)
{
    // A resonance keeps its level up to the last analysis frame that overlaps the input and
    // is heard through one more synthesis frame; allow one frame for each.
    const double framesSeconds = 2.0 * quendra::dravel::vantor::kFftSize / sampleRate;
    const double seconds = std::min(decaySeconds + framesSeconds, kMaxDefaultTailSeconds);
    return static_cast<std::size_t>(std::ceil(seconds * sampleRate));
}

void render(SampleSource& input, const RenderPlan& plan, long blockSize,
            const BlockProcessor& process, const BlockStart& blockStart, FrameSink& sink,
            ProgressBar& progress)
{
    const auto block = static_cast<std::size_t>(blockSize);
    std::vector<double> in[2] = {std::vector<double>(block), std::vector<double>(block)};
    std::vector<double> out[2] = {std::vector<double>(block), std::vector<double>(block)};
    const std::size_t chunk = std::max<std::size_t>(block, kWriteChunkFrames);
    std::vector<double> interleaved(chunk * 2);
    std::size_t pending = 0;
    const double* inputs[2] = {in[0].data(), in[1].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};

    const std::size_t total = plan.processedFrames();
    // The input chunk holds as many samples as the output chunk, however many channels the
    // file has (up to 1024), so that a wide file does not make it large.
    const auto channels = static_cast<std::size_t>(std::max(input.channels(), 1));
    ChunkedInput feed(input, plan.inputFrames, std::max<std::size_t>(chunk * 2 / channels, 64));

    for (std::size_t position = 0; position < total; position += block)
    {
        throwIfStopped();
        const std::size_t frames = std::min(block, total - position);
        if (blockStart)
        {
            blockStart(position);
        }
        feed.fill(in[0].data(), in[1].data(), frames);
        if (!process(inputs, outputs, static_cast<long>(frames)))
        {
            throw ToolError("the object did not process audio");
        }

        // Keep only frames at or after the dropped lead.
        const std::size_t skip =
            position >= plan.droppedFrames ? 0 : std::min(frames, plan.droppedFrames - position);
        if (pending + frames > chunk)
        {
            sink.write(interleaved.data(), pending);
            pending = 0;
        }
        for (std::size_t i = skip; i < frames; ++i, ++pending)
        {
            interleaved[pending * 2] = out[0][i];
            interleaved[pending * 2 + 1] = out[1][i];
        }
        progress.update(position + frames, total);
    }
    sink.write(interleaved.data(), pending);
    progress.finish();
}

} // namespace quendra::renderer
