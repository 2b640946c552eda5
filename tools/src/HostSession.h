// One instance of the resonator class inside our headless host: loads the module, creates
// the object, applies attribute settings through the class's own setters (turning anything
// the object posts on the console into a ToolError), builds the dsp chain and runs blocks.
// Everything but process() allocates and may throw; process() does neither.
#pragma once

#include "AttributeCatalog.h"
#include "AttributeTrack.h"
#include "CommandLine.h"

#include <tessel/host/Runtime.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quendra::renderer
{

class HostSession
{
public:
    HostSession(const std::filesystem::path& moduleFile, double sampleRate, long blockSize,
                std::optional<std::uint32_t> seed);
    ~HostSession();

    const AttributeCatalog& catalog() const { return mCatalog; }

    // Each setting in command-line order; an unknown name or a value the class refuses
    // throws. A value moved into range by the class is reported as a note on stderr. A
    // setting given as breakpoints sets its first value and comes back as a track for the
    // render to follow (unless a later setting of the same attribute replaces it).
    // `notes` false: values moved into range are not reported (they were already).
    std::vector<AttributeTrack> apply(const std::vector<AttributeSetting>& settings,
                                      bool notes = true);
    double numberOf(const std::string& name);
    // A set made while rendering, through the class's own setter (so a smoothed attribute
    // ramps to it). `value` is already in range.
    void set(const AttributeTrack& track, double value);

    void startDsp();
    // Two inputs, two outputs, `frames` samples.
    bool process(const double* const* inputs, double* const* outputs, long frames) noexcept;

private:
    void failOnConsole(const std::string& context);

    tessel::host::Runtime mRuntime;
    tessel::host::Instance* mpInstance = nullptr;
    AttributeCatalog mCatalog;
};

} // namespace quendra::renderer
