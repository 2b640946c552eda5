#include "Vst3HostApplication.h"

#include "travesty/message.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <variant>
#include <vector>

namespace sorvell::conformance
{
namespace
{

std::atomic<int> gLiveMessages{0};

// Deletes a heap-made object on the plugin's last release.
template <typename Object>
uint32_t V3_API unrefOwnedByPlugin(void* self)
{
    auto* object = static_cast<Object*>(self);
    const int left = --object->refs;
    if (left == 0)
    {
        delete object;
    }
    return static_cast<uint32_t>(left);
}

struct AttributeList : Vst3HostObject<v3_attribute_list>
{
    using Value = std::variant<int64_t, double, std::vector<int16_t>, std::vector<uint8_t>>;
    std::map<std::string, Value> values;

    template <typename T>
    static v3_result get(void* self, const char* id, T** value)
    {
        auto& values = static_cast<AttributeList*>(self)->values;
        const auto found = values.find(id);
        const bool held = found != values.end() && std::holds_alternative<T>(found->second);
        *value = held ? &std::get<T>(found->second) : nullptr;
        return held ? V3_OK : V3_INVALID_ARG;
    }
    template <typename T>
    static v3_result set(void* self, const char* id, T value)
    {
        static_cast<AttributeList*>(self)->values[id] = std::move(value);
        return V3_OK;
    }
    template <typename T>
    static v3_result getNumber(void* self, const char* id, T* value)
    {
        T* stored = nullptr;
        const v3_result result = get(self, id, &stored);
        *value = stored != nullptr ? *stored : T{};
        return result;
    }

    static const Table* vtable()
    {
        static const Table t{
            {[](void* self, const v3_tuid iid, void** object)
             { return query(self, iid, object, v3_attribute_list_iid); },
             ref, unrefOwnedByPlugin<AttributeList>},
            {[](void* self, const char* id, int64_t value) { return set(self, id, value); },
             getNumber<int64_t>,
             [](void* self, const char* id, double value) { return set(self, id, value); },
             getNumber<double>,
             [](void* self, const char* id, const int16_t* text)
             {
                 std::vector<int16_t> copy;
                 do
                 {
                     copy.push_back(*text);
                 } while (*text++ != 0);
                 return set(self, id, std::move(copy));
             },
             [](void* self, const char* id, int16_t* text, uint32_t size)
             {
                 std::vector<int16_t>* stored = nullptr;
                 const v3_result result = get(self, id, &stored);
                 if (stored == nullptr || size < 2)
                 {
                     return result;
                 }
                 const std::size_t n = std::min<std::size_t>(stored->size(), size / 2);
                 std::memcpy(text, stored->data(), n * 2);
                 text[n - 1] = 0;
                 return static_cast<v3_result>(V3_OK);
             },
             [](void* self, const char* id, const void* data, uint32_t size)
             {
                 const auto* bytes = static_cast<const uint8_t*>(data);
                 return set(self, id, std::vector<uint8_t>(bytes, bytes + size));
             },
             [](void* self, const char* id, const void** data, uint32_t* size)
             {
                 std::vector<uint8_t>* stored = nullptr;
                 const v3_result result = get(self, id, &stored);
                 *data = stored != nullptr ? stored->data() : nullptr;
                 *size = stored != nullptr ? static_cast<uint32_t>(stored->size()) : 0;
                 return result;
             }}};
        return &t;
    }
    AttributeList() { table = vtable(); }
};

struct Message : Vst3HostObject<v3_message>
{
    std::string id;
    AttributeList* attributes = new AttributeList;

    static const Table* vtable()
    {
        static const Table t{{[](void* self, const v3_tuid iid, void** object)
                              { return query(self, iid, object, v3_message_iid); },
                              ref, unrefOwnedByPlugin<Message>},
                             {[](void* self) { return static_cast<Message*>(self)->id.c_str(); },
                              [](void* self, const char* id)
                              { static_cast<Message*>(self)->id = id != nullptr ? id : ""; },
                              [](void* self) {
                                  return reinterpret_cast<v3_attribute_list**>(
                                      static_cast<Message*>(self)->attributes);
                              }}};
        return &t;
    }
    Message()
    {
        table = vtable();
        ++gLiveMessages;
    }
    ~Message()
    {
        v3_cpp_obj_unref(reinterpret_cast<v3_attribute_list**>(attributes));
        --gLiveMessages;
    }
};

} // namespace

Vst3HostApplication::Vst3HostApplication(std::string name) : mName(std::move(name))
{
    static const Table t{{[](void* self, const v3_tuid iid, void** object)
                          { return query(self, iid, object, v3_host_application_iid); },
                          ref, unrefOwned},
                         {[](void* self, v3_str_128 name)
                          {
                              const std::string& text =
                                  static_cast<Vst3HostApplication*>(self)->mName;
                              const std::size_t n = std::min<std::size_t>(text.size(), 127);
                              std::copy_n(text.begin(), n, name);
                              name[n] = 0;
                              return static_cast<v3_result>(V3_OK);
                          },
                          [](void*, v3_tuid cid, v3_tuid iid, void** object)
                          {
                              const bool message = v3_tuid_match(cid, v3_message_iid) &&
                                                   v3_tuid_match(iid, v3_message_iid);
                              *object = message ? new Message : nullptr;
                              return static_cast<v3_result>(message ? V3_OK : V3_NO_INTERFACE);
                          }}};
    table = &t;
}

int Vst3HostApplication::liveMessages()
{
    return gLiveMessages;
}

} // namespace sorvell::conformance
