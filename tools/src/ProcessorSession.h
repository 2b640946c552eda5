// The render path for what the host object does not offer (freeze): the plugins' signal path,
// the same engine behind the same parameter binding, set up with every value the object took
// from the command line (HostSession checked them) and fed the changes over time. Construction
// allocates; process() allocates nothing.
#pragma once

#include "AttributeTrack.h"
#include "HostSession.h"
#include "SorvellProcessor.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quendra::renderer
{

class ProcessorSession
{
public:
    ProcessorSession(HostSession& values, double sampleRate, long blockSize,
                     std::optional<std::uint32_t> seed);

    // An attribute's track, or the freeze track (see FreezeTrack.h).
    void set(const AttributeTrack& track, double value) noexcept;
    bool process(const double* const* inputs, double* const* outputs, long frames) noexcept;

private:
    plugin::SorvellProcessor mProcessor;
    std::vector<float> mIn[2];
    std::vector<float> mOut[2];
};

} // namespace quendra::renderer
