#include "quendra/dsp/KernelTable.h"

namespace quendra::dravel::vantor
{

namespace
{
// Entry 16 + k, k quarter bins from the centre: the raised cosine's spectrum
// (c(x) + c(x - 1) / 2 + c(x + 1) / 2) / 33 with c(x) = sin(pi x) / sin(pi x / 33), evaluated
// in single precision (the angles as float products, the sines rounded to float). Written out
// rather than computed at start-up so that every platform has the same bits whatever its C
// library's sine returns: the tiny values at 2, 3 and 4 bins, which are zero in exact
// arithmetic, are that evaluation's rounding, and the engine's recorded output depends on them.
constexpr float kValues[KernelTable::kCentre + 1] = {
    0x1p+0f,         0x1.ebb14cp-1f,  0x1.b29942p-1f,  0x1.5f3568p-1f,   0x1p-1f,
    0x1.47cbe8p-2f,  0x1.5baf1cp-3f,  0x1.fedd74p-5f,  -0x1.61b83ep-33f, -0x1.937afp-6f,
    -0x1.8d6956p-6f, -0x1.98c77cp-7f, 0x1.6d07c2p-33f, 0x1.dadfa2p-8f,   0x1.0914a2p-7f,
    0x1.2d68aap-8f,  0x1.0d622ap-25f};
} // namespace

KernelTable::KernelTable() noexcept
{
    for (std::size_t i = 0; i < kSize; ++i)
    {
        mValues[i] = kValues[i > kCentre ? i - kCentre : kCentre - i];
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
