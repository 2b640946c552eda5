#include "Painting.h"

#include <numbers>

namespace quendra::plugin::ui
{

void setColour(cairo_t* cr, Rgb c, double alpha)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void roundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -0.5 * std::numbers::pi, 0.0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0.0, 0.5 * std::numbers::pi);
    cairo_arc(cr, x + r, y + h - r, r, 0.5 * std::numbers::pi, std::numbers::pi);
    cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 1.5 * std::numbers::pi);
    cairo_close_path(cr);
}

void panel(cairo_t* cr, double x, double y, double w, double h, double r, Rgb fill, Rgb edge)
{
    setColour(cr, fill);
    roundedRectangle(cr, x, y, w, h, r);
    cairo_fill_preserve(cr);
    setColour(cr, edge);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

namespace
{

void selectFont(cairo_t* cr, double size, bool bold)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
}

} // namespace

void text(cairo_t* cr, const std::string& s, double x, double y, double size, Rgb colour,
          Align align, bool bold, double alpha)
{
    selectFont(cr, size, bold);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s.c_str(), &extents);
    double left = x;
    if (align == Align::centre)
    {
        left = x - 0.5 * extents.x_advance;
    }
    else if (align == Align::right)
    {
        left = x - extents.x_advance;
    }
    setColour(cr, colour, alpha);
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, s.c_str());
}

double textWidth(cairo_t* cr, const std::string& s, double size)
{
    selectFont(cr, size, false);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, s.c_str(), &extents);
    return extents.x_advance;
}

} // namespace quendra::plugin::ui
