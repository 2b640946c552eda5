#include "ControlDrawing.h"

#include "Painting.h"
#include "ParameterScale.h"
#include "SorvellProcessor.h"
#include "ValueText.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace quendra::plugin::ui
{

namespace
{

void drawKnob(cairo_t* cr, const Control& control, const ControlState& state)
{
    const Box& b = control.box;
    const std::size_t index = control.index;
    const auto range = parameterRange(index);
    const double value = state.values[index];
    const double position = toPosition(range, value);
    const double cx = b.x + b.w / 2.0;
    const double radius = std::min(22.0, b.w / 2.0 - 10.0);
    const double cy = b.y + 20.0 + radius;
    const double start = 0.75 * std::numbers::pi;
    const double sweep = 1.5 * std::numbers::pi;
    const double angle = start + sweep * position;
    const bool active = state.dragging && state.draggedIndex == index;

    text(cr, controlLabel(index), cx, b.y + 10.0, 10.5, kText, Align::centre);

    // Body with a soft top light.
    cairo_pattern_t* body = cairo_pattern_create_linear(0.0, cy - radius, 0.0, cy + radius);
    cairo_pattern_add_color_stop_rgb(body, 0.0, 0.24, 0.26, 0.31);
    cairo_pattern_add_color_stop_rgb(body, 1.0, 0.14, 0.15, 0.18);
    cairo_set_source(cr, body);
    cairo_arc(cr, cx, cy, radius - 6.0, 0.0, 2.0 * std::numbers::pi);
    cairo_fill(cr);
    cairo_pattern_destroy(body);

    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 3.5);
    setColour(cr, kDisplay);
    cairo_arc(cr, cx, cy, radius, start, start + sweep);
    cairo_stroke(cr);

    double from = start;
    if (range.bipolar)
    {
        from = start + sweep * toPosition(range, 0.0);
    }
    // The frequency knob rests while MIDI sets the fundamental.
    const bool resting =
        index == static_cast<std::size_t>(sorvell::parameter_id::frequency) && state.pitchFromMidi;
    setColour(cr, active ? kRight : (resting ? kMuted : kLeft));
    if (angle >= from)
    {
        cairo_arc(cr, cx, cy, radius, from, angle);
    }
    else
    {
        cairo_arc(cr, cx, cy, radius, angle, from);
    }
    cairo_stroke(cr);

    setColour(cr, kText);
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, cx + std::cos(angle) * (radius - 15.0),
                  cy + std::sin(angle) * (radius - 15.0));
    cairo_line_to(cr, cx + std::cos(angle) * (radius - 7.0), cy + std::sin(angle) * (radius - 7.0));
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

    // A value with a note name puts the note on a second line.
    const std::string valueLine = valueText(index, value);
    const auto split = valueLine.find("  ");
    text(cr, valueLine.substr(0, split), cx, cy + radius + 18.0, 10.5, active ? kRight : kMuted,
         Align::centre);
    if (split != std::string::npos)
    {
        text(cr, valueLine.substr(split + 2), cx, cy + radius + 31.0, 10.5, kText, Align::centre,
             true);
    }
}

void drawSelector(cairo_t* cr, const Control& control, const ControlState& state)
{
    const Box& b = control.box;
    const std::size_t options = optionCount(control.index);
    const auto selected = static_cast<std::size_t>(std::lround(state.values[control.index]));
    setColour(cr, kDisplay);
    roundedRectangle(cr, b.x, b.y, b.w, b.h, 5.0);
    cairo_fill(cr);
    const auto edges = segmentEdges(control);
    for (std::size_t o = 0; o < options; ++o)
    {
        const double x = edges[o];
        const double segment = edges[o + 1] - edges[o];
        if (o == selected)
        {
            setColour(cr, kLeft, 0.9);
            roundedRectangle(cr, x + 2.0, b.y + 2.0, segment - 4.0, b.h - 4.0, 4.0);
            cairo_fill(cr);
        }
        // Regular weight for the chosen one too: its fill marks it, and bold would not fit the
        // narrow segments of a four-way choice.
        text(cr, optionName(control.index, o), x + segment / 2.0, b.y + 15.0, 9.5,
             o == selected ? kBackground : kMuted, Align::centre, false);
    }
}

void drawToggle(cairo_t* cr, const Control& control, const ControlState& state)
{
    const Box& b = control.box;
    const bool on = state.values[control.index] >= 0.5;
    setColour(cr, on ? kReduction : kDisplay, on ? 0.9 : 1.0);
    roundedRectangle(cr, b.x, b.y, b.w, b.h, 5.0);
    cairo_fill_preserve(cr);
    setColour(cr, on ? kReduction : kPanelEdge);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    const bool freeze = control.index == kFreezeIndex;
    const char* label = freeze ? (on ? "FROZEN" : "FREEZE") : (on ? "BYPASSED" : "BYPASS");
    text(cr, label, b.x + b.w / 2.0, b.y + 15.0, 10.0, on ? kBackground : kMuted, Align::centre,
         true);
}

} // namespace

void drawGroup(cairo_t* cr, const Group& group, std::span<const Control> controls,
               const ControlState& state)
{
    const Box& b = group.box;
    panel(cr, b.x, b.y, b.w, b.h, 8.0, kPanel, kPanelEdge);
    text(cr, group.title, b.x + 12.0, b.y + 21.0, 11.0, kMuted, Align::left, true);
    setColour(cr, kPanelEdge);
    cairo_rectangle(cr, b.x + 12.0, b.y + 28.0, b.w - 24.0, 1.0);
    cairo_fill(cr);

    for (const Control& control : controls)
    {
        if (!(control.box.x >= b.x && control.box.x < b.x + b.w && control.box.y >= b.y))
        {
            continue;
        }
        switch (control.kind)
        {
        case ControlKind::knob:
            drawKnob(cr, control, state);
            break;
        case ControlKind::selector:
            drawSelector(cr, control, state);
            break;
        case ControlKind::toggle:
            drawToggle(cr, control, state);
            break;
        }
    }
}

} // namespace quendra::plugin::ui
