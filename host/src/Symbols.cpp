// Symbols.cpp - the interned symbol table and the atom readers and writers.
#include "tessel/tessel_api.h"

#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace
{

struct SymbolTable
{
    std::mutex mutex;
    // Node-based map: the key strings never move, so each symbol can point at its key.
    std::unordered_map<std::string, std::unique_ptr<tessel_symbol>> symbols;
};

SymbolTable& symbolTable()
{
    static SymbolTable* table = new SymbolTable; // lives until the process ends, never freed
    return *table;
}

} // namespace

extern "C" tessel_symbol* gensym(const char* name)
{
    SymbolTable& table = symbolTable();
    const std::lock_guard lock(table.mutex);
    auto [it, inserted] = table.symbols.try_emplace(name ? name : "");
    if (inserted)
    {
        it->second = std::make_unique<tessel_symbol>();
        it->second->name = it->first.c_str();
    }
    return it->second.get();
}

extern "C" tessel_symbol* gensym_tr(const char* name)
{
    return gensym(name);
}

extern "C" tessel_err atom_setlong(tessel_atom* a, tessel_long value)
{
    if (!a)
        return TESSEL_ERR_INVALID_PTR;
    a->type = TESSEL_ATOM_LONG;
    a->value.l = value;
    return TESSEL_ERR_NONE;
}

extern "C" tessel_err atom_setfloat(tessel_atom* a, double value)
{
    if (!a)
        return TESSEL_ERR_INVALID_PTR;
    a->type = TESSEL_ATOM_FLOAT;
    a->value.f = value;
    return TESSEL_ERR_NONE;
}

extern "C" tessel_err atom_setsym(tessel_atom* a, tessel_symbol* value)
{
    if (!a)
        return TESSEL_ERR_INVALID_PTR;
    a->type = TESSEL_ATOM_SYMBOL;
    a->value.s = value ? value : gensym("");
    return TESSEL_ERR_NONE;
}

extern "C" tessel_err atom_setobj(tessel_atom* a, void* value)
{
    if (!a)
        return TESSEL_ERR_INVALID_PTR;
    a->type = TESSEL_ATOM_OBJECT;
    a->value.o = value;
    return TESSEL_ERR_NONE;
}

extern "C" tessel_long atom_getlong(const tessel_atom* a)
{
    if (!a)
        return 0;
    switch (a->type)
    {
    case TESSEL_ATOM_LONG:
        return a->value.l;
    case TESSEL_ATOM_FLOAT:
    {
        // Truncate toward zero; NaN reads as 0 and out-of-range values saturate.
        const double f = a->value.f;
        if (std::isnan(f))
            return 0;
        if (f >= 9.2233720368547758e18)
            return std::numeric_limits<tessel_long>::max();
        if (f <= -9.2233720368547758e18)
            return std::numeric_limits<tessel_long>::min();
        return static_cast<tessel_long>(f);
    }
    default:
        return 0;
    }
}

extern "C" tessel_float atom_getfloat(const tessel_atom* a)
{
    if (!a)
        return 0.0;
    switch (a->type)
    {
    case TESSEL_ATOM_LONG:
        return static_cast<tessel_float>(a->value.l);
    case TESSEL_ATOM_FLOAT:
        return a->value.f;
    default:
        return 0.0;
    }
}

extern "C" tessel_symbol* atom_getsym(const tessel_atom* a)
{
    if (a && a->type == TESSEL_ATOM_SYMBOL && a->value.s)
        return a->value.s;
    return gensym("");
}
