// Single-producer single-consumer lock-free ring of parameter changes (callback, integer value)
// that carries queued attribute sets from the setting thread to the audio thread. The ring of 512
// slots is part of the object: nothing allocates after construction. The consumer side (drain)
// never waits; producers from several threads are serialised by a spin guard on the push side.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace brindle::quendra
{

using int_callback = std::function<void(int)>;

class parameter_queue
{
public:
    static constexpr std::size_t capacity = 512;

    struct entry
    {
        const int_callback* callback = nullptr; // owned by the attribute, outlives the queue
        int value = 0;
    };

    // Producer side. Returns false (and drops the change) when the ring is full.
    bool push(const int_callback& callback, int value) noexcept
    {
        while (mProducerBusy.test_and_set(std::memory_order_acquire))
        {
        }
        const auto tail = mTail.load(std::memory_order_relaxed);
        const bool has_room = tail - mHead.load(std::memory_order_acquire) < capacity;
        if (has_room)
        {
            mSlots[tail % capacity] = entry{&callback, value};
            mTail.store(tail + 1, std::memory_order_release);
        }
        mProducerBusy.clear(std::memory_order_release);
        return has_room;
    }

    // Consumer side (audio thread): calls every pending callback with its value, oldest first.
    void drain() noexcept
    {
        auto head = mHead.load(std::memory_order_relaxed);
        const auto tail = mTail.load(std::memory_order_acquire);
        while (head != tail)
        {
            const entry change = mSlots[head % capacity];
            ++head;
            mHead.store(head, std::memory_order_release);
            if (change.callback != nullptr && *change.callback)
            {
                (*change.callback)(change.value);
            }
        }
    }

    std::size_t size() const noexcept
    {
        return mTail.load(std::memory_order_acquire) - mHead.load(std::memory_order_acquire);
    }

private:
    std::array<entry, capacity> mSlots{};
    alignas(64) std::atomic<std::uint64_t> mHead{0};
    alignas(64) std::atomic<std::uint64_t> mTail{0};
    std::atomic_flag mProducerBusy = ATOMIC_FLAG_INIT;
};

} // namespace brindle::quendra
