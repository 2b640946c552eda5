#include "ReferenceRender.h"

#include "Render.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace sorvell::conformance
{

void writeReferenceRender(Format format, const std::string& bundle, const std::string& path)
{
    constexpr double kSampleRate = 48000.0;
    constexpr uint32_t kBlock = 256;
    constexpr size_t kFrames = 96000;
    auto instance = instantiate(format, bundle, kSampleRate, kBlock);
    // The plugin's random start phases differ from instance to instance: one voice, no
    // modulation (see deterministicSettings()), the rest away from the defaults.
    set(*instance, {{"mod_type", 0.0},
                    {"voices", 1.0},
                    {"harmonics", 64.0},
                    {"decay", 1.5},
                    {"hf_damp", 0.3},
                    {"mix", 0.7}});
    RenderOptions options;
    options.changes = {{kFrames / 2, "frequency", 220.0}};
    const Stereo out = render(*instance, noise(kFrames, 0.25f, 11),
                              fixedBlocks(kFrames, kBlock, {kFrames / 2}), options);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    bool ok = file != nullptr;
    for (size_t i = 0; ok && i < kFrames; ++i)
    {
        const float frame[2] = {out.left[i], out.right[i]};
        ok = std::fwrite(frame, sizeof frame, 1, file.get()) == 1;
    }
    if (!ok)
    {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace sorvell::conformance
