// Rewrites the stream serial number of every page of an Ogg file (and the page checksums),
// so that the same audio always gives the same bytes: the encoder library picks the serial
// from the clock. Reads and writes the file in place, one page at a time. Throws ToolError.
#pragma once

#include <cstdint>
#include <string>

namespace quendra::renderer
{

void setOggStreamSerial(const std::string& path, std::uint32_t serial);

} // namespace quendra::renderer
