// The vec4 probe as WebAssembly exports: the result words and their count.
#include "Vec4Probe.h"

#include <emscripten/emscripten.h>

namespace
{
const std::vector<std::uint32_t>& words()
{
    static const std::vector<std::uint32_t> result = quendra::dravel::vantor::probe::runVec4Probe();
    return result;
}
} // namespace

extern "C" EMSCRIPTEN_KEEPALIVE const std::uint32_t* vec4_probe_words()
{
    return words().data();
}

extern "C" EMSCRIPTEN_KEEPALIVE std::uint32_t vec4_probe_count()
{
    return static_cast<std::uint32_t>(words().size());
}
