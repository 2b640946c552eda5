#include "AttributeCatalog.h"

#include "NumberText.h"
#include "ToolError.h"
#include "sorvell_parameters.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace quendra::renderer
{

namespace
{

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string numberText(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string rangeText(const AttributeEntry& entry)
{
    if (!entry.valueNames.empty())
    {
        std::string text;
        for (std::size_t i = 0; i < entry.valueNames.size(); ++i)
        {
            text += (i ? ", " : "") + std::to_string(i) + " " + entry.valueNames[i];
        }
        return text;
    }
    if (entry.minimum && entry.maximum)
    {
        return numberText(*entry.minimum) + " to " + numberText(*entry.maximum);
    }
    return "";
}

// Words joined into lines of at most `width` characters, each starting with `indent`.
std::string wrapped(const std::string& text, const std::string& indent, std::size_t width)
{
    std::istringstream words(text);
    std::string result;
    std::string line;
    for (std::string word; words >> word;)
    {
        if (!line.empty() && indent.size() + line.size() + 1 + word.size() > width)
        {
            result.append(indent).append(line).append("\n");
            line.clear();
        }
        line.append(line.empty() ? "" : " ").append(word);
    }
    if (!line.empty())
    {
        result.append(indent).append(line).append("\n");
    }
    return result;
}

// Units and glide shape from the shared parameter table; an attribute it does not know takes
// plain numbers, or shares when its range lies within -1..1.
void describeQuantity(AttributeEntry& entry)
{
    const bool fractional = entry.type == "float64" && entry.minimum && entry.maximum &&
                            *entry.minimum >= -1.0 && *entry.maximum <= 1.0;
    std::string_view unit;
    if (const auto index = sorvell::parameter_index(entry.name))
    {
        const auto& row = sorvell::parameters()[*index];
        unit = row.unit;
        entry.logarithmic = row.logarithmic;
    }
    entry.quantity = quantityOfUnit(unit, fractional);
}

} // namespace

AttributeCatalog::AttributeCatalog(const std::vector<tessel::host::AttributeInfo>& registered,
                                   const std::map<std::string, std::string>& descriptions)
{
    for (const auto& info : registered)
    {
        AttributeEntry entry;
        entry.name = info.name;
        entry.type = info.type;
        entry.label = info.text("label");
        entry.defaultText = info.text("default");
        entry.category = info.text("category");
        entry.description = info.text("description");
        if (entry.description.empty())
        {
            if (const auto found = descriptions.find(info.name); found != descriptions.end())
            {
                entry.description = found->second;
            }
        }
        entry.minimum = info.number("min");
        entry.maximum = info.number("max");
        if (const auto* names = info.find("enumvals"))
        {
            for (const auto& name : *names)
            {
                entry.valueNames.push_back(tessel::host::toText(name));
            }
        }
        if (entry.valueNames.empty())
        {
            describeQuantity(entry);
        }
        mEntries.push_back(std::move(entry));
    }
}

const AttributeEntry* AttributeCatalog::find(const std::string& name) const
{
    for (const auto& entry : mEntries)
    {
        if (entry.name == name)
        {
            return &entry;
        }
    }
    return nullptr;
}

tessel::host::Values AttributeCatalog::valueFor(const AttributeEntry& entry,
                                                const std::string& text,
                                                const std::string& spelling) const
{
    const std::string bad = "bad value '" + text + "' for " + spelling;

    if (!entry.valueNames.empty())
    {
        // A value name (or an unambiguous start of one, any case) or its index.
        const auto count = static_cast<long long>(entry.valueNames.size());
        if (const auto index = parseInteger(text))
        {
            if (*index >= 0 && *index < count)
            {
                return {static_cast<std::int64_t>(*index)};
            }
        }
        else
        {
            const std::string wanted = lowerCase(text);
            std::vector<long long> matches;
            for (long long i = 0; i < count; ++i)
            {
                const std::string name = lowerCase(entry.valueNames[i]);
                if (name == wanted)
                {
                    matches = {i};
                    break;
                }
                if (!wanted.empty() && name.rfind(wanted, 0) == 0)
                {
                    matches.push_back(i);
                }
            }
            if (matches.size() == 1)
            {
                return {static_cast<std::int64_t>(matches.front())};
            }
        }
        std::string names;
        for (const auto& name : entry.valueNames)
        {
            names += (names.empty() ? "" : ", ") + lowerCase(name);
        }
        throw usageError(bad + " (expected one of " + names + ", or 0 to " +
                         std::to_string(count - 1) + ")");
    }

    if (entry.type == "long")
    {
        if (const auto value = parseInteger(text))
        {
            return {static_cast<std::int64_t>(*value)};
        }
        throw usageError(bad + " (expected a whole number)");
    }

    const QuantityReading reading = readQuantity(text, entry.quantity);
    if (reading.value)
    {
        return {*reading.value};
    }
    throw usageError(bad + " (" + reading.problem + ")");
}

std::string AttributeCatalog::listing(const std::string& className) const
{
    std::ostringstream out;
    out << "Attributes of " << className
        << " (set with --NAME VALUE or @NAME VALUE; out-of-range values are clamped):\n";
    for (const auto& entry : mEntries)
    {
        out << "\n  --" << entry.name;
        if (!entry.label.empty())
        {
            out << "  \"" << entry.label << "\"";
        }
        out << "\n      range: " << rangeText(entry) << "   default: " << entry.defaultText;
        if (entry.valueNames.empty())
        {
            out << "   unit: " << unitsText(entry.quantity);
        }
        if (!entry.category.empty())
        {
            out << "   category: " << entry.category;
        }
        out << "\n";
        out << wrapped(entry.description, "      ", 96);
    }
    return out.str();
}

} // namespace quendra::renderer
