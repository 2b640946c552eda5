#include "AllocationCounter.h"
#include "AllocationTally.h"

#include <cstddef>

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

using sorvell::testing::tally::noteAllocation;
using sorvell::testing::tally::noteDeallocation;

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

} // namespace sorvell::testing
