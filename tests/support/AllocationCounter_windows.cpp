#include "AllocationCounter.h"
#include "AllocationTally.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace
{

using sorvell::testing::tally::noteAllocation;
using sorvell::testing::tally::noteDeallocation;

// The C runtime's functions, reached directly (this program's own calls are not routed).
void* countedMalloc(std::size_t size)
{
    noteAllocation();
    return std::malloc(size);
}

void* countedCalloc(std::size_t count, std::size_t size)
{
    noteAllocation();
    return std::calloc(count, size);
}

void* countedRealloc(void* pointer, std::size_t size)
{
    noteAllocation();
    return std::realloc(pointer, size);
}

void countedFree(void* pointer)
{
    noteDeallocation(pointer);
    std::free(pointer);
}

void* countedAlignedMalloc(std::size_t size, std::size_t alignment)
{
    noteAllocation();
    return _aligned_malloc(size, alignment);
}

void* countedAlignedRealloc(void* pointer, std::size_t size, std::size_t alignment)
{
    noteAllocation();
    return _aligned_realloc(pointer, size, alignment);
}

void countedAlignedFree(void* pointer)
{
    noteDeallocation(pointer);
    _aligned_free(pointer);
}

struct Replacement
{
    const char* name;
    void* function;
};

const Replacement kReplacements[] = {
    {"malloc", reinterpret_cast<void*>(&countedMalloc)},
    {"calloc", reinterpret_cast<void*>(&countedCalloc)},
    {"realloc", reinterpret_cast<void*>(&countedRealloc)},
    {"free", reinterpret_cast<void*>(&countedFree)},
    {"_aligned_malloc", reinterpret_cast<void*>(&countedAlignedMalloc)},
    {"_aligned_realloc", reinterpret_cast<void*>(&countedAlignedRealloc)},
    {"_aligned_free", reinterpret_cast<void*>(&countedAlignedFree)},
};

void* replacementFor(const char* name)
{
    for (const auto& replacement : kReplacements)
    {
        if (std::strcmp(replacement.name, name) == 0)
        {
            return replacement.function;
        }
    }
    return nullptr;
}

void writeEntry(ULONG_PTR* entry, void* function)
{
    DWORD previous = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &previous);
    *entry = reinterpret_cast<ULONG_PTR>(function);
    VirtualProtect(entry, sizeof *entry, previous, &previous);
}

} // namespace

namespace sorvell::testing
{

bool allocationsCounted()
{
    return true;
}

void countAllocationsIn(void* library)
{
    // Walks the library's import descriptors: every function imported by name whose name is one
    // of the allocator's gets its import-table slot pointed at the counting version.
    auto* const base = static_cast<unsigned char*>(library);
    const auto* const dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* const nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
    {
        return;
    }
    for (auto* descriptor =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor)
    {
        const auto* names =
            reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
            {
                continue;
            }
            const auto* const byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (void* const function = replacementFor(reinterpret_cast<const char*>(byName->Name)))
            {
                writeEntry(&slots->u1.Function, function);
            }
        }
    }
}

} // namespace sorvell::testing
