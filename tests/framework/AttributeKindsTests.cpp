// The flush-to-zero guard that the perform routine holds for the duration of each call.
#include "quendra/denormal_guard.h"

#include <gtest/gtest.h>

TEST(DenormalGuard, FlushesInsideAndRestoresTheCallersMode)
{
#if defined(__x86_64__) || defined(__aarch64__)
    volatile float tiny = 1.0e-39f; // subnormal
    volatile float one = 1.0f;
    EXPECT_NE(tiny * one, 0.0f);
    {
        brindle::quendra::denormal_guard guard;
        EXPECT_EQ(tiny * one, 0.0f);
    }
    EXPECT_NE(tiny * one, 0.0f);
#else
    GTEST_SKIP() << "no flush-to-zero control on this machine";
#endif
}
