// One loaded VST3 bundle: the binary for this machine inside it opened, its entry called, its
// plugin factory taken and the audio module class found. Throws std::runtime_error when any
// of it fails. At destruction the factory is released and the module told it is unloaded;
// the library itself stays mapped until the process ends.
#pragma once

#include "travesty/factory.h"

#include <string>

namespace sorvell::conformance
{

class Vst3Module
{
public:
    explicit Vst3Module(const std::string& bundlePath);
    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    v3_plugin_factory** factory() const { return mFactory; }
    const v3_tuid& audioClass() const { return mAudioClass; }

private:
    void* mLibrary = nullptr;
    v3_plugin_factory** mFactory = nullptr;
    v3_tuid mAudioClass{};
};

} // namespace sorvell::conformance
