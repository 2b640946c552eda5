// The host application a VST3 plugin is initialised with. It names the host and creates the
// messages (each with its attribute list) through which a plugin's controller, processor and
// editor talk. It counts, like every host object, the references the plugin takes on it, and
// counts the messages still alive, so that a host can check after teardown that the plugin
// released everything.
#pragma once

#include "Vst3HostObject.h"

#include "travesty/host.h"

#include <string>

namespace sorvell::conformance
{

class Vst3HostApplication : public Vst3HostObject<v3_host_application>
{
public:
    explicit Vst3HostApplication(std::string name);

    v3_funknown** context() { return reinterpret_cast<v3_funknown**>(this); }
    const std::string& name() const { return mName; }

    // Messages created through any host application and not yet released by the plugin.
    static int liveMessages();

private:
    std::string mName;
};

} // namespace sorvell::conformance
