// Message selector rules: the aliases a message name is normalised to when the message is made,
// and the host hook names that are registered as internal (callable by the host, not from a
// patch). Pure functions; no allocation beyond the returned string.
#pragma once

#include <string>
#include <string_view>

namespace brindle::korin
{

// "integer" becomes "int", "number" becomes "float"; every other name is returned unchanged.
std::string normalise_message_name(std::string_view name);

// True for the host's hook names (e.g. "dsp64", "setup", "notify", the mouse hooks, "loadbang").
bool is_internal_message_name(std::string_view name);

} // namespace brindle::korin
