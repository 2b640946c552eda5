#include "PluginInstance.h"

namespace sorvell::conformance
{

std::unique_ptr<PluginInstance> instantiateLv2(const std::string&, double, uint32_t);
std::unique_ptr<PluginInstance> instantiateVst3(const std::string&, double, uint32_t);
std::unique_ptr<PluginInstance> instantiateClap(const std::string&, double, uint32_t);
void unloadVst3Modules();
void unloadClapModules();

void unloadModules()
{
    unloadVst3Modules();
    unloadClapModules();
}

const char* formatName(Format format)
{
    switch (format)
    {
    case Format::Lv2:
        return "lv2";
    case Format::Vst3:
        return "vst3";
    case Format::Clap:
        return "clap";
    }
    return "?";
}

int PluginInstance::indexOf(const std::string& symbol) const
{
    const std::vector<ParameterInfo>& all = parameters();
    for (size_t i = 0; i < all.size(); ++i)
    {
        if (all[i].symbol == symbol)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::unique_ptr<PluginInstance> instantiate(Format format, const std::string& bundlePath,
                                            double sampleRate, uint32_t maxBlockSize)
{
    switch (format)
    {
    case Format::Lv2:
        return instantiateLv2(bundlePath, sampleRate, maxBlockSize);
    case Format::Vst3:
        return instantiateVst3(bundlePath, sampleRate, maxBlockSize);
    case Format::Clap:
        return instantiateClap(bundlePath, sampleRate, maxBlockSize);
    }
    return nullptr;
}

} // namespace sorvell::conformance
