#include "Render.h"

#include <algorithm>
#include <stdexcept>

namespace sorvell::conformance
{

void set(PluginInstance& instance, const std::string& symbol, double value, uint32_t frame)
{
    const int index = instance.indexOf(symbol);
    if (index < 0)
    {
        throw std::runtime_error("the plugin has no parameter " + symbol);
    }
    instance.setParameter(static_cast<uint32_t>(index), value, frame);
}

void set(PluginInstance& instance, const Settings& settings)
{
    for (const auto& [symbol, value] : settings)
    {
        set(instance, symbol, value);
    }
}

namespace
{

size_t splitAt(size_t done, size_t size, const std::vector<size_t>& boundaries)
{
    for (size_t boundary : boundaries)
    {
        if (boundary > done && boundary < done + size)
        {
            size = boundary - done;
        }
    }
    return size;
}

} // namespace

std::vector<uint32_t> fixedBlocks(size_t frames, uint32_t size,
                                  const std::vector<size_t>& boundaries)
{
    std::vector<uint32_t> blocks;
    for (size_t done = 0; done < frames;)
    {
        const size_t n = splitAt(done, std::min<size_t>(size, frames - done), boundaries);
        blocks.push_back(static_cast<uint32_t>(n));
        done += n;
    }
    return blocks;
}

std::vector<uint32_t> randomBlocks(size_t frames, uint32_t largest, uint32_t seed,
                                   const std::vector<size_t>& boundaries)
{
    uint32_t state = seed * 747796405u + 2891336453u;
    auto next = [&]
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    std::vector<uint32_t> blocks;
    size_t done = 0;
    while (done < frames)
    {
        // Most hosts use small blocks; a few calls carry very large ones.
        const uint32_t roll = next() % 8;
        const uint32_t cap = roll == 0 ? largest : roll < 3 ? 700 : 70;
        size_t size = 1 + next() % cap;
        size = splitAt(done, std::min(size, frames - done), boundaries);
        blocks.push_back(static_cast<uint32_t>(size));
        done += size;
    }
    return blocks;
}

Stereo render(PluginInstance& instance, const Stereo& input, const std::vector<uint32_t>& blocks,
              const RenderOptions& options)
{
    Stereo output(input.frames());
    std::vector<int> changeIndex;
    for (const TimedChange& change : options.changes)
    {
        const int index = instance.indexOf(change.symbol);
        if (index < 0)
        {
            throw std::runtime_error("the plugin has no parameter " + change.symbol);
        }
        changeIndex.push_back(index);
    }
    size_t position = 0;
    for (uint32_t size : blocks)
    {
        const size_t end = position + size;
        bool flushed = false;
        for (size_t i = 0; i < options.changes.size(); ++i)
        {
            const TimedChange& change = options.changes[i];
            if (change.frame < position || change.frame >= end)
            {
                continue;
            }
            const auto offset = static_cast<uint32_t>(change.frame - position);
            if (options.zeroFrameChanges && offset == 0)
            {
                instance.setParameter(static_cast<uint32_t>(changeIndex[i]), change.value, 0);
                flushed = true;
            }
        }
        if (flushed)
        {
            float* none[2] = {output.left.data() + position, output.right.data() + position};
            instance.process(none, none, 0);
        }
        for (size_t i = 0; i < options.changes.size(); ++i)
        {
            const TimedChange& change = options.changes[i];
            if (change.frame < position || change.frame >= end ||
                (options.zeroFrameChanges && change.frame == position))
            {
                continue;
            }
            instance.setParameter(static_cast<uint32_t>(changeIndex[i]), change.value,
                                  static_cast<uint32_t>(change.frame - position));
        }
        for (const TimedMidi& event : options.midi)
        {
            if (event.frame >= position && event.frame < end)
            {
                MidiMessage message;
                message.frame = static_cast<uint32_t>(event.frame - position);
                std::copy_n(event.bytes, 3, message.bytes);
                instance.sendMidi(message);
            }
        }
        float* out[2] = {output.left.data() + position, output.right.data() + position};
        if (options.inPlace)
        {
            std::copy_n(input.left.data() + position, size, out[0]);
            std::copy_n(input.right.data() + position, size, out[1]);
            instance.process(out, out, size);
        }
        else
        {
            const float* in[2] = {input.left.data() + position, input.right.data() + position};
            instance.process(in, out, size);
        }
        position = end;
    }
    return output;
}

} // namespace sorvell::conformance
