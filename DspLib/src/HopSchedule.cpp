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
    for (; mNextStep < 4; ++mNextStep)
    {
        // At the hop the syntheses still waiting complete the spectrum (whose ticks may not
        // have reached every group, after a reset within the hop).
        ChannelPartialBank& bank = *mpBanks[mNextStep - 2];
        if (hop)
            bank.completeSynthesis();
        else if (!bank.spectrumComplete())
            break;
        mInverse(mNextStep - 2);
    }
    if (hop)
    {
        mCountdown = kHopSize;
        mNextStep = 0;
    }
    return hop;
}

} // namespace quendra::dravel::vantor
