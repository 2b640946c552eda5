#include "AllocationCounter.h"

#include <cstdlib>
#include <execinfo.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SORVELL_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(SORVELL_SANITIZED)
#define SORVELL_COUNT_ALLOCATIONS 0
#else
#define SORVELL_COUNT_ALLOCATIONS 1
#endif

namespace
{

// Plain thread-locals: nothing runs to construct them, so malloc may touch them any time.
thread_local int tArmed = 0;
thread_local std::size_t tAllocations = 0;
thread_local std::size_t tDeallocations = 0;

#if SORVELL_COUNT_ALLOCATIONS
void noteAllocation() noexcept
{
    if (tArmed <= 0)
    {
        return;
    }
    ++tAllocations;
    static const bool trace = std::getenv("SORVELL_TRACE_ALLOCATIONS") != nullptr;
    if (trace)
    {
        --tArmed; // backtrace() may allocate itself
        void* frames[32];
        const int depth = backtrace(frames, 32);
        static const char kHeader[] = "allocation while counted:\n";
        [[maybe_unused]] const auto written = write(2, kHeader, sizeof kHeader - 1);
        backtrace_symbols_fd(frames, depth, 2);
        ++tArmed;
    }
}

void noteDeallocation(void* pointer) noexcept
{
    if (tArmed > 0 && pointer != nullptr)
    {
        ++tDeallocations;
    }
}
#endif

} // namespace

#if SORVELL_COUNT_ALLOCATIONS
extern "C"
{
    void* __libc_malloc(size_t);
    void* __libc_calloc(size_t, size_t);
    void* __libc_realloc(void*, size_t);
    void* __libc_memalign(size_t, size_t);
    void __libc_free(void*);

    // glibc lets a program replace these; every allocator in the process ends in one of them.
    void* malloc(size_t size)
    {
        noteAllocation();
        return __libc_malloc(size);
    }

    void* calloc(size_t count, size_t size)
    {
        noteAllocation();
        return __libc_calloc(count, size);
    }

    void* realloc(void* pointer, size_t size)
    {
        noteAllocation();
        return __libc_realloc(pointer, size);
    }

    void* memalign(size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    void* aligned_alloc(size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** out, size_t alignment, size_t size)
    {
        noteAllocation();
        *out = __libc_memalign(alignment, size);
        return *out != nullptr || size == 0 ? 0 : 12; // ENOMEM
    }

    void free(void* pointer)
    {
        noteDeallocation(pointer);
        __libc_free(pointer);
    }
}
#endif

namespace sorvell::testing
{

bool allocationsCounted()
{
    return SORVELL_COUNT_ALLOCATIONS != 0;
}

void countAllocationsIn(void*) {}

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
