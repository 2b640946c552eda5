// The tuning's line in the display's top right corner: what the notes are tuned to (or why the
// file just chosen was refused), and buttons to choose a Scala scale, a keyboard mapping, or
// to go back to equal temperament. Cairo, in base units.
#pragma once

#include "ControlLayout.h"

#include <cairo.h>

#include <array>
#include <string>

namespace quendra::plugin::ui
{

enum class TuningButton
{
    scale,
    keymap,
    equal,
    none
};

struct TuningView
{
    std::string description; // the tuning in use
    std::string error;       // the one line on a refused file; empty when none
};

class TuningStrip
{
public:
    // Along the top edge of the display box.
    void layOut(const Box& display);
    void draw(cairo_t* cr, const TuningView& view) const;
    TuningButton buttonAt(double x, double y) const noexcept;

private:
    std::array<Box, 3> mButtons{};
    double mRight = 0.0;
    double mTop = 0.0;
};

} // namespace quendra::plugin::ui
