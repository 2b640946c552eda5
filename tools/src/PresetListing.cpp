#include "PresetListing.h"

#include "factory_presets.h"

#include <sstream>

namespace quendra::renderer
{

std::string presetListing()
{
    std::ostringstream out;
    out << "Factory presets (--preset NAME; options after it change its settings):\n";
    for (const auto& preset : sorvell::factory_presets())
    {
        out << "\n  " << preset.name << "  " << preset.description << "\n     ";
        std::size_t column = 5;
        for (const auto& value : preset.values)
        {
            std::ostringstream item;
            item << " --" << value.parameter << " " << value.value;
            if (column + item.str().size() > 96)
            {
                out << "\n     ";
                column = 5;
            }
            out << item.str();
            column += item.str().size();
        }
        out << "\n";
    }
    return out.str();
}

} // namespace quendra::renderer
