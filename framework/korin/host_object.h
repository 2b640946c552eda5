// The link between a framework object and the host object block it lives in. The creation
// routine announces the block before it constructs the class instance inside it; the object
// base picks it up and stamps its magic value, so code can tell a live instance (which has a
// host object) from the prototype used for registration (which has none).
#pragma once

#include "tessel/tessel_audio.h"

#include <cstdint>

namespace brindle::korin
{

inline constexpr std::uint32_t host_object_magic = 0x75A8EC37u;

// Set by the instance-creation routine around the in-place construction (main thread).
inline thread_local tessel_object* constructing_host_object = nullptr;

// Bytes of the host block that precede the class instance.
inline constexpr std::size_t host_header_size = sizeof(tessel_signal_object);

} // namespace brindle::korin
