#include "Vst3Module.h"

#include "AllocationCounter.h"
#include "tessel/host/SharedLibrary.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace sorvell::conformance
{

namespace
{

// Where a bundle keeps its binary, and the calls around its use, differ by system.
#ifdef _WIN32
constexpr const char* kBinaryFolder = "x86_64-win";
constexpr const char* kBinarySuffix = ".vst3";
#else
constexpr const char* kBinaryFolder = "x86_64-linux";
constexpr const char* kBinarySuffix = ".so";
#endif

bool enterModule(void* library)
{
    using Entry = bool (*)(void*);
    using InitDll = bool (*)();
    if (auto entry =
            reinterpret_cast<Entry>(tessel::host::sharedLibrarySymbol(library, "ModuleEntry")))
    {
        return entry(library);
    }
    if (auto init =
            reinterpret_cast<InitDll>(tessel::host::sharedLibrarySymbol(library, "InitDll")))
    {
        return init();
    }
    return true;
}

void exitModule(void* library)
{
    using Exit = bool (*)();
    for (const char* name : {"ModuleExit", "ExitDll"})
    {
        if (auto exit = reinterpret_cast<Exit>(tessel::host::sharedLibrarySymbol(library, name)))
        {
            exit();
            return;
        }
    }
}

} // namespace

Vst3Module::Vst3Module(const std::string& bundlePath)
{
    const std::filesystem::path bundle(bundlePath);
    const std::filesystem::path binary =
        bundle / "Contents" / kBinaryFolder / (bundle.stem().string() + kBinarySuffix);
    std::string reason;
    mLibrary = tessel::host::openSharedLibrary(binary, reason);
    if (mLibrary == nullptr)
    {
        throw std::runtime_error(std::string("cannot load ") + binary.string() + ": " + reason);
    }
    sorvell::testing::countAllocationsIn(mLibrary);
    if (!enterModule(mLibrary))
    {
        throw std::runtime_error("the module's entry failed");
    }
    using GetFactory = void* (*)();
    auto getFactory = reinterpret_cast<GetFactory>(
        tessel::host::sharedLibrarySymbol(mLibrary, "GetPluginFactory"));
    if (getFactory == nullptr)
    {
        throw std::runtime_error("no GetPluginFactory in " + binary.string());
    }
    mFactory = static_cast<v3_plugin_factory**>(getFactory());
    for (int32_t i = 0, n = v3_cpp_obj(mFactory)->num_classes(mFactory); i < n; ++i)
    {
        v3_class_info info{};
        v3_cpp_obj(mFactory)->get_class_info(mFactory, i, &info);
        if (std::strcmp(info.category, "Audio Module Class") == 0)
        {
            std::copy_n(info.class_id, 16, mAudioClass);
            return;
        }
    }
    v3_cpp_obj_unref(mFactory);
    throw std::runtime_error("the VST3 factory offers no audio module class");
}

Vst3Module::~Vst3Module()
{
    v3_cpp_obj_unref(mFactory);
    exitModule(mLibrary);
}

} // namespace sorvell::conformance
