#include "quendra/dsp/KernelTable.h"

#include <cmath>

namespace quendra::dravel::vantor
{

namespace
{
// sin(pi y) / sin(pi y / 33), from y / 33: the periodic sinc of a 33-point frame.
float periodicSinc(float yOver33) noexcept
{
    return std::sin(yOver33 * 103.67256f) / std::sin(yOver33 * 3.1415927f);
}
} // namespace

KernelTable::KernelTable() noexcept
{
    for (std::size_t i = 0; i < kSize; ++i)
    {
        const float x = static_cast<float>(i > kCentre ? i - kCentre : kCentre - i) * 0.25f;
        if (x == 0.0f)
            mValues[i] = 1.0f;
        else if (x == 1.0f)
            mValues[i] = 0.5f;
        else
        {
            // Raised cosine: the main term plus half of each neighbour one bin away.
            const float base = x / 33.0f;
            const float centre = periodicSinc(base);
            const float below = periodicSinc(base - 0.030303031f);
            const float above = periodicSinc(base + 0.030303031f);
            mValues[i] = (centre + 0.5f * below + 0.5f * above) / 33.0f;
        }
    }
    for (std::size_t t = 0; t < 4; ++t)
        for (std::size_t j = 0; j < 8; ++j)
        {
            mTaps[t][j] = mValues[t + 4 * j];
            mNextTaps[t][j] = mValues[t + 4 * j + 1];
            mPairedTaps[t][2 * j] = mPairedTaps[t][2 * j + 1] = mTaps[t][j];
            mPairedNextTaps[t][2 * j] = mPairedNextTaps[t][2 * j + 1] = mNextTaps[t][j];
        }
    for (std::size_t t = 0; t < 4; ++t)
        for (std::size_t r = 0; r < 8; ++r)
            for (std::size_t j = 0; j < 8; ++j)
                for (std::size_t part = 0; part < 2; ++part)
                {
                    const std::size_t place = 2 * ((j + r) % 8) + part;
                    mRotatedPairedTaps[t][r][place] = mPairedTaps[t][2 * j + part];
                    mRotatedPairedNextTaps[t][r][place] = mPairedNextTaps[t][2 * j + part];
                }
}

} // namespace quendra::dravel::vantor
