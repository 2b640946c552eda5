// The window's palette and the Cairo calls every part of it draws with: colours, rounded
// boxes, text. A dark theme: the left channel's partials teal, the right's amber; where both
// channels have a partial (no unison spread) it is pale.
#pragma once

#include <cairo.h>

#include <string>

namespace quendra::plugin::ui
{

struct Rgb
{
    double r, g, b;
};

inline constexpr Rgb kBackground{0.075, 0.085, 0.105};
inline constexpr Rgb kPanel{0.115, 0.128, 0.153};
inline constexpr Rgb kPanelEdge{0.19, 0.21, 0.25};
inline constexpr Rgb kDisplay{0.055, 0.062, 0.078};
inline constexpr Rgb kText{0.87, 0.89, 0.93};
inline constexpr Rgb kMuted{0.52, 0.56, 0.63};
inline constexpr Rgb kGrid{0.16, 0.18, 0.22};
inline constexpr Rgb kLeft{0.25, 0.82, 0.79};
inline constexpr Rgb kRight{0.96, 0.66, 0.23};
inline constexpr Rgb kBoth{0.93, 0.91, 0.80};
inline constexpr Rgb kInput{0.38, 0.49, 0.72};
inline constexpr Rgb kOutput{0.90, 0.92, 0.96};
inline constexpr Rgb kReduction{0.95, 0.36, 0.32};

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void roundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r);
// A filled box with a one-pixel edge.
void panel(cairo_t* cr, double x, double y, double w, double h, double r, Rgb fill, Rgb edge);

enum class Align
{
    left,
    centre,
    right
};

// Text in DejaVu Sans with its baseline at y; x is its left end, centre or right end.
void text(cairo_t* cr, const std::string& s, double x, double y, double size, Rgb colour,
          Align align = Align::left, bool bold = false, double alpha = 1.0);
double textWidth(cairo_t* cr, const std::string& s, double size);

} // namespace quendra::plugin::ui
