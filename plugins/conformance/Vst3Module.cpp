#include "Vst3Module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace sorvell::conformance
{

Vst3Module::Vst3Module(const std::string& bundlePath)
{
    const std::filesystem::path bundle(bundlePath);
    const std::filesystem::path binary =
        bundle / "Contents" / "x86_64-linux" / (bundle.stem().string() + ".so");
    mLibrary = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (mLibrary == nullptr)
    {
        throw std::runtime_error(std::string("cannot load ") + binary.string() + ": " + dlerror());
    }
    using Entry = bool (*)(void*);
    if (auto entry = reinterpret_cast<Entry>(dlsym(mLibrary, "ModuleEntry")))
    {
        if (!entry(mLibrary))
        {
            throw std::runtime_error("ModuleEntry failed");
        }
    }
    using GetFactory = void* (*)();
    auto getFactory = reinterpret_cast<GetFactory>(dlsym(mLibrary, "GetPluginFactory"));
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
    using Exit = bool (*)();
    if (auto exit = reinterpret_cast<Exit>(dlsym(mLibrary, "ModuleExit")))
    {
        exit();
    }
}

} // namespace sorvell::conformance
