// fmaf with a single rounding, for C libraries whose own is not correctly rounded: MinGW-w64's
// software fmaf (used where the processor has no FMA instruction), and the one emscripten
// 3.1.6 links, which computes in double precision and corrects halfway cases through the
// floating-point environment that WebAssembly does not have. Their results come out one unit
// off in the last place now and then; the engine's fused multiply-adds must give the bits
// they give everywhere else. Linked into the engine on those platforms only, where this
// definition takes the library's place.
//
// The product of two floats is exact in a double; the sum with c is formed exactly as a double
// and its error (Knuth's two-sum), rounded to odd (a double whose last bit records that the
// exact value lay beyond it), then rounded once to float: with 29 bits to spare that gives
// the correctly rounded result.
#include <cmath>
#include <cstdint>
#include <cstring>

extern "C" float fmaf(float a, float b, float c)
{
    const double product = static_cast<double>(a) * static_cast<double>(b);
    const double sum = product + static_cast<double>(c);
    if (!std::isfinite(sum))
        return static_cast<float>(sum);
    const double productPart = sum - static_cast<double>(c);
    const double error = (product - productPart) + (static_cast<double>(c) - (sum - productPart));
    std::uint64_t bits;
    std::memcpy(&bits, &sum, sizeof bits);
    if (error != 0.0 && (bits & 1u) == 0)
        bits += (error > 0.0) == (sum > 0.0) ? 1 : std::uint64_t(-1); // the odd neighbour
    double odd;
    std::memcpy(&odd, &bits, sizeof odd);
    return static_cast<float>(odd);
}
