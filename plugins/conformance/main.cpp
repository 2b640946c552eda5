// sorvell-conformance: loads the built LV2, VST3 and CLAP bundles the way hosts do and runs
// the families of checks that public plugin validators make, one line per check. The exit
// status is non-zero when any check fails.
#include "Checks.h"
#include "ReferenceRender.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#ifndef SORVELL_PLUGIN_BIN_DIR
#define SORVELL_PLUGIN_BIN_DIR "build/bin"
#endif

namespace
{

using namespace sorvell::conformance;

void usage()
{
    std::printf(
        "usage: sorvell-conformance [--format lv2|vst3|clap|all] [--filter TEXT]\n"
        "                           [--lv2 BUNDLE] [--vst3 BUNDLE] [--clap FILE]\n"
        "                           [--state-from BUNDLE_OR_FILE] [--render-to FILE]\n"
        "Loads the plugin in each format as a host does and runs the conformance checks:\n"
        "latency, sample-rate, block-size, reactivate, in-place, parameters, state, tuning,\n"
        "realtime, bad-input, audio, midi. Prints one line per check; --filter keeps the\n"
        "checks whose line contains TEXT (e.g. \"clap latency\"). --state-from names another\n"
        "build of the plugin in the one format run (e.g. with and without window): its state\n"
        "must load.\n"
        "--render-to writes a fixed render through the one format named (raw 32-bit floats,\n"
        "interleaved) instead of checking, to compare builds bit for bit.\n"
        "Bundles default to %s.\n",
        SORVELL_PLUGIN_BIN_DIR);
}

} // namespace

int main(int argc, char** argv)
{
    std::string format = "all";
    std::string filter;
    std::string stateSource;
    std::string renderPath;
    const std::string bin = SORVELL_PLUGIN_BIN_DIR;
    std::string paths[3] = {bin + "/Sorvell.lv2", bin + "/Sorvell.vst3", bin + "/Sorvell.clap"};
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--format" && hasValue)
        {
            format = argv[++i];
        }
        else if (arg == "--filter" && hasValue)
        {
            filter = argv[++i];
        }
        else if (arg == "--lv2" && hasValue)
        {
            paths[0] = argv[++i];
        }
        else if (arg == "--vst3" && hasValue)
        {
            paths[1] = argv[++i];
        }
        else if (arg == "--clap" && hasValue)
        {
            paths[2] = argv[++i];
        }
        else if (arg == "--state-from" && hasValue)
        {
            stateSource = argv[++i];
        }
        else if (arg == "--render-to" && hasValue)
        {
            renderPath = argv[++i];
        }
        else
        {
            usage();
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }

    const Format formats[3] = {Format::Lv2, Format::Vst3, Format::Clap};
    if (!renderPath.empty())
    {
        for (int f = 0; f < 3; ++f)
        {
            if (format == formatName(formats[f]))
            {
                try
                {
                    writeReferenceRender(formats[f], paths[f], renderPath);
                }
                catch (const std::exception& error)
                {
                    std::fprintf(stderr, "sorvell-conformance: %s\n", error.what());
                    return 1;
                }
                unloadModules();
                return 0;
            }
        }
        usage();
        return 2;
    }
    Report report(filter);
    bool known = false;
    for (int f = 0; f < 3; ++f)
    {
        if (format != "all" && format != formatName(formats[f]))
        {
            continue;
        }
        known = true;
        Context context{formats[f], paths[f], report, stateSource};
        for (auto family : {checkAudio, checkLatency, checkSampleRates, checkBlockSizes,
                            checkReactivation, checkInPlace, checkParameters, checkState,
                            checkTuning, checkRealtime, checkBadInput, checkMidi})
        {
            family(context);
        }
    }
    unloadModules();
    if (!known)
    {
        usage();
        return 2;
    }
    std::printf("%d checks, %d failed\n", report.count(), report.failures());
    if (report.count() == 0)
    {
        std::printf("no check matches the filter\n");
        return 1;
    }
    return report.failures() == 0 ? 0 : 1;
}
