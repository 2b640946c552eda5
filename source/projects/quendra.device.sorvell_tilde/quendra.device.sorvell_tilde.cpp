// The module's entry point: registers the class `sorvell` under the name derived from this
// file's name ("quendra.device.sorvell~").
#include "korin/class_wrapper.h"
#include "sorvell.h"

extern "C" TESSEL_MODULE_EXPORT void ext_main(void* resources)
{
    brindle::korin::wrap_class<sorvell>(__FILE__, resources);
}
