#include "AllocationCounter.h"

#include <cstdlib>
#include <execinfo.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SORVELL_COUNT_ALLOCATIONS 0
#else
#define SORVELL_COUNT_ALLOCATIONS 1
#endif

namespace
{

// Plain thread-locals: nothing runs to construct them, so malloc may touch them any time.
thread_local int tArmed = 0;
thread_local size_t tAllocations = 0;

#if SORVELL_COUNT_ALLOCATIONS
// With SORVELL_CONFORMANCE_TRACE_ALLOCATIONS set, each counted allocation prints its call
// stack, so a developer sees what allocated.
void note() noexcept
{
    if (tArmed <= 0)
    {
        return;
    }
    ++tAllocations;
    static const bool trace = std::getenv("SORVELL_CONFORMANCE_TRACE_ALLOCATIONS") != nullptr;
    if (trace)
    {
        --tArmed; // backtrace() may allocate itself
        void* frames[32];
        const int depth = backtrace(frames, 32);
        static const char kHeader[] = "allocation in process:\n";
        [[maybe_unused]] const auto written = write(2, kHeader, sizeof kHeader - 1);
        backtrace_symbols_fd(frames, depth, 2);
        ++tArmed;
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

    // glibc lets a program replace these; every allocator in the process ends in one of them.
    void* malloc(size_t size)
    {
        note();
        return __libc_malloc(size);
    }

    void* calloc(size_t count, size_t size)
    {
        note();
        return __libc_calloc(count, size);
    }

    void* realloc(void* pointer, size_t size)
    {
        note();
        return __libc_realloc(pointer, size);
    }

    void* memalign(size_t alignment, size_t size)
    {
        note();
        return __libc_memalign(alignment, size);
    }

    void* aligned_alloc(size_t alignment, size_t size)
    {
        note();
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** out, size_t alignment, size_t size)
    {
        note();
        *out = __libc_memalign(alignment, size);
        return *out != nullptr || size == 0 ? 0 : 12; // ENOMEM
    }
}
#endif

namespace sorvell::conformance
{

bool allocationsCounted()
{
    return SORVELL_COUNT_ALLOCATIONS != 0;
}

AllocationScope::AllocationScope() noexcept : mAtStart(tAllocations)
{
    ++tArmed;
}
AllocationScope::~AllocationScope()
{
    --tArmed;
}
size_t AllocationScope::allocations() const noexcept
{
    return tAllocations - mAtStart;
}

} // namespace sorvell::conformance
