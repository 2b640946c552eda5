#include "quendra/dsp/HopSchedule.h"

#include <utility>

namespace quendra::dravel::vantor
{

void HopSchedule::beforeChange(Change change) noexcept
{
    const std::uint64_t paid = change == Change::AtOnce ? std::exchange(mOwed, 0) : 0;
    for (std::size_t side = 0; side < 2; ++side)
    {
        startFramesThrough(side);
        if (paid != 0)
            mpBanks[side]->tick(paid, mCountdown + paid);
        else if (change == Change::BeforeGroupUpdates)
            mpBanks[side]->freezeDue(mOwed);
    }
}

bool HopSchedule::inverseDue() noexcept
{
    const bool hop = mCountdown == 0;
    for (; mNextInverse < 2; ++mNextInverse)
    {
        // At the hop the syntheses still waiting complete the spectrum (whose ticks may not
        // have reached every group, after a reset within the hop).
        ChannelPartialBank& bank = *mpBanks[mNextInverse];
        if (hop)
            bank.completeSynthesis();
        else if (!bank.spectrumComplete())
            break;
        mInverse(mNextInverse);
    }
    if (hop)
    {
        mCountdown = kHopSize;
        mNextFrameStart = 0;
        mNextInverse = 0;
    }
    return hop;
}

} // namespace quendra::dravel::vantor
