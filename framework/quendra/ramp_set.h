// The per-block parameter binding shared by every front end that drives the engine: the
// smoothed parameters in creation order with their 5 ms ramps, and the queue of block-start
// changes (voices, harmonics, modulation mode). A block starts with begin_block (ramp states,
// ramping list, queue drain); each sample then calls advance before the engine processes it.
// Construction and prepare run off the audio thread; begin_block and advance allocate nothing.
#pragma once

#include "parameter_queue.h"
#include "smoothed_parameter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindle::quendra
{

class ramp_set
{
public:
    static constexpr std::size_t ramping_capacity = 100;

    // Samples per ramp: 5 ms at the given rate (240 at 48 kHz).
    static std::uint64_t ramp_length_for(double sample_rate)
    {
        return static_cast<std::uint64_t>(std::floor(sample_rate * 0.005));
    }

    ramp_set() { mRamping.reserve(ramping_capacity); }

    ramp_set(const ramp_set&) = delete;
    ramp_set& operator=(const ramp_set&) = delete;

    // Adds a parameter (kept by reference; it must outlive the set), in creation order.
    void add(smoothed_parameter& parameter)
    {
        mParameters.push_back(&parameter);
        parameter.count_changes_in(mChanges);
    }

    // The engine is new or primed for `sample_rate`: every parameter gets the 5 ms ramp length
    // and hands the value it has reached to the engine, in creation order.
    void prepare(double sample_rate)
    {
        const auto length = ramp_length_for(sample_rate);
        for (smoothed_parameter* parameter : mParameters)
        {
            parameter->set_ramp_length(length);
            parameter->push_current();
        }
        mSeenChanges = kUnseen;
    }

    // Later sets take effect without a ramp, at the next prepare (no audio thread runs the
    // ramps until then).
    void unprepare() noexcept
    {
        for (smoothed_parameter* parameter : mParameters)
        {
            parameter->set_ramp_length(0);
        }
        mSeenChanges = kUnseen;
    }

    // Audio thread, block start: ramp states, the block's ramping list, then the queued changes
    // in the order they were made. With no ramp running and no set since the last block start
    // no state can have moved, and the parameters are not visited (their objects would mostly
    // have left the cache while the engine ran).
    void begin_block() noexcept
    {
        const std::uint64_t changes = mChanges.load(std::memory_order_acquire);
        if (mRamping.empty() && changes == mSeenChanges)
        {
            mQueue.drain();
            return;
        }
        mSeenChanges = changes;
        mRamping.clear();
        for (smoothed_parameter* parameter : mParameters)
        {
            if (parameter->begin_block() && mRamping.size() < mRamping.capacity())
            {
                mRamping.push_back(parameter);
            }
        }
        mQueue.drain();
    }

    // Audio thread, once per sample before the engine runs: every ramping parameter calls back.
    void advance() noexcept
    {
        for (smoothed_parameter* parameter : mRamping)
        {
            parameter->advance();
        }
    }

    parameter_queue& queue() noexcept { return mQueue; }
    const std::vector<smoothed_parameter*>& parameters() const noexcept { return mParameters; }
    bool ramping() const noexcept { return !mRamping.empty(); }
    // Samples of this block after which every ramp has handed out its target: from then on
    // advance() only repeats values the engine already has.
    std::uint64_t samples_to_settle() const noexcept
    {
        std::uint64_t samples = 0;
        for (const smoothed_parameter* parameter : mRamping)
        {
            samples = std::max(samples, parameter->samples_to_settle());
        }
        return samples;
    }

private:
    std::vector<smoothed_parameter*> mParameters;
    static constexpr std::uint64_t kUnseen = ~std::uint64_t{0};

    std::vector<smoothed_parameter*> mRamping;
    parameter_queue mQueue;
    std::atomic<std::uint64_t> mChanges{0}; // sets of any parameter so far
    std::uint64_t mSeenChanges = kUnseen;   // the count at the last visit
};

} // namespace brindle::quendra
