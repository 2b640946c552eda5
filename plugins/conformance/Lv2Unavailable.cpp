// The LV2 format where lilv is not built (Windows): the harness runs the VST3 and the CLAP.
#include "PluginInstance.h"

#include <stdexcept>

namespace sorvell::conformance
{

std::unique_ptr<PluginInstance> instantiateLv2(const std::string&, double, uint32_t)
{
    throw std::runtime_error("this build of the harness hosts no LV2");
}

} // namespace sorvell::conformance
