// Drives an instance over a whole signal the way a host's audio thread does: block by
// block, with parameter changes and MIDI at given frames delivered inside the block that
// holds them.
#pragma once

#include "Audio.h"
#include "PluginInstance.h"

#include <string>
#include <utility>
#include <vector>

namespace sorvell::conformance
{

struct TimedChange
{
    size_t frame;
    std::string symbol;
    double value;
};

struct TimedMidi
{
    size_t frame;
    uint8_t bytes[3];
};

struct RenderOptions
{
    std::vector<TimedChange> changes;
    std::vector<TimedMidi> midi;
    // Input and output share buffers.
    bool inPlace = false;
    // A change that falls on a block start goes in a call of zero frames just before it,
    // as hosts flush parameters.
    bool zeroFrameChanges = false;
};

using Settings = std::vector<std::pair<std::string, double>>;

// Queues a parameter change by symbol; throws when the plugin has no such parameter.
void set(PluginInstance& instance, const std::string& symbol, double value, uint32_t frame = 0);
void set(PluginInstance& instance, const Settings& settings);

// Block sizes covering `frames`, split so that a block starts at each of `boundaries`.
std::vector<uint32_t> fixedBlocks(size_t frames, uint32_t size,
                                  const std::vector<size_t>& boundaries = {});
// Random block sizes from 1 to `largest` (mostly small, some large), split so that a block
// starts at each of `boundaries`.
std::vector<uint32_t> randomBlocks(size_t frames, uint32_t largest, uint32_t seed,
                                   const std::vector<size_t>& boundaries);

Stereo render(PluginInstance& instance, const Stereo& input, const std::vector<uint32_t>& blocks,
              const RenderOptions& options = {});

} // namespace sorvell::conformance
