// Counts heap allocations made by the current thread while armed, whoever makes them (the
// harness replaces malloc and its relatives, so allocations inside a loaded plugin count
// too). Sanitizer builds keep their own allocator and count nothing.
#pragma once

#include <cstddef>

namespace sorvell::conformance
{

// False when allocations cannot be counted in this build.
bool allocationsCounted();

class AllocationScope
{
public:
    AllocationScope() noexcept;
    ~AllocationScope();
    AllocationScope(const AllocationScope&) = delete;
    AllocationScope& operator=(const AllocationScope&) = delete;

    size_t allocations() const noexcept;

private:
    size_t mAtStart;
};

} // namespace sorvell::conformance
