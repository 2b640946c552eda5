#include "Checks.h"

namespace sorvell::conformance
{

std::string Context::name(const std::string& family, const std::string& detail) const
{
    return std::string(formatName(format)) + " " + family + (detail.empty() ? "" : " ") + detail;
}

std::unique_ptr<PluginInstance> Context::make(double sampleRate, uint32_t maxBlockSize) const
{
    return instantiate(format, bundle, sampleRate, maxBlockSize);
}

const Settings& deterministicSettings()
{
    static const Settings settings{{"mod_type", 0.0}, {"voices", 1.0}, {"harmonics", 24.0}};
    return settings;
}

} // namespace sorvell::conformance
