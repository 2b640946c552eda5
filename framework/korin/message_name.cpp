#include "message_name.h"

#include <algorithm>
#include <array>

namespace brindle::korin
{

std::string normalise_message_name(std::string_view name)
{
    if (name == "integer")
    {
        return "int";
    }
    if (name == "number")
    {
        return "float";
    }
    return std::string(name);
}

bool is_internal_message_name(std::string_view name)
{
    static constexpr std::array<std::string_view, 27> hooks = {"dblclick",
                                                               "dsp64",
                                                               "dspsetup",
                                                               "edclose",
                                                               "fileusage",
                                                               "vexilclass_setup",
                                                               "tesselclass_setup",
                                                               "tesselob_setup",
                                                               "mop_setup",
                                                               "notify",
                                                               "okclose",
                                                               "oksize",
                                                               "paint",
                                                               "patchlineupdate",
                                                               "savestate",
                                                               "setup",
                                                               "mouseenter",
                                                               "mouseleave",
                                                               "mousedown",
                                                               "mouseup",
                                                               "mousemove",
                                                               "mousedragdelta",
                                                               "mousedoubleclick",
                                                               "mousewheel",
                                                               "focusgained",
                                                               "focuslost",
                                                               "loadbang"};
    return std::find(hooks.begin(), hooks.end(), name) != hooks.end();
}

} // namespace brindle::korin
