// HopSchedule: when the engine's work of a hop runs, apart from what that work computes.
// Once per hop (kHopSize samples) each side (0 left, 1 right) starts a frame (the engine's
// forward transform and its bank's frame start), its bank ticks over the hop's samples, and the
// engine transforms its output spectrum back. Work waits so that no sample carries it all:
// - the frame starts wait for the sample after the hop, each just before its bank's first tick;
// - in a run of frames the ticks are owed until the run's end or a change that needs them done;
// - an inverse transform needs only its complete spectrum and the time buffer its frame start
//   has read: it runs in the hop's last quarter once the spectrum is complete, at the hop at
//   the latest.
// The left side's steps run before the right's (the sides never meet). Counts are samples.
// Allocates nothing; every call is noexcept.
#pragma once

#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/FrameGeometry.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

class HopSchedule
{
public:
    using SideStep = Delegate<void(std::size_t)>; // called with the side

    // How a change reaches the banks against the ticks still owed. Every kind first runs the
    // frame starts due, as a per-frame call would have before the change.
    enum class Change
    {
        AtFrameStart,       // taken up at the next frame start: the owed ticks may wait
        BeforeGroupUpdates, // taken up by each group before its update: the groups the owed
                            // ticks update keep the values of before, and the ticks may wait
        AtOnce,             // read by the groups at once: the owed ticks run first
    };

    HopSchedule(ChannelPartialBank& left, ChannelPartialBank& right, SideStep startFrame,
                SideStep inverse) noexcept
        : mpBanks{&left, &right}, mStartFrame(startFrame), mInverse(inverse)
    {
    }

    // Samples until the hop, every frame that has entered counted (owed or ticked).
    std::uint64_t samplesUntilHop() const noexcept { return mCountdown; }
    std::size_t runLength(std::size_t frames) const noexcept // a run never crosses a hop
    {
        return static_cast<std::size_t>(std::min<std::uint64_t>(frames, mCountdown));
    }

    // One frame, its ticks at once. True when it ends the hop: the inverse transforms are done
    // and the next hop counts down; the engine then does the hop's own work.
    bool tickFrame() noexcept
    {
        for (std::size_t side = 0; side < 2; ++side)
        {
            startFramesThrough(side);
            mpBanks[side]->tick();
        }
        --mCountdown;
        return endFrames();
    }
    // A run's frames enter owing their ticks; endRun() pays them, then as tickFrame().
    void owe(std::uint64_t frames) noexcept
    {
        mOwed += frames;
        mCountdown -= frames;
    }
    bool endRun() noexcept
    {
        payOwedTicks();
        return endFrames();
    }

    void beforeChange(Change change) noexcept;

private:
    static constexpr std::uint64_t kEarlyInverseSamples = kHopSize / 4;

    void startFramesThrough(std::size_t side) noexcept
    {
        for (; mNextStep <= side; ++mNextStep)
            mStartFrame(mNextStep);
    }
    void payOwedTicks() noexcept // spelt out per side: a loop costs the run measurably
    {
        const std::uint64_t samplesToHop = mCountdown + mOwed;
        startFramesThrough(0);
        mpBanks[0]->updateGroups(mOwed);
        startFramesThrough(1);
        mpBanks[1]->updateGroups(mOwed);
        // Both sides' syntheses together: their adds into the two spectra overlap.
        ChannelPartialBank::synthesiseTogether(
            *mpBanks[0], mpBanks[0]->synthesesDue(mOwed, samplesToHop), *mpBanks[1],
            mpBanks[1]->synthesesDue(mOwed, samplesToHop));
        mOwed = 0;
    }
    bool endFrames() noexcept { return mCountdown <= kEarlyInverseSamples && inverseDue(); }
    bool inverseDue() noexcept; // true at the hop

    std::array<ChannelPartialBank*, 2> mpBanks;
    SideStep mStartFrame;
    SideStep mInverse;
    std::uint64_t mCountdown = kHopSize; // set only here and at each hop: a reset keeps the phase
    std::uint64_t mOwed = 0;             // frames of the run whose ticks wait
    // A hop's steps run in this order: the frame starts of sides 0 and 1 (steps 0 and 1),
    // then their inverse transforms (2 and 3). The first step not yet run:
    std::size_t mNextStep = 2;
};

} // namespace quendra::dravel::vantor
