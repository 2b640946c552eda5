// The factory presets: named settings of all fourteen attributes of the resonator, shared by
// every front end (the renderer's --preset, the plugins' program lists). Plain constant data;
// nothing here allocates.
#pragma once

#include <span>
#include <string_view>

namespace sorvell
{

// One attribute value, by the attribute's name (`decay`, `hf_damp`, ...). Integer attributes
// (`voices`, `harmonics`, `mod_type`) hold whole numbers.
struct preset_value
{
    std::string_view parameter;
    double value;
};

struct factory_preset
{
    std::string_view name;                // lower case, one word or hyphenated: "dark-body"
    std::string_view description;         // one short line for listings
    std::span<const preset_value> values; // every attribute, in the object's attribute order
};

// Every factory preset, in the order a listing shows them.
std::span<const factory_preset> factory_presets();

// The preset of that exact name, or nullptr.
const factory_preset* find_factory_preset(std::string_view name);

} // namespace sorvell
