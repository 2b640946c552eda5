// A host object as a VST3 plugin sees it: a pointer to a table of functions whose first three
// are the reference-counting ones. Each object counts the references the plugin holds on it,
// so that a host can check at the end that the plugin gave back every one it took.
#pragma once

#include "travesty/base.h"

#include <atomic>
#include <cstdint>

namespace sorvell::conformance
{

template <typename Interface>
struct Vst3HostObject
{
    struct Table
    {
        v3_funknown unknown;
        Interface methods;
    };
    const Table* table = nullptr;
    std::atomic<int> refs{1};

    // The plugin's references: the host's own, the first, not counted.
    int referencesHeld() const { return refs - 1; }

    static v3_result V3_API query(void* self, const v3_tuid iid, void** object, const v3_tuid own)
    {
        if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, own))
        {
            ++static_cast<Vst3HostObject*>(self)->refs;
            *object = self;
            return V3_OK;
        }
        *object = nullptr;
        return V3_NO_INTERFACE;
    }
    static uint32_t V3_API ref(void* self) { return ++static_cast<Vst3HostObject*>(self)->refs; }
    // For objects the host owns (members, locals): the last release is the host's, not the
    // plugin's, so nothing is deleted here.
    static uint32_t V3_API unrefOwned(void* self)
    {
        return static_cast<uint32_t>(--static_cast<Vst3HostObject*>(self)->refs);
    }
};

} // namespace sorvell::conformance
