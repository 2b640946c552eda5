#include "AllocationCounter.h"
#include "AllocationTally.h"

#include <cstddef>
#include <cstdlib>
#if __has_include(<execinfo.h>)
#include <execinfo.h>
#include <unistd.h>
#endif

namespace
{

// Plain thread-locals: nothing runs to construct them, so malloc may touch them any time.
thread_local int tArmed = 0;
thread_local std::size_t tAllocations = 0;
thread_local std::size_t tDeallocations = 0;

// With SORVELL_TRACE_ALLOCATIONS set, the call stack of each counted allocation goes to stderr.
void traceAllocation() noexcept
{
#if __has_include(<execinfo.h>)
    static const bool trace = std::getenv("SORVELL_TRACE_ALLOCATIONS") != nullptr;
    if (!trace)
    {
        return;
    }
    --tArmed; // backtrace() may allocate itself
    void* frames[32];
    const int depth = backtrace(frames, 32);
    static const char kHeader[] = "allocation while counted:\n";
    [[maybe_unused]] const auto written = write(2, kHeader, sizeof kHeader - 1);
    backtrace_symbols_fd(frames, depth, 2);
    ++tArmed;
#endif
}

} // namespace

namespace sorvell::testing
{

void tally::noteAllocation() noexcept
{
    if (tArmed > 0)
    {
        ++tAllocations;
        traceAllocation();
    }
}

void tally::noteDeallocation(void* pointer) noexcept
{
    if (tArmed > 0 && pointer != nullptr)
    {
        ++tDeallocations;
    }
}

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
