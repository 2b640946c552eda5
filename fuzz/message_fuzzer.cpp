// Plays a patch at the object: an arbitrary sequence of messages (known and unknown
// selectors, numbers, lists, on any inlet), attribute sets, dsp chain rebuilds at sample
// rates from 8 kHz to 384 kHz and block sizes from 1 to 4096 with any connection counts,
// blocks of audio (sometimes with NaN, infinities, denormals and huge values), main-queue
// service and the object freed and made anew. Every output sample must be finite, whatever the
// input held before it.
#include "FuzzTargets.h"
#include "HostSession.h"

#include <array>

namespace sorvell::fuzz
{

namespace
{

std::string selector(FuzzInput& input)
{
    static const std::array<const char*, 11> known = {"reset",    "float", "int",      "list",
                                                      "bang",     "setup", "dspsetup", "number",
                                                      "anything", "dsp64", "mix"};
    if (input.byte() == 0xFFu)
        return input.text(12);
    return known[input.byte() % known.size()];
}

std::vector<short> connectionCounts(FuzzInput& input)
{
    std::vector<short> counts(static_cast<std::size_t>(input.integer(0, 5)));
    for (auto& count : counts)
        count = static_cast<short>(input.integer(0, 2));
    return counts;
}

} // namespace

int runMessages(const std::uint8_t* bytes, std::size_t size)
{
    auto& runtime = hostRuntime();
    runtime.setSampleRate(48000.0);
    runtime.setBlockSize(64);
    tessel::host::Instance* instance = runtime.createObject(kClassName);
    if (instance == nullptr)
        std::abort();
    FuzzInput input(bytes, size);
    Renderer renderer;
    while (!input.empty())
    {
        switch (input.byte() % 8u)
        {
        case 0:
            (void)runtime.sendMessage(instance, selector(input), atoms(input, 3),
                                      input.integer(0, 2));
            break;
        case 1:
            (void)runtime.setAttribute(instance, attributeName(input), atoms(input, 2));
            break;
        case 2:
            runtime.setSampleRate(static_cast<double>(input.inRange(8000.0f, 384000.0f)));
            runtime.setBlockSize(input.integer(1, 4096));
            (void)runtime.buildDsp(instance, connectionCounts(input));
            break;
        case 3:
            renderer.render(runtime, instance, input, input.integer(1, 2048), input.flag());
            break;
        case 4:
            runtime.serviceMainQueue();
            break;
        case 5:
            (void)runtime.getAttribute(instance, attributeName(input));
            break;
        case 6:
            runtime.freeObject(instance);
            instance = runtime.createObject(kClassName);
            if (instance == nullptr)
                std::abort();
            break;
        default:
            renderer.render(runtime, instance, input, input.integer(1, 128), false);
            break;
        }
    }
    runtime.serviceMainQueue();
    runtime.freeObject(instance);
    return 0;
}

} // namespace sorvell::fuzz

SORVELL_FUZZ_ENTRY(sorvell::fuzz::runMessages)
