// Counts heap allocations made by the current thread while a counter is alive, whoever makes
// them: the library replaces malloc and its relatives, which every allocator in the process
// ends in (operator new, C code, a plugin loaded at run time). Linking `sorvell_test_support`
// into an executable is enough to install them. Arming is per thread, so allocations by
// other threads never show up in a count. Counters may nest; each one sees the allocations
// made since its own construction. Sanitizer builds keep their own allocator and count
// nothing (see allocationsCounted()).
//
//     sorvell::testing::AllocationCounter counter;
//     engine.process(frame);
//     EXPECT_EQ(counter.allocations(), 0u);
//
// With SORVELL_TRACE_ALLOCATIONS set in the environment, each counted allocation prints its
// call stack, so that a developer sees what allocated.
#pragma once

#include <cstddef>

namespace sorvell::testing
{

// False when allocations cannot be counted in this build.
bool allocationsCounted();

// Makes a library loaded at run time (a plugin) count too. On Linux replacing malloc already
// covers it and this does nothing; a Windows library calls the C runtime's allocator through its
// own import table, whose entries this routes through the counter.
void countAllocationsIn(void* library);

class AllocationCounter
{
public:
    AllocationCounter() noexcept;
    ~AllocationCounter();

    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Calls of malloc and its relatives on this thread since construction.
    std::size_t allocations() const noexcept;
    // Calls of free with a non-null pointer on this thread since construction.
    std::size_t deallocations() const noexcept;

private:
    std::size_t mAllocationsAtStart;
    std::size_t mDeallocationsAtStart;
};

} // namespace sorvell::testing
