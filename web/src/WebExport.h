// Marks a function the page calls: kept by the linker and exported from the module under its
// own name.
#pragma once

#include <emscripten/emscripten.h>

#define SORVELL_WEB_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE
