// Chooses the output file format from the output file's extension: WAV as 32-bit float,
// FLAC and AIFF as 24-bit integers, OGG as Vorbis. Pure; throws ToolError (usage) for an
// extension it does not know.
#pragma once

#include <string>

namespace quendra::renderer
{

// A libsndfile format word (container | sample encoding).
int outputFormatFor(const std::string& path);

} // namespace quendra::renderer
