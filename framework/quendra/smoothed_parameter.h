// A floating-point parameter whose changes reach the engine through a linear ramp, with no tie
// to any host: the setting thread clamps and publishes the new target, the audio thread starts
// the ramp at its next block start and calls the change callback once per sample while the ramp
// runs. Until a ramp length is set (the engine is not prepared yet) a set takes effect without
// a ramp when the engine is prepared, which hands it the value (push_current). Construction
// allocates (the callback); begin_block and advance are real-time safe.
#pragma once

#include "linear_ramp.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>

namespace brindle::quendra
{

using double_callback = std::function<void(double)>;

class smoothed_parameter
{
public:
    enum class state
    {
        ramping = 1,
        idle = 2
    };

    smoothed_parameter(double minimum, double maximum, double default_value,
                       double_callback callback)
        : mMinimum(minimum), mMaximum(maximum), mCallback(std::move(callback)),
          mRamp(default_value), mLast(default_value)
    {
    }

    smoothed_parameter(const smoothed_parameter&) = delete;
    smoothed_parameter& operator=(const smoothed_parameter&) = delete;

    // Setting thread: clamps, publishes the target and returns the stored value.
    double set(double requested) noexcept
    {
        const double value = std::clamp(requested, mMinimum, mMaximum);
        while (mSetterBusy.test_and_set(std::memory_order_acquire))
        {
        }
        // Always through the hand-over, prepared or not: the audio thread may be preparing the
        // ramp at this very moment (a host's first block), and a set before the preparation
        // is taken up there, with no ramp.
        mRamp.request(value);
        mLast.store(value, std::memory_order_release);
        if (mpChanges != nullptr)
        {
            mpChanges->fetch_add(1, std::memory_order_release);
        }
        mSetterBusy.clear(std::memory_order_release);
        return value;
    }

    // Preparation: a counter that every later set() increments (see ramp_set::begin_block).
    void count_changes_in(std::atomic<std::uint64_t>& changes) noexcept { mpChanges = &changes; }

    double minimum() const noexcept { return mMinimum; }
    double maximum() const noexcept { return mMaximum; }
    double last() const noexcept { return mLast.load(std::memory_order_acquire); }
    double current() const noexcept { return mRamp.current(); }
    double target() const noexcept { return mRamp.target(); }
    std::uint64_t remaining() const noexcept { return mRamp.remaining(); }
    std::uint64_t samples_to_settle() const noexcept { return mRamp.samples_to_settle(); }
    std::uint64_t ramp_length() const noexcept
    {
        return mRampLength.load(std::memory_order_acquire);
    }
    state ramp_state() const noexcept { return mState; }

    // Preparation (no audio thread running this ramp): new ramp length, pending target taken up.
    // With a length of 0 later sets take effect without a ramp.
    void set_ramp_length(std::uint64_t samples) noexcept
    {
        mRamp.take_request(mRampLength.load(std::memory_order_acquire));
        mRampLength.store(samples, std::memory_order_release);
    }

    // Preparation: hands the value reached to a freshly built or primed engine.
    void push_current()
    {
        const double value = mRamp.deliver_current();
        if (mCallback)
        {
            mCallback(value);
        }
    }

    // Audio thread, block start: takes up a new target; true when the block must ramp.
    bool begin_block() noexcept
    {
        const bool ramping = mRamp.begin_block(mRampLength.load(std::memory_order_relaxed));
        mState = ramping ? state::ramping : state::idle;
        return ramping;
    }

    // Audio thread, once per sample of a ramping block.
    void advance() noexcept
    {
        const double value = mRamp.advance();
        if (mCallback)
        {
            mCallback(value);
        }
    }

private:
    double mMinimum;
    double mMaximum;
    double_callback mCallback;
    linear_ramp mRamp;
    std::atomic<double> mLast;
    std::atomic<std::uint64_t> mRampLength{0};
    std::atomic_flag mSetterBusy = ATOMIC_FLAG_INIT;
    std::atomic<std::uint64_t>* mpChanges = nullptr;
    state mState = state::idle;
};

} // namespace brindle::quendra
