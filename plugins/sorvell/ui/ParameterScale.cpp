#include "ParameterScale.h"

#include "SorvellProcessor.h"

#include <algorithm>
#include <cmath>

namespace quendra::plugin::ui
{

ParameterRange parameterRange(std::size_t index)
{
    if (index < sorvell::parameter_count)
    {
        const auto& row = sorvell::parameters()[index];
        return {row.minimum,
                row.maximum,
                row.default_value,
                row.logarithmic,
                row.kind != sorvell::parameter_kind::smoothed,
                row.minimum < 0.0 && row.maximum > 0.0};
    }
    return {0.0, 1.0, 0.0, false, true, false}; // bypass, pitch source
}

double toPosition(const ParameterRange& range, double value)
{
    const double v = std::clamp(value, range.minimum, range.maximum);
    const double position =
        range.logarithmic ? std::log(v / range.minimum) / std::log(range.maximum / range.minimum)
                          : (v - range.minimum) / (range.maximum - range.minimum);
    return std::clamp(position, 0.0, 1.0);
}

double fromPosition(const ParameterRange& range, double position)
{
    const double p = std::clamp(position, 0.0, 1.0);
    double value = range.logarithmic ? range.minimum * std::pow(range.maximum / range.minimum, p)
                                     : range.minimum + p * (range.maximum - range.minimum);
    if (range.integer)
    {
        value = std::round(value);
    }
    return std::clamp(value, range.minimum, range.maximum);
}

} // namespace quendra::plugin::ui
