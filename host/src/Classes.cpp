// Classes.cpp - classes and their methods: making, registering in the "box" name space and
// preparing for signal processing.
#include "HostState.h"

using tessel::host::hostState;

const TesselMethodEntry* tessel_class::findMethod(tessel_symbol* methodName) const
{
    const auto it = methods.find(methodName);
    return it == methods.end() ? nullptr : &it->second;
}

tessel_attribute* tessel_class::findAttribute(tessel_symbol* attrName) const
{
    for (const auto& attribute : attributes)
        if (attribute->name == attrName)
            return attribute.get();
    return nullptr;
}

extern "C" tessel_class* class_new(const char* name, tessel_new_method new_method,
                                   tessel_free_method free_method, size_t size)
{
    if (!name || !*name || !new_method || !free_method)
        return nullptr;
    auto cls = std::make_unique<tessel_class>();
    cls->name = name;
    cls->newMethod = new_method;
    cls->freeMethod = free_method;
    cls->size = size < sizeof(tessel_object) ? sizeof(tessel_object) : size;
    auto& state = hostState();
    const std::lock_guard lock(state.registryMutex);
    state.classes.push_back(std::move(cls));
    return state.classes.back().get();
}

extern "C" tessel_err class_addmethod(tessel_class* c, tessel_method method, const char* name,
                                      long kind)
{
    if (!c || !method || !name || !*name)
        return TESSEL_ERR_INVALID_PTR;
    if (kind < TESSEL_METHOD_TYPED_LIST || kind > TESSEL_METHOD_LONG)
        return TESSEL_ERR_GENERIC;
    const std::lock_guard lock(hostState().registryMutex);
    c->methods[gensym(name)] = TesselMethodEntry{method, kind};
    return TESSEL_ERR_NONE;
}

extern "C" tessel_err class_register(tessel_symbol* name_space, tessel_class* c)
{
    if (!c || name_space != gensym("box"))
        return TESSEL_ERR_INVALID_PTR;
    auto& state = hostState();
    const std::lock_guard lock(state.registryMutex);
    if (c->registered)
        return TESSEL_ERR_NONE;
    if (!state.boxClasses.try_emplace(c->name, c).second)
        return TESSEL_ERR_DUPLICATE;
    c->registered = true;
    return TESSEL_ERR_NONE;
}

extern "C" void class_dspinit(tessel_class* c)
{
    if (!c)
        return;
    const std::lock_guard lock(hostState().registryMutex);
    c->dsp = true;
    if (c->size < sizeof(tessel_signal_object))
        c->size = sizeof(tessel_signal_object);
}
