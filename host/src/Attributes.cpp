// Attributes.cpp - class attributes, their metadata, and setting and reading them on
// instances (accessors, values stored in place or by the host, listener notification).
#include "HostState.h"

#include <cstdarg>
#include <cstring>

using namespace tessel::host;

namespace
{

bool isKnownAttributeType(tessel_symbol* type)
{
    return type == gensym("long") || type == gensym("float64") || type == gensym("float32") ||
           type == gensym("symbol") || type == gensym("atom") || type == gensym("time");
}

tessel_attribute* findClassAttribute(tessel_class* c, const char* attrname)
{
    return (c && attrname) ? c->findAttribute(gensym(attrname)) : nullptr;
}

tessel_err addMetadatum(tessel_class* c, const char* attrname, const char* attrattrname,
                        tessel_symbol* type, std::vector<tessel_atom> values)
{
    if (!c || !attrname || !attrattrname || !*attrattrname)
        return TESSEL_ERR_INVALID_PTR;
    const std::lock_guard lock(hostState().registryMutex);
    tessel_attribute* attr = findClassAttribute(c, attrname);
    if (!attr)
        return TESSEL_ERR_NOT_FOUND;
    for (auto& metadatum : attr->metadata)
    {
        if (metadatum.name == attrattrname)
        {
            metadatum.type = type;
            metadatum.values = std::move(values);
            return TESSEL_ERR_NONE;
        }
    }
    attr->metadata.push_back(TesselAttributeMetadatum{attrattrname, type, std::move(values)});
    return TESSEL_ERR_NONE;
}

// In-place storage of an attribute without accessors.
void* storageOf(void* x, const tessel_attribute* attr)
{
    return static_cast<char*>(x) + attr->offset;
}

void notifyListeners(void* x, tessel_attribute* attr)
{
    std::vector<std::pair<void*, tessel_notify_method>> calls;
    {
        const std::lock_guard lock(hostState().registryMutex);
        const Instance* instance = nullptr;
        if (auto it = hostState().instances.find(x); it != hostState().instances.end())
            instance = it->second.get();
        if (!instance)
            return;
        for (void* listener : instance->listeners)
        {
            auto found = hostState().instances.find(listener);
            if (found == hostState().instances.end())
                continue;
            if (const auto* entry = found->second->cls->findMethod(gensym("notify")))
                calls.emplace_back(listener, reinterpret_cast<tessel_notify_method>(entry->method));
        }
    }
    for (auto [listener, method] : calls)
        method(listener, gensym("box"), gensym("attr_modified"), x, attr);
}

} // namespace

namespace tessel::host
{

tessel_err setAttributeValue(void* x, tessel_attribute* attr, long argc, tessel_atom* argv,
                             bool userAccess)
{
    if (!x || !attr)
        return TESSEL_ERR_INVALID_PTR;
    if ((attr->flags & TESSEL_ATTR_SET_OPAQUE) ||
        (userAccess && (attr->flags & TESSEL_ATTR_SET_OPAQUE_USER)))
        return TESSEL_ERR_READ_ONLY;
    if (argc < 0 || (argc > 0 && !argv))
        return TESSEL_ERR_INVALID_PTR;
    tessel_err result = TESSEL_ERR_NONE;
    if (attr->setter)
    {
        result = attr->setter(x, attr, argc, argv);
    }
    else if (attr->getter)
    {
        return TESSEL_ERR_READ_ONLY; // a getter without a setter: nothing to write to
    }
    else if (attr->hostStored)
    {
        const std::lock_guard lock(hostState().registryMutex);
        auto it = hostState().instances.find(x);
        if (it == hostState().instances.end())
            return TESSEL_ERR_INVALID_PTR;
        it->second->hostStoredValues[attr].assign(argv, argv + argc);
    }
    else
    {
        if (argc < 1)
            return TESSEL_ERR_GENERIC;
        void* storage = storageOf(x, attr);
        if (attr->type == gensym("long"))
        {
            const tessel_long value = atom_getlong(argv);
            std::memcpy(storage, &value, sizeof value);
        }
        else if (attr->type == gensym("float64"))
        {
            const double value = atom_getfloat(argv);
            std::memcpy(storage, &value, sizeof value);
        }
        else if (attr->type == gensym("float32"))
        {
            const float value = static_cast<float>(atom_getfloat(argv));
            std::memcpy(storage, &value, sizeof value);
        }
        else if (attr->type == gensym("symbol"))
        {
            tessel_symbol* value = atom_getsym(argv);
            std::memcpy(storage, &value, sizeof value);
        }
        else
        {
            return TESSEL_ERR_GENERIC;
        }
    }
    if (result == TESSEL_ERR_NONE)
        notifyListeners(x, attr);
    return result;
}

tessel_err getAttributeValue(void* x, tessel_attribute* attr, std::vector<tessel_atom>& out,
                             bool userAccess)
{
    out.clear();
    if (!x || !attr)
        return TESSEL_ERR_INVALID_PTR;
    if ((attr->flags & TESSEL_ATTR_GET_OPAQUE) ||
        (userAccess && (attr->flags & TESSEL_ATTR_GET_OPAQUE_USER)))
        return TESSEL_ERR_READ_ONLY;
    if (attr->getter)
    {
        out.assign(TESSEL_ATTR_GET_CAPACITY, tessel_atom{});
        long count = TESSEL_ATTR_GET_CAPACITY;
        const tessel_err result = attr->getter(x, attr, &count, out.data());
        out.resize(static_cast<std::size_t>(
            count < 0 ? 0 : (count > TESSEL_ATTR_GET_CAPACITY ? TESSEL_ATTR_GET_CAPACITY : count)));
        return result;
    }
    if (attr->setter)
        return TESSEL_ERR_READ_ONLY; // a setter without a getter: nothing to read from
    if (attr->hostStored)
    {
        const std::lock_guard lock(hostState().registryMutex);
        auto it = hostState().instances.find(x);
        if (it == hostState().instances.end())
            return TESSEL_ERR_INVALID_PTR;
        out = it->second->hostStoredValues[attr];
        return TESSEL_ERR_NONE;
    }
    const void* storage = storageOf(x, attr);
    tessel_atom atom{};
    if (attr->type == gensym("long"))
    {
        tessel_long value;
        std::memcpy(&value, storage, sizeof value);
        atom_setlong(&atom, value);
    }
    else if (attr->type == gensym("float64"))
    {
        double value;
        std::memcpy(&value, storage, sizeof value);
        atom_setfloat(&atom, value);
    }
    else if (attr->type == gensym("float32"))
    {
        float value;
        std::memcpy(&value, storage, sizeof value);
        atom_setfloat(&atom, value);
    }
    else if (attr->type == gensym("symbol"))
    {
        tessel_symbol* value;
        std::memcpy(&value, storage, sizeof value);
        atom_setsym(&atom, value);
    }
    else
    {
        return TESSEL_ERR_GENERIC;
    }
    out.push_back(atom);
    return TESSEL_ERR_NONE;
}

} // namespace tessel::host

extern "C" tessel_attribute* attr_offset_new(const char* name, tessel_symbol* type, long flags,
                                             tessel_attr_getter getter, tessel_attr_setter setter,
                                             long offset)
{
    if (!name || !*name || !type || !isKnownAttributeType(type) || offset < 0)
        return nullptr;
    auto* attr = new tessel_attribute;
    attr->name = gensym(name);
    attr->type = type;
    attr->flags = flags;
    attr->getter = getter;
    attr->setter = setter;
    attr->offset = offset;
    return attr;
}

extern "C" tessel_err class_addattr(tessel_class* c, tessel_attribute* attr)
{
    if (!c || !attr)
    {
        delete attr;
        return TESSEL_ERR_INVALID_PTR;
    }
    const std::lock_guard lock(hostState().registryMutex);
    if (c->findAttribute(attr->name))
    {
        delete attr;
        return TESSEL_ERR_DUPLICATE;
    }
    c->attributes.emplace_back(attr);
    return TESSEL_ERR_NONE;
}

extern "C" tessel_err class_time_addattr(tessel_class* c, const char* attrname, const char* label,
                                         long flags)
{
    tessel_attribute* attr = attr_offset_new(attrname, gensym("time"), flags, nullptr, nullptr, 0);
    if (!attr)
        return TESSEL_ERR_INVALID_PTR;
    attr->hostStored = true;
    const tessel_err result = class_addattr(c, attr);
    if (result != TESSEL_ERR_NONE)
        return result;
    class_attr_addattr_format(c, attrname, "style", gensym("symbol"), 0, "s", gensym("time"));
    return class_attr_addattr_format(c, attrname, "label", gensym("symbol"), 0, "s",
                                     gensym_tr(label ? label : attrname));
}

extern "C" tessel_err class_attr_addattr_format(tessel_class* c, const char* attrname,
                                                const char* attrattrname, tessel_symbol* type,
                                                long /*flags*/, const char* fmt, ...)
{
    if (!fmt)
        return TESSEL_ERR_INVALID_PTR;
    std::vector<tessel_atom> values;
    va_list args;
    va_start(args, fmt);
    tessel_err result = TESSEL_ERR_NONE;
    for (const char* f = fmt; *f; ++f)
    {
        tessel_atom atom{};
        switch (*f)
        {
        case 'l':
            atom_setlong(&atom, va_arg(args, tessel_long));
            break;
        case 'i':
            atom_setlong(&atom, va_arg(args, int));
            break;
        case 'd':
            atom_setfloat(&atom, va_arg(args, double));
            break;
        case 's':
            atom_setsym(&atom, va_arg(args, tessel_symbol*));
            break;
        case 'c':
            atom_setsym(&atom, gensym(va_arg(args, const char*)));
            break;
        default:
            result = TESSEL_ERR_GENERIC;
            break;
        }
        if (result != TESSEL_ERR_NONE)
            break;
        values.push_back(atom);
    }
    va_end(args);
    if (result != TESSEL_ERR_NONE)
        return result;
    return addMetadatum(c, attrname, attrattrname, type, std::move(values));
}

extern "C" tessel_err class_attr_addattr_parse(tessel_class* c, const char* attrname,
                                               const char* attrattrname, tessel_symbol* type,
                                               long /*flags*/, const char* text)
{
    if (!text)
        return TESSEL_ERR_INVALID_PTR;
    return addMetadatum(c, attrname, attrattrname, type, toAtoms(parseValues(text)));
}

extern "C" tessel_err class_attr_addattr_atoms(tessel_class* c, const char* attrname,
                                               const char* attrattrname, tessel_symbol* type,
                                               long /*flags*/, long argc, tessel_atom* argv)
{
    if (argc < 0 || (argc > 0 && !argv))
        return TESSEL_ERR_INVALID_PTR;
    return addMetadatum(c, attrname, attrattrname, type,
                        std::vector<tessel_atom>(argv, argv + argc));
}

extern "C" tessel_err object_attr_setvalueof(void* x, tessel_symbol* attrname, long argc,
                                             tessel_atom* argv)
{
    tessel_attribute* attr = nullptr;
    {
        const std::lock_guard lock(hostState().registryMutex);
        auto it = hostState().instances.find(x);
        if (it == hostState().instances.end())
            return TESSEL_ERR_INVALID_PTR;
        attr = it->second->cls->findAttribute(attrname);
    }
    if (!attr)
        return TESSEL_ERR_NOT_FOUND;
    return setAttributeValue(x, attr, argc, argv, false);
}

namespace
{

bool isAttributeMarker(const tessel_atom& atom)
{
    return atom.type == TESSEL_ATOM_SYMBOL && atom.value.s && atom.value.s->name[0] == '@';
}

} // namespace

extern "C" long attr_args_offset(long argc, const tessel_atom* argv)
{
    for (long i = 0; argv && i < argc; ++i)
        if (isAttributeMarker(argv[i]))
            return i;
    return argc < 0 ? 0 : argc;
}

extern "C" void attr_args_process(void* x, long argc, const tessel_atom* argv)
{
    long i = attr_args_offset(argc, argv);
    while (i < argc)
    {
        const char* name = argv[i].value.s->name + 1;
        long end = i + 1;
        while (end < argc && !isAttributeMarker(argv[end]))
            ++end;
        std::vector<tessel_atom> values(argv + i + 1, argv + end);
        const std::string className = classNameOf(x);
        if (values.empty())
        {
            postConsole(std::string("no value for attribute \"") + name + "\"", className, true);
        }
        else
        {
            const tessel_err result = object_attr_setvalueof(
                x, gensym(name), static_cast<long>(values.size()), values.data());
            if (result == TESSEL_ERR_NOT_FOUND)
                postConsole(std::string("no attribute named \"") + name + "\"", className, true);
            else if (result == TESSEL_ERR_READ_ONLY)
                postConsole(std::string("attribute \"") + name + "\" is read-only", className,
                            true);
        }
        i = end;
    }
}
