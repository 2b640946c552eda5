// One instance of the resonator class inside our headless host: loads the module, creates
// the object, applies attribute settings through the class's own setters (turning anything
// the object posts on the console into a ToolError), builds the dsp chain and runs blocks.
// Everything but process() allocates and may throw; process() does neither.
#pragma once

#include "AttributeCatalog.h"
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
    // throws. A value moved into range by the class is reported as a note on stderr.
    void apply(const std::vector<AttributeSetting>& settings);
    double numberOf(const std::string& name);

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
