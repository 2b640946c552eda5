// The render loop: feeds an input signal (read in chunks), then silence for the tail, through a
// block processor with two inputs and two outputs, drops the processing delay when compensating for
// it, and streams the stereo result to a writer. Buffers are allocated once per render.
#pragma once

#include "AudioFile.h"
#include "ProgressBar.h"
#include "SampleSource.h"

#include <cstddef>
#include <functional>

namespace quendra::renderer
{

struct RenderPlan
{
    std::size_t inputFrames = 0;
    std::size_t tailFrames = 0;    // rendered after the input ends
    std::size_t droppedFrames = 0; // leading output frames left out (latency compensation)

    std::size_t outputFrames() const { return inputFrames + tailFrames; }
    std::size_t processedFrames() const { return outputFrames() + droppedFrames; }
};

inline constexpr double kMaxDefaultTailSeconds = 30.0;

// Long enough for a resonance of the given decay time (its fall by 60 dB) to ring out
// after the last analysis frame that still holds input, at most 30 s.
std::size_t defaultTailFrames(double decaySeconds, double sampleRate);

// inputs[2], outputs[2], frame count; returns false on failure.
using BlockProcessor = std::function<bool(const double* const*, double* const*, long)>;

// Called before each block with the position of its first frame in the input (frames from
// the start): where parameter changes over time are applied.
using BlockStart = std::function<void(std::size_t)>;

// Mono input feeds both inputs. Throws ToolError when the processor fails or a signal asks
// the render to stop.
void render(SampleSource& input, const RenderPlan& plan, long blockSize,
            const BlockProcessor& process, const BlockStart& blockStart, FrameSink& sink,
            ProgressBar& progress);

} // namespace quendra::renderer
