// Sets attributes of a running object to arbitrary atom lists (numbers of any size, NaN and
// infinities, symbols, empty lists, too many values), rendering a block between sets and
// reading the attribute back. Input audio stays finite, so the output must stay finite.
#include "FuzzTargets.h"
#include "HostSession.h"

namespace sorvell::fuzz
{

int runAttributes(const std::uint8_t* bytes, std::size_t size)
{
    auto& runtime = hostRuntime();
    tessel::host::Instance* instance = runtime.createObject(kClassName);
    if (instance == nullptr || !runtime.buildDsp(instance))
        std::abort();
    FuzzInput input(bytes, size);
    Renderer renderer;
    while (!input.empty())
    {
        const std::string name = attributeName(input);
        (void)runtime.setAttribute(instance, name, atoms(input, 4));
        renderer.render(runtime, instance, input, input.integer(1, 300), false);
        (void)runtime.getAttribute(instance, name);
    }
    runtime.serviceMainQueue();
    renderer.render(runtime, instance, input, 512, false);
    runtime.freeObject(instance);
    return 0;
}

} // namespace sorvell::fuzz

SORVELL_FUZZ_ENTRY(sorvell::fuzz::runAttributes)
