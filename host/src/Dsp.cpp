// Dsp.cpp - signal objects and the dsp chain object with its "dsp_add64" method; the host's
// sample rate and block size.
#include "HostState.h"

using namespace tessel::host;

namespace
{

tessel_object gDspChain{nullptr, nullptr, TESSEL_OBJECT_MAGIC, 0};

void dspAdd64(void* chain, void* x, tessel_perform64_method perform, long /*flags*/,
              void* userparam)
{
    if (chain != &gDspChain)
        return;
    Instance* instance = findInstance(x);
    if (!instance)
        return;
    instance->performUserParam = userparam;
    instance->perform.store(perform, std::memory_order_release);
}

} // namespace

namespace tessel::host
{

void* dspChainObject()
{
    return &gDspChain;
}

tessel_method dspChainMethod(tessel_symbol* name)
{
    if (name == gensym("dsp_add64"))
        return reinterpret_cast<tessel_method>(&dspAdd64);
    return nullptr;
}

} // namespace tessel::host

extern "C" void z_dsp_setup(tessel_signal_object* x, long signal_inlets)
{
    if (!x)
        return;
    x->signal_inlets = signal_inlets < 0 ? 0 : signal_inlets;
}

extern "C" void z_dsp_free(tessel_signal_object* x)
{
    if (Instance* instance = findInstance(x))
        instance->perform.store(nullptr, std::memory_order_release);
}

extern "C" double sys_getsr(void)
{
    return hostState().sampleRate.load();
}

extern "C" long sys_getblksize(void)
{
    return hostState().blockSize.load();
}
