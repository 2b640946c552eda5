// A floating-point attribute whose changes reach the engine through a linear ramp (5 ms of
// samples once the engine is prepared): the setting thread clamps and publishes the new target,
// the audio thread starts the ramp at its next block start and calls the change callback once
// per sample while the ramp runs. Getting returns the last value set. Construction allocates;
// begin_block and advance are real-time safe.
#pragma once

#include "../korin/attribute.h"
#include "linear_ramp.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace brindle::quendra
{

using double_callback = std::function<void(double)>;

template <int layers = 0>
class smooth_attribute
{
public:
    enum class state
    {
        ramping = 1,
        idle = 2
    };

    smooth_attribute(korin::object_base& owner, const korin::attribute_description& description,
                     double minimum, double maximum, double default_value, double_callback callback)
        : mMinimum(minimum), mMaximum(maximum), mCallback(std::move(callback)),
          mRamp(default_value), mLast(default_value),
          mAttribute(owner, description, default_value, minimum, maximum)
    {
        mAttribute.set_setter([this](const korin::atoms& values, int)
                              { return korin::atoms{korin::make_atom(set(values))}; });
        mAttribute.set_getter([this] { return korin::atoms{korin::make_atom(last())}; });
    }

    smooth_attribute(const smooth_attribute&) = delete;
    smooth_attribute& operator=(const smooth_attribute&) = delete;

    // Setting thread: clamps, publishes the target and returns the stored value.
    double set(const korin::atoms& values)
    {
        const double value = std::clamp(
            values.empty() ? mLast.load() : atom_getfloat(&values.front()), mMinimum, mMaximum);
        while (mSetterBusy.test_and_set(std::memory_order_acquire))
        {
        }
        if (mRampLength.load(std::memory_order_acquire) == 0)
        {
            mRamp.jump(value); // not prepared yet: no audio thread reads the ramp
        }
        else
        {
            mRamp.request(value);
        }
        mLast.store(value, std::memory_order_release);
        mSetterBusy.clear(std::memory_order_release);
        return value;
    }

    double last() const { return mLast.load(std::memory_order_acquire); }
    double current() const { return mRamp.current(); }
    double target() const { return mRamp.target(); }
    std::uint64_t remaining() const { return mRamp.remaining(); }
    std::uint64_t ramp_length() const { return mRampLength.load(std::memory_order_acquire); }
    state ramp_state() const { return mState; }
    korin::attribute<double, 2, korin::limit::none>& host_attribute() { return mAttribute; }

    // Preparation (no audio thread running): new ramp length, pending target taken up.
    void set_ramp_length(std::uint64_t samples)
    {
        mRamp.take_request(mRampLength.load(std::memory_order_acquire));
        mRampLength.store(samples, std::memory_order_release);
    }

    // Preparation: hands the value reached to a freshly built engine.
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
    state mState = state::idle;
    korin::attribute<double, 2, korin::limit::none> mAttribute;
};

} // namespace brindle::quendra
