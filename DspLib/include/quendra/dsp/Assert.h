// Fatal assertions for programming errors and resource failures outside the audio path.
// A failed check writes one line to standard error,
//   ASSERT '<expression>': expression failed in file '<path>:<line>'
// and aborts the process. The checks stay on in every build type. Nothing is allocated
// before the message is written.
#pragma once

namespace quendra::dravel::vantor
{

[[noreturn]] void assertionFailed(const char* expression, const char* file, int line) noexcept;

} // namespace quendra::dravel::vantor

#define QUENDRA_ASSERT(expression)                                                                 \
    ((expression) ? static_cast<void>(0)                                                           \
                  : ::quendra::dravel::vantor::assertionFailed(#expression, __FILE__, __LINE__))
