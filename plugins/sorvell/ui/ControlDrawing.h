// The window's controls: a group's panel with its title, knobs (arc from the start or, for
// bipolar parameters, from zero; the value in its unit below, a note name on a line of its
// own), selectors (segments sized by their names) and the bypass toggle. Cairo, in base units.
#pragma once

#include "ControlLayout.h"

#include <cairo.h>

#include <cstddef>
#include <span>

namespace quendra::plugin::ui
{

struct ControlState
{
    std::span<const double> values; // by the processor's parameter index
    bool dragging = false;
    std::size_t draggedIndex = 0;
    bool pitchFromMidi = false; // the frequency knob rests then
};

// Draws the group and those of the controls that lie in it.
void drawGroup(cairo_t* cr, const Group& group, std::span<const Control> controls,
               const ControlState& state);

} // namespace quendra::plugin::ui
