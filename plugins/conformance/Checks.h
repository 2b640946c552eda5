// The families of checks, each a table of cases run on one format.
#pragma once

#include "PluginInstance.h"
#include "Render.h"
#include "Report.h"

#include <memory>
#include <string>

namespace sorvell::conformance
{

struct Context
{
    Format format;
    std::string bundle;
    Report& report;
    // Another build of the same plugin in this format (e.g. with and without window): its
    // saved state must load here. Empty: no such check.
    std::string stateSource = {};

    // "<format> <family> <case>": the name a filter matches.
    std::string name(const std::string& family, const std::string& detail) const;
    std::unique_ptr<PluginInstance> make(double sampleRate = 44100.0,
                                         uint32_t maxBlockSize = 512) const;
};

// Settings whose output has no randomness in it (no modulation, one voice), light enough to
// run many times.
const Settings& deterministicSettings();

// The largest output magnitude that still counts as bounded.
constexpr float kPeakBound = 64.0f;

void checkLatency(Context& context);
void checkSampleRates(Context& context);
void checkBlockSizes(Context& context);
void checkReactivation(Context& context);
void checkInPlace(Context& context);
void checkParameters(Context& context);
void checkState(Context& context);
void checkTuning(Context& context);
void checkRealtime(Context& context);
void checkBadInput(Context& context);
void checkAudio(Context& context);
void checkMidi(Context& context);

} // namespace sorvell::conformance
