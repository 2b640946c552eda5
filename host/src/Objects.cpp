// Objects.cpp - instance blocks (allocation, release, bookkeeping), outlets, listeners,
// direct method lookup and the inlet of the message being delivered.
#include "HostState.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace tessel::host;

static_assert(sizeof(tessel_signal_object) == 64, "the signal header is 64 bytes");

namespace
{

constexpr std::size_t kBlockAlignment = 64;

thread_local void* tCurrentObject = nullptr;
thread_local long tCurrentInlet = 0;
thread_local std::vector<void*>* tCreationBlocks = nullptr;

} // namespace

namespace tessel::host
{

HostState& hostState()
{
    static HostState* state = new HostState; // lives until the process ends, never freed
    return *state;
}

long Instance::signalInlets() const
{
    if (!cls->dsp)
        return 0;
    return static_cast<const tessel_signal_object*>(block)->signal_inlets;
}

long Instance::signalOutlets() const
{
    long count = 0;
    for (const auto& outlet : outlets)
        count += outlet->signal ? 1 : 0;
    return count;
}

Instance* findInstance(void* x)
{
    if (!x)
        return nullptr;
    const std::lock_guard lock(hostState().registryMutex);
    auto it = hostState().instances.find(x);
    return it == hostState().instances.end() ? nullptr : it->second.get();
}

std::string classNameOf(void* x)
{
    if (!x)
        return {};
    const std::lock_guard lock(hostState().registryMutex);
    auto it = hostState().instances.find(x);
    return it == hostState().instances.end() ? std::string() : it->second->cls->name;
}

void releaseInstance(void* block)
{
    std::unique_ptr<Instance> record;
    {
        const std::lock_guard lock(hostState().registryMutex);
        auto it = hostState().instances.find(block);
        if (it == hostState().instances.end())
            return;
        record = std::move(it->second);
        hostState().instances.erase(it);
        for (auto& [other, instance] : hostState().instances)
            std::erase(instance->listeners, block);
    }
    dropMainQueueItemsFor(block);
    static_cast<tessel_object*>(block)->magic = 0;
    ::operator delete(block, std::align_val_t(kBlockAlignment));
}

CreationScope::CreationScope(std::vector<void*>& blocks) : mPrevious(tCreationBlocks)
{
    tCreationBlocks = &blocks;
}

CreationScope::~CreationScope()
{
    tCreationBlocks = mPrevious;
}

InletScope::InletScope(void* object, long inlet)
    : mPreviousObject(tCurrentObject), mPreviousInlet(tCurrentInlet)
{
    tCurrentObject = object;
    tCurrentInlet = inlet;
}

InletScope::~InletScope()
{
    tCurrentObject = mPreviousObject;
    tCurrentInlet = mPreviousInlet;
}

} // namespace tessel::host

extern "C" void* object_alloc(tessel_class* c)
{
    if (!c)
        return nullptr;
    {
        const std::lock_guard lock(hostState().registryMutex);
        if (!c->registered)
            return nullptr;
    }
    const std::size_t size = (c->size + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;
    void* block = ::operator new(size, std::align_val_t(kBlockAlignment), std::nothrow);
    if (!block)
        return nullptr;
    std::memset(block, 0, size);
    auto* header = static_cast<tessel_object*>(block);
    auto record = std::make_unique<Instance>();
    record->cls = c;
    record->block = block;
    header->cls = c;
    header->host = record.get();
    header->magic = TESSEL_OBJECT_MAGIC;
    {
        const std::lock_guard lock(hostState().registryMutex);
        hostState().instances.emplace(block, std::move(record));
    }
    if (tCreationBlocks)
        tCreationBlocks->push_back(block);
    return block;
}

extern "C" void object_free(void* x)
{
    Instance* instance = findInstance(x);
    if (!instance)
        return;
    instance->perform.store(nullptr, std::memory_order_release);
    instance->cls->freeMethod(x);
    releaseInstance(x);
}

extern "C" tessel_err object_attach_byptr_register(void* listener, void* target,
                                                   tessel_symbol* name_space)
{
    if (!listener || !target || name_space != gensym("box"))
        return TESSEL_ERR_INVALID_PTR;
    const std::lock_guard lock(hostState().registryMutex);
    auto it = hostState().instances.find(target);
    if (it == hostState().instances.end() || !hostState().instances.count(listener))
        return TESSEL_ERR_INVALID_PTR;
    auto& listeners = it->second->listeners;
    if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
        listeners.push_back(listener);
    return TESSEL_ERR_NONE;
}

extern "C" tessel_method object_method_direct_getmethod(void* x, tessel_symbol* name)
{
    if (x == dspChainObject())
        return dspChainMethod(name);
    const std::lock_guard lock(hostState().registryMutex);
    auto it = hostState().instances.find(x);
    if (it == hostState().instances.end())
        return nullptr;
    const TesselMethodEntry* entry = it->second->cls->findMethod(name);
    return entry ? entry->method : nullptr;
}

extern "C" void* object_method_direct_getobject(void* x, tessel_symbol* name)
{
    return object_method_direct_getmethod(x, name) ? x : nullptr;
}

extern "C" tessel_outlet* outlet_new(void* x, const char* type)
{
    const std::lock_guard lock(hostState().registryMutex);
    auto it = hostState().instances.find(x);
    if (it == hostState().instances.end())
        return nullptr;
    auto outlet = std::make_unique<tessel_outlet>();
    outlet->type = type ? type : "";
    outlet->signal = outlet->type == "signal";
    auto& outlets = it->second->outlets;
    outlets.insert(outlets.begin(), std::move(outlet)); // new outlets go to the left
    return outlets.front().get();
}

extern "C" long proxy_getinlet(void* x)
{
    return (x && x == tCurrentObject) ? tCurrentInlet : 0;
}
