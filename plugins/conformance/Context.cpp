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

bool readbackBroken(const Context& context, const PluginInstance& instance, uint32_t index)
{
    return context.format == Format::Vst3 && index == 0 && instance.hasMidiInput();
}

Outcome withReadbackFault(Outcome outcome, bool leftOut)
{
    if (outcome.status != Status::Pass || !leftOut)
    {
        return outcome;
    }
    return wrapperFault(
        "DPF's VST3 edit controller takes the first parameter for a MIDI CC (its id equals "
        "kVst3InternalParameterMidiCC_end, compared with <=): it reads back 0; all else " +
        outcome.reason);
}

const Settings& deterministicSettings()
{
    static const Settings settings{{"mod_type", 0.0}, {"voices", 1.0}, {"harmonics", 24.0}};
    return settings;
}

} // namespace sorvell::conformance
