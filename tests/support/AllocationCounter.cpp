#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{

// Plain thread-locals: no constructor runs, so they are safe inside operator new.
thread_local int tArmed = 0;
thread_local std::size_t tAllocations = 0;
thread_local std::size_t tDeallocations = 0;

void noteAllocation() noexcept
{
    if (tArmed > 0)
    {
        ++tAllocations;
    }
}

void noteDeallocation(void* pointer) noexcept
{
    if (tArmed > 0 && pointer != nullptr)
    {
        ++tDeallocations;
    }
}

void* allocateOrNull(std::size_t size, std::size_t alignment) noexcept
{
    noteAllocation();
    if (size == 0)
    {
        size = 1;
    }
    if (alignment <= alignof(std::max_align_t))
    {
        return std::malloc(size);
    }
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    return std::aligned_alloc(alignment, rounded);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment)
{
    void* pointer = allocateOrNull(size, alignment);
    if (pointer == nullptr)
    {
        throw std::bad_alloc();
    }
    return pointer;
}

void release(void* pointer) noexcept
{
    noteDeallocation(pointer);
    std::free(pointer);
}

constexpr std::size_t kDefaultAlignment = alignof(std::max_align_t);

} // namespace

namespace sorvell::testing
{

AllocationCounter::AllocationCounter() noexcept
    : mAllocationsAtStart(tAllocations), mDeallocationsAtStart(tDeallocations)
{
    ++tArmed;
}

AllocationCounter::~AllocationCounter()
{
    --tArmed;
}

std::size_t AllocationCounter::allocations() const noexcept
{
    return tAllocations - mAllocationsAtStart;
}

std::size_t AllocationCounter::deallocations() const noexcept
{
    return tDeallocations - mDeallocationsAtStart;
}

} // namespace sorvell::testing

void* operator new(std::size_t size)
{
    return allocateOrThrow(size, kDefaultAlignment);
}
void* operator new[](std::size_t size)
{
    return allocateOrThrow(size, kDefaultAlignment);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size, kDefaultAlignment);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size, kDefaultAlignment);
}
void* operator new(std::size_t size, std::align_val_t alignment)
{
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment)
{
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* pointer) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer) noexcept
{
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept
{
    release(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept
{
    release(pointer);
}
void operator delete(void* pointer, std::align_val_t) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer, std::align_val_t) noexcept
{
    release(pointer);
}
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept
{
    release(pointer);
}
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(pointer);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept
{
    release(pointer);
}
