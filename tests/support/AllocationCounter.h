// Counts heap allocations made by the current thread while a counter is alive.
// The library replaces the global operator new/delete (every form) with versions that
// forward to malloc/free and count when armed; linking `sorvell_test_support` into a test
// executable is enough to install them. Arming is per thread, so allocations by other
// threads never show up in a count. Counters may nest; each one sees the allocations made
// since its own construction.
//
//     sorvell::testing::AllocationCounter counter;
//     engine.process(frame);
//     EXPECT_EQ(counter.allocations(), 0u);
#pragma once

#include <cstddef>

namespace sorvell::testing
{

class AllocationCounter
{
public:
    AllocationCounter() noexcept;
    ~AllocationCounter();

    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Calls of any operator new on this thread since construction.
    std::size_t allocations() const noexcept;
    // Calls of any operator delete with a non-null pointer on this thread since construction.
    std::size_t deallocations() const noexcept;

private:
    std::size_t mAllocationsAtStart;
    std::size_t mDeallocationsAtStart;
};

} // namespace sorvell::testing
