// Base of every host object of the framework: the message table (hash map by name), the
// attribute table (by name and in creation order), the port descriptions and the back pointer to
// the host object. Construction allocates; nothing here runs on the audio thread.
#pragma once

#include "host_object.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace brindle::korin
{

class message_base;
class attribute_base;

// A signal or message port with its help text.
struct port
{
    std::string type; // "signal" for audio
    std::string description;
};

class object_base
{
public:
    object_base() : mHostObject(constructing_host_object)
    {
        if (mHostObject != nullptr)
        {
            mMagic = host_object_magic;
        }
    }
    virtual ~object_base() = default;
    object_base(const object_base&) = delete;
    object_base& operator=(const object_base&) = delete;

    // Class-kind queries: none of the optional host features.
    virtual bool is_matrix_operator() const { return false; }
    virtual bool is_ui_object() const { return false; }
    virtual bool has_multitouch() const { return false; }
    virtual bool is_no_deferral_class() const { return false; }
    virtual bool has_documentation_flag() const { return false; }
    virtual std::vector<std::string> tags() const { return {}; }

    // Reference-page texts of the class.
    virtual std::string description_text() const { return {}; }
    virtual std::string author_text() const { return {}; }
    virtual std::string category_text() const { return {}; }
    virtual std::vector<std::string> related_objects() const { return {}; }

    // The host object, or nullptr for an object that does not live in one (the prototype).
    void* host_object() const
    {
        return mMagic == host_object_magic ? static_cast<void*>(mHostObject) : nullptr;
    }

    void add_message(message_base& message, const std::string& name) { mMessages[name] = &message; }
    message_base* find_message(const std::string& name) const
    {
        const auto it = mMessages.find(name);
        return it == mMessages.end() ? nullptr : it->second;
    }
    const std::unordered_map<std::string, message_base*>& messages() const { return mMessages; }

    void add_attribute(attribute_base& attribute, const std::string& name)
    {
        if (mAttributesByName.emplace(name, &attribute).second)
        {
            mAttributes.push_back(&attribute);
        }
    }
    attribute_base* find_attribute(const std::string& name) const
    {
        const auto it = mAttributesByName.find(name);
        return it == mAttributesByName.end() ? nullptr : it->second;
    }
    const std::vector<attribute_base*>& attributes() const { return mAttributes; }

    std::vector<port>& inlets() { return mInlets; }
    std::vector<port>& outlets() { return mOutlets; }
    const std::vector<port>& inlets() const { return mInlets; }
    const std::vector<port>& outlets() const { return mOutlets; }

private:
    tessel_object* mHostObject;
    std::uint32_t mMagic = 0;
    std::unordered_map<std::string, message_base*> mMessages;
    std::unordered_map<std::string, attribute_base*> mAttributesByName;
    std::vector<attribute_base*> mAttributes;
    std::vector<port> mInlets;
    std::vector<port> mOutlets;
};

// The object layer of a concrete class; the second argument counts the class's layers.
template <typename T, int layers = 1>
class object : public object_base
{
};

} // namespace brindle::korin
