#include "ProcessorSession.h"

#include "FreezeTrack.h"
#include "sorvell_parameters.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quendra::renderer
{

ProcessorSession::ProcessorSession(HostSession& values, double sampleRate, long blockSize,
                                   std::optional<std::uint32_t> seed,
                                   std::optional<ChordPlaying> chords)
    : mProcessor(sampleRate, seed), mLeft(static_cast<std::size_t>(blockSize)),
      mRight(static_cast<std::size_t>(blockSize))
{
    mProcessor.activate();
    // Set before the first block, so they apply at once.
    const auto parameters = sorvell::parameters();
    for (std::size_t index = 0; index < parameters.size(); ++index)
        mProcessor.setParameter(index, values.numberOf(std::string(parameters[index].name)));
    if (chords)
    {
        mProcessor.setParameter(plugin::kPitchSourceIndex,
                                static_cast<double>(plugin::PitchSource::chord));
        mProcessor.setTuning(chords->tuning);
        mTimeline = std::move(chords->timeline);
        for (const auto& message : mTimeline)
            mFrames.push_back(
                static_cast<std::uint64_t>(std::llround(message.seconds * sampleRate)));
    }
}

void ProcessorSession::set(const AttributeTrack& track, double value) noexcept
{
    if (track.name == kFreezeName)
        mProcessor.setParameter(plugin::kFreezeIndex, value);
    else if (const auto index = sorvell::parameter_index(track.name))
        mProcessor.setParameter(*index, value);
}

bool ProcessorSession::process(const double* const* inputs, double* const* outputs,
                               long frames) noexcept
{
    // The block is cut at each message, so that it reaches the engine on its own frame.
    long done = 0;
    while (done < frames)
    {
        while (mNext < mTimeline.size() && mFrames[mNext] <= mPosition)
        {
            const TimedMidi& message = mTimeline[mNext++];
            mProcessor.midi(message.bytes.data(), message.size);
        }
        long count = frames - done;
        if (mNext < mTimeline.size())
            count = static_cast<long>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count),
                                                              mFrames[mNext] - mPosition));
        run(done, count, inputs, outputs);
        done += count;
        mPosition += static_cast<std::uint64_t>(count);
    }
    return true;
}

void ProcessorSession::run(long from, long count, const double* const* inputs,
                           double* const* outputs) noexcept
{
    const auto n = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < n; ++i)
    {
        mLeft[i] = static_cast<float>(inputs[0][from + static_cast<long>(i)]);
        mRight[i] = static_cast<float>(inputs[1][from + static_cast<long>(i)]);
    }
    const float* in[2] = {mLeft.data(), mRight.data()};
    float* out[2] = {mLeft.data(), mRight.data()};
    mProcessor.process(in, out, static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < n; ++i)
    {
        outputs[0][from + static_cast<long>(i)] = mLeft[i];
        outputs[1][from + static_cast<long>(i)] = mRight[i];
    }
}

} // namespace quendra::renderer
