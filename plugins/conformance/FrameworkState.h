// The plugin framework's saved state as VST3 and CLAP hosts store it: NUL-terminated strings
// (an optional program, a section of key/value states, a section of parameter symbols and
// values), then 0xFE. The tuning checks edit it as a session file would carry it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvell::conformance
{

using StateBytes = std::vector<uint8_t>;

// The state with one key of the state section set to a text (the section made if missing).
StateBytes withStateValue(const StateBytes& state, const std::string& key,
                          const std::string& value);
// The state as a build without any keyed state saved it: no state section at all.
StateBytes withoutStateSection(const StateBytes& state);
// The text under a key of the state section; empty when missing.
std::string stateValue(const StateBytes& state, const std::string& key);

} // namespace sorvell::conformance
