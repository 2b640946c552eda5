// A fixed render through the plugin, written out so that two builds of the plugin (Linux and
// Windows, say) can be compared bit for bit: two seconds of noise at 48 kHz in blocks of 256,
// settings away from the defaults and a frequency change mid-way.
#pragma once

#include "PluginInstance.h"

#include <string>

namespace sorvell::conformance
{

// Writes the output, interleaved 32-bit floats in the machine's byte order, to `path`.
// Throws when the plugin cannot be loaded or the file not written.
void writeReferenceRender(Format format, const std::string& bundle, const std::string& path);

} // namespace sorvell::conformance
