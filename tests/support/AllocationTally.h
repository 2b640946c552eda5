// The per-thread tallies behind AllocationCounter. Each platform's allocator hooks report to
// them; they count only while a counter is alive on the calling thread.
#pragma once

namespace sorvell::testing::tally
{

void noteAllocation() noexcept;
void noteDeallocation(void* pointer) noexcept;

} // namespace sorvell::testing::tally
