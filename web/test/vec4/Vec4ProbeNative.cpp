// The vec4 probe on this machine's backend: the result words in hexadecimal, one a line.
#include "Vec4Probe.h"

#include <cstdio>

int main()
{
    for (const std::uint32_t word : quendra::dravel::vantor::probe::runVec4Probe())
        std::printf("%08x\n", word);
    return 0;
}
