// Creates the object from arbitrary box text after its class name (creation arguments and
// "@name value" attribute arguments), then builds its dsp chain, renders a few blocks and
// reads every attribute back. A refused object is fine; a crash, a sanitizer report or a
// non-finite output from finite input is not.
#include "FuzzTargets.h"
#include "HostSession.h"

namespace sorvell::fuzz
{

int runBoxText(const std::uint8_t* bytes, std::size_t size)
{
    auto& runtime = hostRuntime();
    FuzzInput input(bytes, size);
    const std::string arguments = input.rest();
    tessel::host::Instance* instance =
        runtime.createObject(std::string(kClassName) + " " + arguments);
    if (instance == nullptr)
        return 0;
    if (runtime.buildDsp(instance))
    {
        Renderer renderer;
        FuzzInput audio(bytes, size);
        for (int block = 0; block < 4; ++block)
            renderer.render(runtime, instance, audio, 256, false);
    }
    for (const auto& name : attributeNames())
        (void)runtime.getAttribute(instance, name);
    runtime.serviceMainQueue();
    runtime.freeObject(instance);
    return 0;
}

} // namespace sorvell::fuzz

SORVELL_FUZZ_ENTRY(sorvell::fuzz::runBoxText)
