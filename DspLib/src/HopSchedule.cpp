#include "quendra/dsp/HopSchedule.h"

namespace quendra::dravel::vantor
{

void HopSchedule::beforeChange(Change change) noexcept
{
    if (change == Change::AtOnce && mOwed != 0)
        return payOwedTicks();
    startFramesThrough(1);
    if (change == Change::BeforeGroupUpdates)
        for (ChannelPartialBank* bank : mpBanks)
            bank->freezeDue(mOwed);
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
