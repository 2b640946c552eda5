// The synthesis kernel: the quarter-bin samples of a raised-cosine frame's spectrum.
#include "quendra/dsp/KernelTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quendra::dravel::vantor;

// The table is written out (the same bits on every platform); it must still be the raised
// cosine's spectrum: each entry within single-precision rounding of the formula evaluated in
// double precision, symmetric, and exact where the formula gives 1 and 0.5.
TEST(KernelTable, FollowsTheRaisedCosineSpectrum)
{
    const auto periodicSinc = [](double y)
    {
        return y == 0.0 ? 33.0
                        : std::sin(std::numbers::pi * y) / std::sin(std::numbers::pi * y / 33.0);
    };
    const KernelTable k;
    for (std::size_t i = 0; i < KernelTable::kSize; ++i)
    {
        const double x = (static_cast<double>(i) - 16.0) * 0.25;
        const double exact =
            (periodicSinc(x) + 0.5 * periodicSinc(x - 1.0) + 0.5 * periodicSinc(x + 1.0)) / 33.0;
        EXPECT_NEAR(k[i], exact, 1e-6) << i;
        EXPECT_EQ(k[i], k[KernelTable::kSize - 1 - i]) << i;
    }
    EXPECT_EQ(k[16], 1.0f);
    EXPECT_EQ(k[12], 0.5f);
}
