#include "ProcessorSession.h"

#include "FreezeTrack.h"
#include "sorvell_parameters.h"

#include <string>

namespace quendra::renderer
{

ProcessorSession::ProcessorSession(HostSession& values, double sampleRate, long blockSize,
                                   std::optional<std::uint32_t> seed)
    : mProcessor(sampleRate, seed)
{
    mProcessor.activate();
    const auto parameters = sorvell::parameters();
    for (std::size_t index = 0; index < parameters.size(); ++index)
    {
        // Set before the first block, so they apply at once.
        mProcessor.setParameter(index, values.numberOf(std::string(parameters[index].name)));
    }
    for (auto* buffers : {mIn, mOut})
    {
        buffers[0].resize(static_cast<std::size_t>(blockSize));
        buffers[1].resize(static_cast<std::size_t>(blockSize));
    }
}

void ProcessorSession::set(const AttributeTrack& track, double value) noexcept
{
    if (track.name == kFreezeName)
    {
        mProcessor.setParameter(plugin::kFreezeIndex, value);
    }
    else if (const auto index = sorvell::parameter_index(track.name))
    {
        mProcessor.setParameter(*index, value);
    }
}

bool ProcessorSession::process(const double* const* inputs, double* const* outputs,
                               long frames) noexcept
{
    const auto count = static_cast<std::size_t>(frames);
    for (int channel = 0; channel < 2; ++channel)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            mIn[channel][i] = static_cast<float>(inputs[channel][i]);
        }
    }
    const float* in[2] = {mIn[0].data(), mIn[1].data()};
    float* out[2] = {mOut[0].data(), mOut[1].data()};
    mProcessor.process(in, out, static_cast<std::uint32_t>(count));
    for (int channel = 0; channel < 2; ++channel)
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            outputs[channel][i] = mOut[channel][i];
        }
    }
    return true;
}

} // namespace quendra::renderer
