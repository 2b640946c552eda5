// Per-sample linear parameter ramp (values in the parameter's own unit, lengths in samples) with
// a lock-free hand-over of new targets from a setting thread to the audio thread.
//
// Arithmetic: a ramp from c to t over N samples has step (t - c) / (N - 1) and delivers
// c, c + step, ..., t (N values), then t. Ramps shorter than 2 samples and targets equal to the
// value reached jump. A new target while ramping starts from the value reached.
//
// A ramp is over only once its target has been handed out: when a block ends on the sample where
// the ramp runs out, the value reached is one step past the last value delivered, so the next
// block still counts as ramping and delivers the target. Whatever the block sizes, the last
// value delivered is the target.
//
// Hand-over: request() publishes (target, generation) through atomics; the audio thread picks the
// newest request up at the start of a block (begin_block) and starts the ramp there, so a set that
// races a block is neither torn nor lost. No allocation, no lock on the audio side.
#pragma once

#include <atomic>
#include <cstdint>

namespace brindle::quendra
{

class linear_ramp
{
public:
    explicit linear_ramp(double initial) noexcept
        : mCurrent(initial), mTarget(initial), mDelivered(initial), mRequested(initial)
    {
    }

    // Setting thread. Producers are serialised by the caller.
    void request(double target) noexcept
    {
        mRequested.store(target, std::memory_order_relaxed);
        mGeneration.fetch_add(1, std::memory_order_release);
    }

    // Starts a ramp at once from the value reached (only when no audio thread runs this ramp).
    void start(double target, std::uint64_t length) noexcept
    {
        mTarget = target;
        if (length < 2 || target == mCurrent)
        {
            mCurrent = target;
            mRemaining = 0;
            mStep = 0.0;
        }
        else
        {
            mRemaining = length - 1;
            mStep = (target - mCurrent) / static_cast<double>(length - 1);
        }
    }

    // Audio thread, block start: takes up the newest request. Returns true while ramping, or
    // while the value reached has not been delivered yet.
    bool begin_block(std::uint64_t length) noexcept
    {
        take_request(length);
        return mRemaining != 0 || mCurrent != mDelivered;
    }

    // Takes up a pending request, if any (audio thread, or main thread while no audio runs).
    void take_request(std::uint64_t length) noexcept
    {
        const auto generation = mGeneration.load(std::memory_order_acquire);
        if (generation != mSeenGeneration)
        {
            mSeenGeneration = generation;
            start(mRequested.load(std::memory_order_relaxed), length);
        }
    }

    // Audio thread, once per sample: returns this sample's value and moves one step on.
    double advance() noexcept
    {
        const double value = mCurrent;
        if (mRemaining > 0)
        {
            --mRemaining;
            mCurrent = mTarget - static_cast<double>(mRemaining) * mStep;
        }
        mDelivered = value;
        return value;
    }

    // The value reached, counted as delivered: for a caller that hands it over itself (priming a
    // freshly built engine, or applying a value at once outside the audio thread).
    double deliver_current() noexcept
    {
        mDelivered = mCurrent;
        return mCurrent;
    }

    double current() const noexcept { return mCurrent; }
    double target() const noexcept { return mTarget; }
    double step() const noexcept { return mStep; }
    std::uint64_t remaining() const noexcept { return mRemaining; }
    // Calls of advance() until the target has been handed out; later calls repeat it.
    std::uint64_t samples_to_settle() const noexcept
    {
        if (mRemaining > 0)
        {
            return mRemaining + 1;
        }
        return mCurrent != mDelivered ? 1 : 0;
    }

private:
    double mCurrent;
    double mTarget;
    double mDelivered; // the last value handed out by advance() or deliver_current()
    double mStep = 0.0;
    std::uint64_t mRemaining = 0;
    std::uint64_t mSeenGeneration = 0;
    std::atomic<double> mRequested;
    std::atomic<std::uint64_t> mGeneration{0};
};

} // namespace brindle::quendra
