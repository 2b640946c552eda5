// Build step of the LV2 bundle: writes the factory presets as LV2 presets (presets.ttl) and
// lists them in the bundle's manifest.ttl, which the framework has just generated. The LV2
// build carries no framework programs (hosts that render LV2 files headless fail on them);
// plain Turtle presets are read by every LV2 host instead.
// Usage: sorvell_lv2_presets BUNDLE_DIR PLUGIN_URI
#include "factory_presets.h"
#include "sorvell_parameters.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace
{

// A Turtle decimal literal that reads back as the same float the plugin port holds. Whole
// numbers are written as decimals too ("24.0"): some hosts read integer literals as 0.
std::string decimal(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string result = text;
    if (result.find_first_of(".e") == std::string::npos)
    {
        result += ".0";
    }
    return result;
}

std::string escaped(std::string_view text)
{
    std::string result;
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
        {
            result += '\\';
        }
        result += c;
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: sorvell_lv2_presets BUNDLE_DIR PLUGIN_URI\n";
        return 2;
    }
    const std::string bundle = argv[1];
    const std::string plugin = argv[2];
    std::ofstream presets(bundle + "/presets.ttl");
    std::ofstream manifest(bundle + "/manifest.ttl", std::ios::app);
    presets << "@prefix lv2:  <http://lv2plug.in/ns/lv2core#> .\n"
               "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
               "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n";
    manifest << "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n";
    for (const auto& preset : sorvell::factory_presets())
    {
        const std::string uri = "<" + plugin + "#preset-" + std::string(preset.name) + ">";
        manifest << "\n"
                 << uri << "\n    a pset:Preset ;\n    lv2:appliesTo <" << plugin
                 << "> ;\n    rdfs:label \"" << escaped(preset.name)
                 << "\" ;\n    rdfs:seeAlso <presets.ttl> .\n";
        presets << "\n"
                << uri << "\n    a pset:Preset ;\n    lv2:appliesTo <" << plugin
                << "> ;\n    rdfs:label \"" << escaped(preset.name) << "\" ;\n    rdfs:comment \""
                << escaped(preset.description) << "\" ;\n    lv2:port";
        for (std::size_t i = 0; i < preset.values.size(); ++i)
        {
            const auto& value = preset.values[i];
            const auto index = quendra::sorvell::parameter_index(value.parameter);
            if (!index)
            {
                std::cerr << "preset " << preset.name << ": unknown parameter " << value.parameter
                          << "\n";
                return 1;
            }
            presets << (i == 0 ? " [\n" : " , [\n") << "        lv2:symbol \"" << value.parameter
                    << "\" ;\n        pset:value " << decimal(value.value) << "\n    ]";
        }
        presets << " .\n";
    }
    return presets && manifest ? 0 : 1;
}
