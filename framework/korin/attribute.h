// Host-facing attributes: a named, typed value with label, description, style, category and
// range, registered with the host class, set from atoms (validated, then clamped or passed on
// by the limit policy) and read back as atoms. Thread policy 2 applies a set on any thread;
// policy 0 applies it on the main thread and parks sets made elsewhere in a single pending slot
// that a queue element applies later on the main thread. Allocates; never on the audio thread.
#pragma once

#include "atoms.h"
#include "object_base.h"
#include "symbols.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace brindle::korin
{

namespace limit
{
struct none
{
};
struct clamp
{
};
} // namespace limit

enum class attribute_style
{
    none,
    text,
    onoff,
    enumeration,
    enumindex,
    rect,
    font,
    file,
    rgba,
    time
};

enum class attribute_visibility
{
    show,
    invisible
};

// What an object says about an attribute before making it.
struct attribute_description
{
    std::string name;
    std::string label;
    std::string description;
    tessel_symbol* category = symbols::empty;
};

// Shortest text that reads back as the same double and always shows a decimal point.
inline std::string number_text(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".eEn") == std::string::npos)
    {
        text += ".0";
    }
    return text;
}

inline std::string number_text(long value)
{
    return std::to_string(value);
}

inline std::string number_text(int value)
{
    return std::to_string(value);
}

// Host accessors of every framework attribute; they find the attribute by its host handle.
std::unordered_map<const tessel_attribute*, std::string>& registered_attribute_names();
tessel_err attribute_get_wrapper(void* x, tessel_attribute* attr, long* argc, tessel_atom* argv);
tessel_err attribute_set_wrapper(void* x, tessel_attribute* attr, long argc, tessel_atom* argv);

class attribute_base
{
public:
    using setter_function = std::function<atoms(const atoms&, int inlet)>;
    using getter_function = std::function<atoms()>;

    attribute_base(object_base& owner, const attribute_description& description,
                   tessel_symbol* data_type, attribute_style style)
        : mOwner(owner), mName(gensym(description.name.c_str())),
          mTitle(gensym(description.label.c_str())), mDataType(data_type),
          mDescription(description.description), mStyle(style), mCategory(description.category)
    {
        owner.add_attribute(*this, description.name);
    }
    virtual ~attribute_base() = default;
    attribute_base(const attribute_base&) = delete;
    attribute_base& operator=(const attribute_base&) = delete;

    // Sets from atoms. With notify on, a live object routes the set through the host so that
    // its bookkeeping and listeners run; the host then calls back with notify off.
    virtual void set(const atoms& values, bool notify = false, bool override_read_only = false) = 0;
    virtual atoms get() const = 0;
    virtual atoms get_for_host() const { return get(); }
    // Each range value in double quotes followed by one blank; empty without a range.
    virtual std::string range_text() const = 0;
    virtual void create(tessel_class* host_class) const;
    virtual std::string value_text() const = 0;

    const char* name() const { return mName->name; }
    const char* label() const { return mTitle->name; }
    tessel_symbol* data_type() const { return mDataType; }
    const std::string& description() const { return mDescription; }
    attribute_style style() const { return mStyle; }
    tessel_symbol* category() const { return mCategory; }
    int order() const { return mOrder; }
    bool read_only() const { return mReadOnly; }
    bool visible() const { return mVisibility == attribute_visibility::show; }
    object_base& owner() const { return mOwner; }

    void set_setter(setter_function setter) { mSetter = std::move(setter); }
    void set_getter(getter_function getter) { mGetter = std::move(getter); }

protected:
    // Posts a set error on the console, tagged with the object when it lives in the host.
    void report(const std::string& text) const
    {
        object_error(mOwner.host_object(), "%s", text.c_str());
    }

    bool route_through_host(const atoms& values) const
    {
        void* host = mOwner.host_object();
        if (host == nullptr)
        {
            return false;
        }
        object_attr_setvalueof(host, mName, static_cast<long>(values.size()),
                               const_cast<tessel_atom*>(values.data()));
        return true;
    }

    object_base& mOwner;
    tessel_symbol* mName;
    tessel_symbol* mTitle;
    tessel_symbol* mDataType;
    std::string mDescription;
    bool mReadOnly = false;
    attribute_visibility mVisibility = attribute_visibility::show;
    attribute_style mStyle;
    tessel_symbol* mCategory;
    int mOrder = 0;
    setter_function mSetter;
    getter_function mGetter;
};

// Case-insensitive comparison of value names.
inline bool same_name(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

template <typename T, int thread_policy, typename limit_policy = limit::none>
class attribute : public attribute_base
{
    static constexpr bool is_enumeration = std::is_enum_v<T>;
    using stored_type = std::conditional_t<is_enumeration, int, T>;

public:
    // A number with its range.
    attribute(object_base& owner, const attribute_description& description, T default_value,
              T minimum, T maximum) requires(!is_enumeration)
        : attribute_base(owner, description,
                         std::is_floating_point_v<T> ? symbols::float64 : symbols::long_,
                         attribute_style::none),
          mValue(default_value), mMinimum(minimum), mMaximum(maximum)
    {
    }

    // An enumeration with its value names, stored as the value index.
    attribute(object_base& owner, const attribute_description& description, T default_value,
              std::vector<std::string> value_names) requires(is_enumeration)
        : attribute_base(owner, description, symbols::long_, attribute_style::enumindex),
          mValue(static_cast<int>(default_value)), mValueNames(std::move(value_names))
    {
    }

    ~attribute() override
    {
        if (mPendingElement != nullptr)
        {
            qelem_free(mPendingElement);
        }
    }

    void set(const atoms& values, bool notify = false, bool override_read_only = false) override
    {
        if (mReadOnly && !override_read_only)
        {
            return;
        }
        if (notify && route_through_host(values))
        {
            return;
        }
        if constexpr (thread_policy == 0)
        {
            if (mOwner.host_object() != nullptr && systhread_ismainthread() == 0)
            {
                park(values);
                return;
            }
        }
        apply(values);
    }

    atoms get() const override
    {
        const std::lock_guard<std::recursive_mutex> guard(mValueMutex);
        if (mGetter)
        {
            return mGetter();
        }
        return {make_atom(stored_atom_value())};
    }

    std::string range_text() const override
    {
        std::string text;
        if constexpr (is_enumeration)
        {
            for (const auto& name : mValueNames)
            {
                text.append(1, '"').append(name).append("\" ");
            }
        }
        else
        {
            for (const auto bound : {mMinimum, mMaximum})
            {
                text.append(1, '"').append(number_text(bound)).append("\" ");
            }
        }
        return text;
    }

    std::string value_text() const override
    {
        const atoms current = get();
        if (current.empty())
        {
            return {};
        }
        if (current.front().type == TESSEL_ATOM_FLOAT)
        {
            return number_text(static_cast<double>(atom_getfloat(&current.front())));
        }
        return number_text(static_cast<long>(atom_getlong(&current.front())));
    }

    void create(tessel_class* host_class) const override
    {
        attribute_base::create(host_class);
        if constexpr (!is_enumeration)
        {
            if (mDataType == symbols::float64)
            {
                class_attr_addattr_format(host_class, name(), "min", mDataType, 0, "d",
                                          static_cast<double>(mMinimum));
                class_attr_addattr_format(host_class, name(), "max", mDataType, 0, "d",
                                          static_cast<double>(mMaximum));
            }
            else
            {
                class_attr_addattr_format(host_class, name(), "min", mDataType, 0, "l",
                                          static_cast<tessel_long>(mMinimum));
                class_attr_addattr_format(host_class, name(), "max", mDataType, 0, "l",
                                          static_cast<tessel_long>(mMaximum));
            }
        }
        else
        {
            class_attr_addattr_format(host_class, name(), "style", symbols::symbol, 0, "s",
                                      symbols::style_enumindex);
            class_attr_addattr_parse(host_class, name(), "enumvals", symbols::symbol, 0,
                                     range_text().c_str());
        }
    }

    stored_type value() const
    {
        const std::lock_guard<std::recursive_mutex> guard(mValueMutex);
        return mValue;
    }
    const std::vector<std::string>& value_names() const { return mValueNames; }

    // Applies a set on this thread: validate, limit, call the setter, store. Sets from the
    // main and the scheduler thread are serialised (neither is the audio thread), so that the
    // setter's side effects and the stored value stay in step with the last set.
    void apply(const atoms& values)
    {
        const std::lock_guard<std::recursive_mutex> guard(mValueMutex);
        const std::optional<stored_type> read = read_value(values);
        if (!read)
        {
            return;
        }
        stored_type incoming = *read;
        if constexpr (std::is_same_v<limit_policy, limit::clamp> && !is_enumeration)
        {
            incoming = std::clamp(incoming, mMinimum, mMaximum);
        }
        stored_type result = incoming;
        if (mSetter)
        {
            const atoms returned = mSetter({make_atom(incoming)}, 0);
            if (!returned.empty())
            {
                result = from_atom(returned.front());
            }
        }
        if constexpr (is_enumeration)
        {
            result = std::clamp(result, 0, static_cast<int>(mValueNames.size()) - 1);
        }
        mValue = result;
    }

private:
    auto stored_atom_value() const
    {
        if constexpr (std::is_floating_point_v<stored_type>)
        {
            return static_cast<double>(mValue);
        }
        else
        {
            return static_cast<long>(mValue);
        }
    }

    static stored_type from_atom(const atom& a)
    {
        if constexpr (std::is_floating_point_v<stored_type>)
        {
            return static_cast<stored_type>(atom_getfloat(&a));
        }
        else
        {
            return static_cast<stored_type>(atom_getlong(&a));
        }
    }

    std::string accepted_names() const
    {
        std::string text;
        for (std::size_t i = 0; i < mValueNames.size(); ++i)
        {
            text += (i == 0 ? "" : ", ") + mValueNames[i] + " (" + std::to_string(i) + ")";
        }
        return text;
    }

    std::optional<stored_type> read_value(const atoms& values) const
    {
        const std::string attribute_name = name();
        if (values.empty())
        {
            report("attribute '" + attribute_name + "' needs a value; nothing changed");
            return std::nullopt;
        }
        const atom& first = values.front();
        if constexpr (is_enumeration)
        {
            if (is_symbol(first))
            {
                const std::string given = symbol_text(first);
                for (std::size_t i = 0; i < mValueNames.size(); ++i)
                {
                    if (same_name(given, mValueNames[i]))
                    {
                        return static_cast<int>(i);
                    }
                }
                report("attribute '" + attribute_name + "' does not know the value '" + given +
                       "'; accepted values are " + accepted_names() + "; nothing changed");
                return std::nullopt;
            }
        }
        if (!is_number(first))
        {
            report("attribute '" + attribute_name + "' expects a number, got '" +
                   symbol_text(first) + "'; nothing changed");
            return std::nullopt;
        }
        if (first.type == TESSEL_ATOM_FLOAT && std::isnan(atom_getfloat(&first)))
        {
            report("attribute '" + attribute_name + "' cannot be set to NaN; nothing changed");
            return std::nullopt;
        }
        if constexpr (!std::is_floating_point_v<stored_type>)
        {
            if (first.type == TESSEL_ATOM_FLOAT)
            {
                // Out-of-range floats saturate instead of overflowing the conversion.
                const double v =
                    std::clamp(static_cast<double>(atom_getfloat(&first)), -2.0e9, 2.0e9);
                return static_cast<stored_type>(v);
            }
            const auto v = std::clamp<tessel_long>(atom_getlong(&first), -2000000000, 2000000000);
            return static_cast<stored_type>(v);
        }
        return from_atom(first);
    }

    // Off the main thread: keep the newest set and let the main thread apply it.
    void park(const atoms& values)
    {
        {
            const std::lock_guard<std::mutex> guard(mPendingMutex);
            mPending = values;
            if (mPendingElement == nullptr)
            {
                mPendingElement = qelem_new(this, &apply_pending);
            }
        }
        qelem_set(mPendingElement);
    }

    static void apply_pending(void* self)
    {
        auto* attribute = static_cast<class attribute*>(self);
        std::optional<atoms> pending;
        {
            const std::lock_guard<std::mutex> guard(attribute->mPendingMutex);
            pending.swap(attribute->mPending);
        }
        if (pending)
        {
            attribute->apply(*pending);
        }
    }

    stored_type mValue;
    stored_type mMinimum{};
    stored_type mMaximum{};
    std::vector<std::string> mValueNames;
    std::mutex mPendingMutex;
    mutable std::recursive_mutex mValueMutex; // sets, gets and reads of the stored value
    std::optional<atoms> mPending;
    tessel_qelem* mPendingElement = nullptr;
};

} // namespace brindle::korin
