// A floating-point WAV file's format chunk as every reader expects it. libsndfile writes the
// 16-byte form of PCM, without the extension size that any other format's chunk must carry
// (some readers warn about it); this rewrites such a file with the 18-byte form (extension
// size 0), everything else unchanged. The file is copied once; allocates; throws ToolError.
#pragma once

#include <string>

namespace quendra::renderer
{

// Does nothing to any other file (integer WAV, RF64, other containers).
void extendFloatFormatChunk(const std::string& path);

} // namespace quendra::renderer
