#include "quendra/dsp/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace quendra::dravel::vantor
{

void assertionFailed(const char* expression, const char* file, int line) noexcept
{
    std::fprintf(stderr, "ASSERT '%s': expression failed in file '%s:%d'\n", expression, file,
                 line);
    std::fflush(stderr);
    std::abort();
}

} // namespace quendra::dravel::vantor
