// The attributes of the class as the class registered them with the host (name, type, label,
// range, default, category, value names) plus their descriptions. Turns command-line text
// into attribute values and formats the --list table. Allocates; throws ToolError (usage).
#pragma once

#include "QuantityText.h"

#include <tessel/host/Runtime.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quendra::renderer
{

struct AttributeEntry
{
    std::string name;
    std::string type; // "float64", "long", ...
    std::string label;
    std::string defaultText;
    std::string category;
    std::string description;
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::vector<std::string> valueNames; // enumerations only
    Quantity quantity = Quantity::Plain; // what its numbers measure, for units
    bool logarithmic = false;            // breakpoints glide in equal ratios
};

class AttributeCatalog
{
public:
    // `descriptions` fills in what the registered metadata does not carry.
    AttributeCatalog(const std::vector<tessel::host::AttributeInfo>& registered,
                     const std::map<std::string, std::string>& descriptions);

    const std::vector<AttributeEntry>& entries() const { return mEntries; }
    const AttributeEntry* find(const std::string& name) const;

    // Command-line text to the value a set takes. `spelling` names the option in messages.
    tessel::host::Values valueFor(const AttributeEntry& entry, const std::string& text,
                                  const std::string& spelling) const;

    std::string listing(const std::string& className) const;

private:
    std::vector<AttributeEntry> mEntries;
};

} // namespace quendra::renderer
