#include "quendra/dsp/NoteSlot.h"

namespace quendra::dravel::vantor
{

NoteSlot::Step NoteSlot::advance(bool audible) noexcept
{
    Step step;
    if (mPhase == Phase::FadingOut && mStep == kFadeOutHops)
    {
        mPhase = Phase::Silent; // its levels were brought to zero in the last hop
        audible = false;        // (the partials knew it only after they had told)
    }
    bool startedNow = false;
    if (mStartDue && mPhase != Phase::FadingOut)
    {
        const bool samePitch = mNextHz == mHz;
        const bool gated = gate();
        if (gated && samePitch)
        {
            // A new press of the sounding note: it goes on as it is.
            mStartDue = false;
            startedNow = true;
        }
        else if (gated || (audible && !samePitch))
        {
            mPhase = Phase::FadingOut;
            mStep = 0;
        }
        else
        {
            step.retune = !samePitch;
            mHz = mNextHz;
            mPhase = Phase::FadingIn;
            mStep = 0;
            mStartDue = false;
            startedNow = true;
        }
    }
    // A release waits for its note to have started and sounded one hop.
    if (mReleaseDue && !startedNow && !mStartDue)
    {
        mReleaseDue = false;
        if (gate())
            mPhase = Phase::Released;
    }
    if (mPhase == Phase::FadingIn)
    {
        step.gain = static_cast<float>(mStep + 1) / static_cast<float>(kFadeInHops);
        if (++mStep == kFadeInHops)
            mPhase = Phase::Held;
    }
    else if (mPhase == Phase::FadingOut)
    {
        ++mStep;
        step.gain = 1.0f - static_cast<float>(mStep) / static_cast<float>(kFadeOutHops);
    }
    step.gate = gate();
    return step;
}

} // namespace quendra::dravel::vantor
