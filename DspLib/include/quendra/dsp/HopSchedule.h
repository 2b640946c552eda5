// HopSchedule: when the engine's work of a hop runs, apart from what that work computes.
// Once per hop (kHopSize samples) each side (0 left, 1 right) starts a frame (its forward
// transform and its bank's frame start), its bank ticks over the hop's samples, and its output
// spectrum is transformed back. To keep each sample light, work waits:
// - a side's frame start waits for the sample after the hop, just before its bank's first tick
//   (the left side's first: the sides never meet, and the two samples share the work);
// - within a run of frames the banks' ticks are owed until the run's end, or until a change
//   needs them done;
// - a side's inverse transform runs in the hop's last quarter once its spectrum is complete,
//   at the hop at the latest.
// The engine supplies the two per-side steps; the schedule runs them and the banks' ticks in
// that order. Counts are samples. Allocates nothing; every call is noexcept.
#pragma once

#include "quendra/dsp/ChannelPartialBank.h"
#include "quendra/dsp/Delegate.h"
#include "quendra/dsp/FrameGeometry.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quendra::dravel::vantor
{

class HopSchedule
{
public:
    using SideStep = Delegate<void(std::size_t)>; // called with the side

    // How a change reaches the banks relative to the ticks still owed. Each kind first runs
    // the frame starts due, as they would have run before the change on a per-frame call.
    enum class Change
    {
        AtFrameStart,       // the banks take it up at their next frame start: ticks may wait
        BeforeGroupUpdates, // each group takes it up before its update: the groups the owed
                            // ticks update keep the value of before, and the ticks may wait
        AtOnce,             // the groups read it at once: the owed ticks run first
    };

    HopSchedule(ChannelPartialBank& left, ChannelPartialBank& right, SideStep startFrame,
                SideStep inverse) noexcept
        : mpBanks{&left, &right}, mStartFrame(startFrame), mInverse(inverse)
    {
    }

    // Samples until the hop, counting every frame that has entered (owed or ticked).
    std::uint64_t samplesUntilHop() const noexcept { return mCountdown; }

    // One frame with its ticks at once. True when it ends the hop: the inverse transforms are
    // done and the next hop's countdown runs; the engine then does the hop's own work.
    bool tickFrame() noexcept;
    // A run of frames that ends at the latest on the hop: each enters owing its ticks, and
    // endRun() pays them; then as tickFrame().
    void owe(std::uint64_t frames) noexcept
    {
        mOwed += frames;
        mCountdown -= frames;
    }
    bool endRun() noexcept
    {
        beforeChange(Change::AtOnce);
        return endFrames();
    }

    void beforeChange(Change change) noexcept;
    // Before the engine clears its signal: the frame starts due run first, and this hop's
    // inverse transforms are done again from the cleared spectra.
    void reset() noexcept
    {
        beforeChange(Change::AtFrameStart);
        mNextInverse = 0;
    }

private:
    // Light settings complete a spectrum well before the hop: its inverse transform then runs
    // in the hop's last quarter rather than in the hop's own sample.
    static constexpr std::uint64_t kEarlyInverseSamples = kHopSize / 4;

    void startFramesThrough(std::size_t side) noexcept
    {
        for (; mNextFrameStart <= side; ++mNextFrameStart)
            mStartFrame(mNextFrameStart);
    }
    bool endFrames() noexcept;

    std::array<ChannelPartialBank*, 2> mpBanks;
    SideStep mStartFrame;
    SideStep mInverse;
    std::uint64_t mCountdown = kHopSize; // set only here and at each hop: reset() keeps the phase
    std::uint64_t mOwed = 0;             // frames of the run whose ticks wait
    // Per hop the left side's steps run before the right's: the sides from these on have the
    // step still to run.
    std::size_t mNextFrameStart = 2;
    std::size_t mNextInverse = 0;
};

} // namespace quendra::dravel::vantor
