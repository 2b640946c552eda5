#include "RenderLoop.h"

#include "ToolError.h"

#include <quendra/dsp/Spectrum.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quendra::renderer
{

std::size_t defaultTailFrames(double decaySeconds, double sampleRate)
{
    // A resonance keeps its level up to the last analysis frame that overlaps the input and
    // is heard through one more synthesis frame; allow one frame for each.
    const double framesSeconds = 2.0 * quendra::dravel::vantor::kFftSize / sampleRate;
    const double seconds = std::min(decaySeconds + framesSeconds, kMaxDefaultTailSeconds);
    return static_cast<std::size_t>(std::ceil(seconds * sampleRate));
}

void render(const AudioData& input, const RenderPlan& plan, long blockSize,
            const BlockProcessor& process, AudioFileWriter& writer, ProgressBar& progress,
            const volatile std::sig_atomic_t& stop)
{
    const auto block = static_cast<std::size_t>(blockSize);
    std::vector<double> in[2] = {std::vector<double>(block), std::vector<double>(block)};
    std::vector<double> out[2] = {std::vector<double>(block), std::vector<double>(block)};
    std::vector<double> interleaved(block * 2);
    const double* inputs[2] = {in[0].data(), in[1].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};

    const std::size_t total = plan.processedFrames();
    const std::size_t available = std::min(plan.inputFrames, input.frames());
    const int lastChannel = input.channels - 1;

    for (std::size_t position = 0; position < total; position += block)
    {
        if (stop != 0)
        {
            throw ToolError("interrupted", ExitStatus::Interrupted);
        }
        const std::size_t frames = std::min(block, total - position);
        for (std::size_t i = 0; i < frames; ++i)
        {
            const std::size_t frame = position + i;
            const bool inside = frame < available;
            in[0][i] = inside ? input.sample(frame, 0) : 0.0;
            in[1][i] = inside ? input.sample(frame, lastChannel) : 0.0;
        }
        if (!process(inputs, outputs, static_cast<long>(frames)))
        {
            throw ToolError("the object did not process audio");
        }

        // Keep only frames at or after the dropped lead.
        const std::size_t skip =
            position >= plan.droppedFrames ? 0 : std::min(frames, plan.droppedFrames - position);
        std::size_t kept = 0;
        for (std::size_t i = skip; i < frames; ++i, ++kept)
        {
            interleaved[kept * 2] = out[0][i];
            interleaved[kept * 2 + 1] = out[1][i];
        }
        writer.write(interleaved.data(), kept);
        progress.update(position + frames, total);
    }
    progress.finish();
}

} // namespace quendra::renderer
