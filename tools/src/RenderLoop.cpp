#include "RenderLoop.h"

#include "ToolError.h"

#include <quendra/dsp/Spectrum.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quendra::renderer
{

namespace
{
constexpr std::size_t kWriteChunkFrames = 16384;
}

std::size_t defaultTailFrames(double decaySeconds, double sampleRate)
{
    // A resonance keeps its level up to the last analysis frame that overlaps the input and
    // is heard through one more synthesis frame; allow one frame for each.
    const double framesSeconds = 2.0 * quendra::dravel::vantor::kFftSize / sampleRate;
    const double seconds = std::min(decaySeconds + framesSeconds, kMaxDefaultTailSeconds);
    return static_cast<std::size_t>(std::ceil(seconds * sampleRate));
}

void render(SampleSource& input, const RenderPlan& plan, long blockSize,
            const BlockProcessor& process, AudioFileWriter& writer, ProgressBar& progress,
            const volatile std::sig_atomic_t& stop)
{
    const auto block = static_cast<std::size_t>(blockSize);
    std::vector<double> in[2] = {std::vector<double>(block), std::vector<double>(block)};
    std::vector<double> out[2] = {std::vector<double>(block), std::vector<double>(block)};
    // Output is collected into large writes: one file write per block costs more than the
    // processing of a small block.
    const std::size_t chunk = std::max<std::size_t>(block, kWriteChunkFrames);
    std::vector<double> interleaved(chunk * 2);
    std::size_t pending = 0;
    const double* inputs[2] = {in[0].data(), in[1].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};

    const std::size_t total = plan.processedFrames();
    const int channels = input.channels();
    std::vector<double> inputChunk(chunk * channels);
    std::size_t chunkFrames = 0;
    std::size_t chunkPosition = 0;
    std::size_t consumed = 0; // input frames taken so far

    for (std::size_t position = 0; position < total; position += block)
    {
        if (stop != 0)
        {
            throw ToolError("interrupted", ExitStatus::Interrupted);
        }
        const std::size_t frames = std::min(block, total - position);
        for (std::size_t i = 0; i < frames; ++i)
        {
            if (chunkPosition == chunkFrames && consumed < plan.inputFrames)
            {
                chunkFrames =
                    input.read(inputChunk.data(), std::min(chunk, plan.inputFrames - consumed));
                chunkPosition = 0;
                if (chunkFrames == 0)
                {
                    throw ToolError("the input ends before its announced length");
                }
            }
            if (chunkPosition < chunkFrames)
            {
                const double* frame = &inputChunk[chunkPosition * channels];
                in[0][i] = frame[0];
                in[1][i] = frame[channels - 1];
                ++chunkPosition;
                ++consumed;
            }
            else
            {
                in[0][i] = 0.0;
                in[1][i] = 0.0;
            }
        }
        if (!process(inputs, outputs, static_cast<long>(frames)))
        {
            throw ToolError("the object did not process audio");
        }

        // Keep only frames at or after the dropped lead.
        const std::size_t skip =
            position >= plan.droppedFrames ? 0 : std::min(frames, plan.droppedFrames - position);
        if (pending + frames > chunk)
        {
            writer.write(interleaved.data(), pending);
            pending = 0;
        }
        for (std::size_t i = skip; i < frames; ++i, ++pending)
        {
            interleaved[pending * 2] = out[0][i];
            interleaved[pending * 2 + 1] = out[1][i];
        }
        progress.update(position + frames, total);
    }
    writer.write(interleaved.data(), pending);
    progress.finish();
}

} // namespace quendra::renderer
