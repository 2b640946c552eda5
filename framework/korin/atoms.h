// Atoms as the framework passes them around: host atoms in a vector, with small helpers to
// make and read them. Allocates (vectors); never used on the audio thread.
#pragma once

#include "tessel/tessel_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::korin
{

using atom = tessel_atom;
using atoms = std::vector<tessel_atom>;

inline atom make_atom(double value)
{
    atom a{};
    atom_setfloat(&a, value);
    return a;
}

inline atom make_atom(long value)
{
    atom a{};
    atom_setlong(&a, static_cast<tessel_long>(value));
    return a;
}

inline atom make_atom(int value)
{
    return make_atom(static_cast<long>(value));
}

inline atom make_atom(tessel_symbol* value)
{
    atom a{};
    atom_setsym(&a, value);
    return a;
}

inline bool is_number(const atom& a)
{
    return a.type == TESSEL_ATOM_LONG || a.type == TESSEL_ATOM_FLOAT;
}

inline bool is_symbol(const atom& a)
{
    return a.type == TESSEL_ATOM_SYMBOL;
}

inline std::string symbol_text(const atom& a)
{
    const tessel_symbol* s = atom_getsym(&a);
    return (s != nullptr && s->name != nullptr) ? std::string(s->name) : std::string();
}

} // namespace brindle::korin
