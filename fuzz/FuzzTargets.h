// Entry points of the fuzz targets, one per fuzzer, shared by the libFuzzer programs and the
// regression replay in the test suite. Each takes one fuzz input and aborts on a fault.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sorvell::fuzz
{

int runEngine(const std::uint8_t* bytes, std::size_t size);
int runBoxText(const std::uint8_t* bytes, std::size_t size);
int runAttributes(const std::uint8_t* bytes, std::size_t size);
int runMessages(const std::uint8_t* bytes, std::size_t size);
int runChordFile(const std::uint8_t* bytes, std::size_t size);

} // namespace sorvell::fuzz

// Each fuzzer source defines LLVMFuzzerTestOneInput unless it is built for the replay.
#if defined(SORVELL_FUZZ_REPLAY)
#define SORVELL_FUZZ_ENTRY(function)
#else
#define SORVELL_FUZZ_ENTRY(function)                                                               \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)             \
    {                                                                                              \
        return function(bytes, size);                                                              \
    }
#endif
