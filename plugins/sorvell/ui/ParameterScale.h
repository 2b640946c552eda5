// A control's travel: the 0..1 position of a value and back, logarithmic where the parameter
// is (frequency, decay), whole numbers for the integer and enumerated ones.
#pragma once

#include <cstddef>

namespace quendra::plugin::ui
{

struct ParameterRange
{
    double minimum;
    double maximum;
    double defaultValue;
    bool logarithmic;
    bool integer;
    bool bipolar; // the knob's arc starts at zero
};

// Index: the plugin's parameter index (the shared table, then bypass and pitch source).
ParameterRange parameterRange(std::size_t index);

double toPosition(const ParameterRange& range, double value);
double fromPosition(const ParameterRange& range, double position); // clamped, rounded if integer

} // namespace quendra::plugin::ui
