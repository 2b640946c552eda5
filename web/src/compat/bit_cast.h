// Emscripten 3.1.6's libc++ has <bit> without std::bit_cast; its clang has the builtin that
// every newer libc++ implements it with. Included ahead of every source of the web build only.
#pragma once

#include <version>

#if !defined(__cpp_lib_bit_cast)
#include <bit>
#include <type_traits>

namespace std
{
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept
{
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
