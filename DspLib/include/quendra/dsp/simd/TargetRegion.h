// Brackets a region of code compiled for an instruction set beyond the build's baseline: every
// function defined between QUENDRA_BEGIN_TARGET(...) and QUENDRA_END_TARGET may use it. The rest
// of the translation unit (the shared headers' inline functions above all) stays baseline, so
// that no copy of a shared function the linker keeps needs more than the baseline. Code in a
// region runs only after a run-time check of the processor.
#pragma once

#define QUENDRA_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define QUENDRA_BEGIN_TARGET(features)                                                             \
    QUENDRA_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define QUENDRA_END_TARGET QUENDRA_PRAGMA(clang attribute pop)
#else
#define QUENDRA_BEGIN_TARGET(features)                                                             \
    QUENDRA_PRAGMA(GCC push_options) QUENDRA_PRAGMA(GCC target(features))
#define QUENDRA_END_TARGET QUENDRA_PRAGMA(GCC pop_options)
#endif
