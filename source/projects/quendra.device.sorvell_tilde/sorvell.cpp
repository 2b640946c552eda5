#include "sorvell.h"

#include "sorvell_parameters.h"

namespace
{

using brindle::korin::attribute_description;
using quendra::sorvell::parameter_kind;

attribute_description description_of(const quendra::sorvell::parameter_info& row)
{
    attribute_description description{std::string(row.name), std::string(row.label),
                                      std::string(row.description)};
    if (!row.category.empty())
    {
        description.category = gensym(std::string(row.category).c_str());
    }
    return description;
}

} // namespace

sorvell::sorvell()
{
    const auto rows = quendra::sorvell::parameters();
    for (const auto& name :
         rows[static_cast<std::size_t>(quendra::sorvell::parameter_id::mod_type)].value_names)
    {
        mModulationModeNames.emplace_back(name);
    }
    // `mix` (row 0) is made by the binding template; the rest follow in table order.
    for (std::size_t index = 1; index < rows.size(); ++index)
    {
        const auto& row = rows[index];
        switch (row.kind)
        {
        case parameter_kind::smoothed:
            make_smooth(description_of(row), row.minimum, row.maximum, row.default_value,
                        [this, index](double value)
                        { quendra::sorvell::apply(engine(), index, value); });
            break;
        case parameter_kind::queued_integer:
            make_queued(description_of(row), static_cast<int>(row.default_value),
                        static_cast<int>(row.minimum), static_cast<int>(row.maximum),
                        [this, index](int value)
                        { quendra::sorvell::apply(engine(), index, value); });
            break;
        case parameter_kind::queued_enumeration:
            make_queued(description_of(row), static_cast<modulation_mode>(row.default_value),
                        mModulationModeNames,
                        [this, index](int value)
                        { quendra::sorvell::apply(engine(), index, value); });
            break;
        }
    }

    set_prepare_callback(
        [this](double, int)
        {
            engine().setFrequencySource(0);
            engine().setPolyphony(0);
        });
    make_ports();
}
