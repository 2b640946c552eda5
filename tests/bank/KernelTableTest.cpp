// The synthesis kernel: the quarter-bin samples of a raised-cosine frame's spectrum.
#include "quendra/dsp/KernelTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quendra::dravel::vantor;

TEST(KernelTable, RoundedValuesAndSymmetry)
{
    const float expected[17] = {0.0f,       0.004599f,  0.00809f,  0.007246f, 0.0f,      -0.012475f,
                                -0.024256f, -0.024627f, 0.0f,      0.062361f, 0.169768f, 0.320114f,
                                0.5f,       0.685954f,  0.848826f, 0.960337f, 1.0f};
    const KernelTable k;
    for (std::size_t i = 0; i <= 16; ++i)
    {
        // Six-digit values; the last digit may differ with the C library's sinf.
        EXPECT_NEAR(k[i], expected[i], 1e-6f) << i;
        EXPECT_EQ(k[i], k[32 - i]) << i;
    }
    EXPECT_EQ(k[16], 1.0f);
    EXPECT_EQ(k[12], 0.5f);
    EXPECT_EQ(k[20], 0.5f);
}

// The table is written out (the same bits on every platform); it must still be the raised
// cosine's spectrum: each entry within single-precision rounding of the formula evaluated in
// double precision.
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
    }
}
