// The plugin's parameter list as hosts see it: first the limiter's gain reduction, a meter the
// plugin reports (an output), then the processor's parameters in their own order.
//
// The meter is first on purpose. DPF's VST3 edit controller numbers parameters after its
// internal MIDI controller ids and tests that range with <=, so whichever parameter comes first
// is taken for a MIDI controller: it reads back 0 and refuses edits. A read-only meter loses
// nothing there.
#pragma once

#include "SorvellProcessor.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quendra::plugin
{

inline constexpr std::uint32_t kGainReductionParameter = 0;
inline constexpr std::uint32_t kPluginParameterCount = kParameterCount + 1;

// The meter's range, in dB: deeper reductions read as its floor.
inline constexpr float kGainReductionFloorDb = -60.0f;

constexpr std::uint32_t pluginIndex(std::size_t processorIndex) noexcept
{
    return static_cast<std::uint32_t>(processorIndex + 1);
}

constexpr std::optional<std::size_t> processorIndex(std::uint32_t pluginIndex) noexcept
{
    if (pluginIndex == kGainReductionParameter || pluginIndex >= kPluginParameterCount)
    {
        return std::nullopt;
    }
    return pluginIndex - 1;
}

} // namespace quendra::plugin
