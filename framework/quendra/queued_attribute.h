// Integer and enumeration attributes whose changes reach the engine at the start of the next
// audio block: a set pushes (change callback, value) onto the object's parameter queue and
// stores the value. The queue never allocates; the rest allocates only at construction.
#pragma once

#include "../korin/attribute.h"
#include "parameter_queue.h"

#include <string>
#include <vector>

namespace brindle::quendra
{

class attribute_base
{
public:
    virtual ~attribute_base() = default;
    virtual int stored_value() const = 0;
    virtual korin::attribute_base& host_attribute() = 0;
    virtual const std::string& attribute_name() const = 0;
};

template <typename T, int thread_policy, typename limit_policy>
class attribute : public attribute_base
{
public:
    // Integer with a range (clamped by the host-facing attribute when the policy says so).
    attribute(korin::object_base& owner, const korin::attribute_description& description,
              int default_value, int minimum, int maximum, int_callback callback,
              parameter_queue& queue) requires(!std::is_enum_v<T>)
        : mName(description.name), mStored(default_value), mCallback(std::move(callback)),
          mQueue(queue), mAttribute(owner, description, default_value, minimum, maximum)
    {
        bind();
    }

    // Enumeration with its value names; values are queued as given.
    attribute(korin::object_base& owner, const korin::attribute_description& description,
              T default_value, std::vector<std::string> value_names, int_callback callback,
              parameter_queue& queue) requires(std::is_enum_v<T>)
        : mName(description.name), mStored(static_cast<int>(default_value)),
          mCallback(std::move(callback)), mQueue(queue),
          mAttribute(owner, description, default_value, std::move(value_names))
    {
        bind();
    }

    int stored_value() const override { return mStored; }
    korin::attribute_base& host_attribute() override { return mAttribute; }
    const std::string& attribute_name() const override { return mName; }

private:
    void bind()
    {
        mAttribute.set_setter(
            [this](const korin::atoms& values, int)
            {
                const int value =
                    values.empty() ? mStored : static_cast<int>(atom_getlong(&values.front()));
                mQueue.push(mCallback, value); // a full queue drops the change for the engine
                mStored = value;
                return korin::atoms{korin::make_atom(value)};
            });
    }

    std::string mName;
    int mStored;
    int_callback mCallback;
    parameter_queue& mQueue;
    korin::attribute<std::conditional_t<std::is_enum_v<T>, T, int>, thread_policy, limit_policy>
        mAttribute;
};

} // namespace brindle::quendra
