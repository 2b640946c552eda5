#include "attribute.h"

namespace brindle::korin
{

namespace
{

const char* style_name(attribute_style style)
{
    switch (style)
    {
    case attribute_style::text:
        return "text";
    case attribute_style::onoff:
        return "onoff";
    case attribute_style::enumeration:
        return "enum";
    case attribute_style::enumindex:
        return "enumindex";
    case attribute_style::rect:
        return "rect";
    case attribute_style::font:
        return "font";
    case attribute_style::file:
        return "file";
    case attribute_style::rgba:
        return "rgba";
    case attribute_style::time:
        return "time";
    case attribute_style::none:
        break;
    }
    return "";
}

attribute_base* find_registered(void* x, const tessel_attribute* attr)
{
    const auto& names = registered_attribute_names();
    const auto it = names.find(attr);
    if (x == nullptr || it == names.end())
    {
        return nullptr;
    }
    auto* self = reinterpret_cast<object_base*>(static_cast<char*>(x) + host_header_size);
    if (self->host_object() != x)
    {
        return nullptr;
    }
    return self->find_attribute(it->second);
}

} // namespace

std::unordered_map<const tessel_attribute*, std::string>& registered_attribute_names()
{
    static std::unordered_map<const tessel_attribute*, std::string> names;
    return names;
}

tessel_err attribute_get_wrapper(void* x, tessel_attribute* attr, long* argc, tessel_atom* argv)
{
    attribute_base* attribute = find_registered(x, attr);
    if (attribute == nullptr || argc == nullptr || argv == nullptr)
    {
        return TESSEL_ERR_INVALID_PTR;
    }
    const atoms values = attribute->get_for_host();
    const long count = std::min<long>(*argc, static_cast<long>(values.size()));
    std::copy(values.begin(), values.begin() + count, argv);
    *argc = count;
    return TESSEL_ERR_NONE;
}

tessel_err attribute_set_wrapper(void* x, tessel_attribute* attr, long argc, tessel_atom* argv)
{
    attribute_base* attribute = find_registered(x, attr);
    if (attribute == nullptr)
    {
        return TESSEL_ERR_INVALID_PTR;
    }
    const atoms values = argc > 0 && argv != nullptr ? atoms(argv, argv + argc) : atoms{};
    attribute->set(values, false, false);
    return TESSEL_ERR_NONE;
}

void attribute_base::create(tessel_class* host_class) const
{
    long flags = TESSEL_ATTR_FLAGS_NONE;
    if (mReadOnly)
    {
        flags |= TESSEL_ATTR_SET_OPAQUE | TESSEL_ATTR_SET_OPAQUE_USER;
    }
    if (mStyle == attribute_style::time)
    {
        class_time_addattr(host_class, name(), label(), flags);
    }
    else
    {
        tessel_attribute* host_attribute = attr_offset_new(
            name(), mDataType, flags, &attribute_get_wrapper, &attribute_set_wrapper, 0);
        if (host_attribute == nullptr)
        {
            return;
        }
        registered_attribute_names()[host_attribute] = name();
        class_addattr(host_class, host_attribute);
    }
    if (!visible())
    {
        class_attr_addattr_format(host_class, name(), "invisible", symbols::long_, 0, "l",
                                  tessel_long{1});
    }
    class_attr_addattr_format(host_class, name(), "label", symbols::symbol, 0, "s",
                              gensym_tr(label()));
    if (mStyle != attribute_style::none)
    {
        class_attr_addattr_format(host_class, name(), "style", symbols::symbol, 0, "s",
                                  gensym(style_name(mStyle)));
    }
    class_attr_addattr_parse(host_class, name(), "default", mDataType, 0, value_text().c_str());
    if (mCategory != symbols::empty)
    {
        class_attr_addattr_format(host_class, name(), "category", symbols::symbol, 0, "s",
                                  mCategory);
    }
    class_attr_addattr_format(host_class, name(), "order", symbols::long_, 0, "l",
                              static_cast<tessel_long>(mOrder));
}

} // namespace brindle::korin
