// Registration of a framework class with the host and the host-side glue of its instances:
// instance creation in the host's object block, release, the "dsp64" and "assist" hooks and the
// message wrappers. wrap_class runs once per class (later calls return at once); errors during
// registration go to standard error, errors during instance creation to the host console.
// Main thread; allocates.
#pragma once

#include "attribute.h"
#include "class_name.h"
#include "error.h"
#include "message.h"
#include "reference_page_update.h"
#include "symbols.h"

#include "tessel/tessel_audio.h"

#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <string>

namespace brindle::korin
{

template <typename T>
struct class_registration
{
    static inline tessel_class* host_class = nullptr;
    static inline std::string name;
};

template <typename T>
T* instance_of(void* x)
{
    return reinterpret_cast<T*>(static_cast<char*>(x) + host_header_size);
}

inline object_base* object_of(void* x)
{
    auto* self = reinterpret_cast<object_base*>(static_cast<char*>(x) + host_header_size);
    return self->host_object() == x ? self : nullptr;
}

inline void typed_message_wrapper(void* x, tessel_symbol* selector, long argc, tessel_atom* argv)
{
    object_base* self = object_of(x);
    message_base* target =
        (self != nullptr && selector != nullptr) ? self->find_message(selector->name) : nullptr;
    if (target != nullptr)
    {
        target->call(argc > 0 && argv != nullptr ? atoms(argv, argv + argc) : atoms{}, -1);
    }
}

inline void float_message_wrapper(void* x, double value)
{
    object_base* self = object_of(x);
    message_base* target = self != nullptr ? self->find_message("float") : nullptr;
    if (target != nullptr)
    {
        target->call({make_atom(value)}, -1);
    }
}

inline void long_message_wrapper(void* x, tessel_long value)
{
    object_base* self = object_of(x);
    if (self == nullptr)
    {
        return;
    }
    if (message_base* exact = self->find_message("int"))
    {
        exact->call({make_atom(static_cast<long>(value))}, -1);
    }
    else if (message_base* number = self->find_message("float"))
    {
        number->call({make_atom(static_cast<double>(value))}, -1);
    }
}

template <typename T>
void assist_hook(void* x, void*, long kind, long index, char* text)
{
    object_base* self = object_of(x);
    if (self == nullptr || text == nullptr || index < 0)
    {
        return;
    }
    const auto& ports = kind == TESSEL_ASSIST_INLET ? self->inlets() : self->outlets();
    if ((kind != TESSEL_ASSIST_INLET && kind != TESSEL_ASSIST_OUTLET) ||
        static_cast<std::size_t>(index) >= ports.size())
    {
        return;
    }
    const std::string& description = ports[static_cast<std::size_t>(index)].description;
    const std::size_t length = std::min<std::size_t>(description.size(), TESSEL_ASSIST_MAX - 1);
    std::memcpy(text, description.data(), length);
    text[length] = '\0';
}

template <typename T>
void dsp64_hook(void* x, void* dsp_chain, short* count, double sample_rate, long max_vector_size,
                long)
{
    if (object_of(x) != nullptr)
    {
        instance_of<T>(x)->dsp64(dsp_chain, count, sample_rate, max_vector_size);
    }
}

template <typename T>
void free_instance(void* x)
{
    z_dsp_free(static_cast<tessel_signal_object*>(x));
    if (object_of(x) != nullptr)
    {
        instance_of<T>(x)->~T();
    }
}

template <typename T>
void* create_instance(tessel_symbol*, long argc, tessel_atom* argv)
{
    const long leading = attr_args_offset(argc, argv);
    void* x = object_alloc(class_registration<T>::host_class);
    if (x == nullptr)
    {
        return nullptr;
    }
    T* self = nullptr;
    bool signal_ready = false;
    try
    {
        constructing_host_object = static_cast<tessel_object*>(x);
        self = new (static_cast<char*>(x) + host_header_size) T();
        constructing_host_object = nullptr;

        auto* header = static_cast<tessel_signal_object*>(x);
        z_dsp_setup(header, static_cast<long>(self->inlets().size()));
        header->flags |= TESSEL_SIGNAL_NO_INPLACE;
        signal_ready = true;
        for (auto port = self->outlets().rbegin(); port != self->outlets().rend(); ++port)
        {
            outlet_new(x, port->type.c_str());
        }
        if (message_base* setup = self->find_message("setup"))
        {
            setup->call(atoms(argv, argv + leading), 0);
        }
        object_attach_byptr_register(x, x, symbols::box);
        attr_args_process(x, argc, argv);
        return x;
    }
    catch (const std::exception& failure)
    {
        constructing_host_object = nullptr;
        object_error(nullptr, "%s", failure.what());
        if (signal_ready)
        {
            z_dsp_free(static_cast<tessel_signal_object*>(x));
        }
        if (self != nullptr)
        {
            self->~T();
        }
        return nullptr;
    }
}

// Registers the class T under the name derived from its source file.
template <typename T>
void wrap_class(const char* source_path, void* /*resources*/)
{
    if (class_registration<T>::host_class != nullptr)
    {
        return;
    }
    try
    {
        constructing_host_object = nullptr;
        const auto prototype = std::make_unique<T>();
        if (static_cast<void*>(static_cast<object_base*>(prototype.get())) !=
            static_cast<void*>(prototype.get()))
        {
            throw error("the object base must start the class instance");
        }
        const std::string name = class_name_from_source_path(source_path);
        tessel_class* host_class = class_new(name.c_str(), &create_instance<T>, &free_instance<T>,
                                             host_header_size + sizeof(T));
        if (host_class == nullptr)
        {
            throw error("could not create the class " + name);
        }
        class_registration<T>::host_class = host_class;
        class_registration<T>::name = name;

        for (const attribute_base* attribute : prototype->attributes())
        {
            attribute->create(host_class);
        }
        for (const auto& [message_name, message] : prototype->messages())
        {
            if (message_name == "dspsetup" || message_name == "tesselclass_setup")
            {
                continue;
            }
            if (message_name == "float")
            {
                class_addmethod(host_class, reinterpret_cast<tessel_method>(&float_message_wrapper),
                                "float", TESSEL_METHOD_FLOAT);
            }
            else if (message_name == "int")
            {
                class_addmethod(host_class, reinterpret_cast<tessel_method>(&long_message_wrapper),
                                "int", TESSEL_METHOD_LONG);
            }
            else
            {
                const char* host_name =
                    message_name == "savestate" ? "appendtodictionary" : message_name.c_str();
                class_addmethod(
                    host_class, reinterpret_cast<tessel_method>(&typed_message_wrapper), host_name,
                    message->is_internal() ? TESSEL_METHOD_INTERNAL : TESSEL_METHOD_TYPED_LIST);
            }
        }
        if (prototype->find_message("float") != nullptr &&
            prototype->find_message("int") == nullptr)
        {
            class_addmethod(host_class, reinterpret_cast<tessel_method>(&long_message_wrapper),
                            "int", TESSEL_METHOD_LONG);
        }
        update_reference_page(*prototype, name);

        class_addmethod(host_class, reinterpret_cast<tessel_method>(&dsp64_hook<T>), "dsp64",
                        TESSEL_METHOD_INTERNAL);
        class_dspinit(host_class);
        if (message_base* class_setup = prototype->find_message("tesselclass_setup"))
        {
            atom class_atom{};
            atom_setobj(&class_atom, host_class);
            class_setup->call({class_atom}, 0);
        }
        class_addmethod(host_class, reinterpret_cast<tessel_method>(&assist_hook<T>), "assist",
                        TESSEL_METHOD_INTERNAL);
        class_register(symbols::box, host_class);
    }
    catch (const std::exception& failure)
    {
        std::cerr << failure.what() << std::endl;
    }
}

} // namespace brindle::korin
