// The window's top (header and display) at every parameter's default, with nothing playing,
// drawn with Cairo into a PNG: the browser page draws the same picture on its canvas through
// its stand-in for Cairo, and the page's test compares the two.
//   display_picture OUT.png WIDTH HEIGHT SCALE   (pixels; SCALE pixels a base unit)
#include "CombModel.h"
#include "ControlLayout.h"
#include "WindowTop.h"

#include <cairo.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    namespace ui = quendra::plugin::ui;
    namespace sorvell = quendra::sorvell;
    if (argc != 5)
    {
        std::fprintf(stderr, "usage: display_picture OUT.png WIDTH HEIGHT SCALE\n");
        return 2;
    }
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    const double scale = std::atof(argv[4]);

    ui::CombModel comb(48000.0);
    ui::CombModel::Values values{};
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        values[i] = sorvell::parameters()[i].default_value;
    }
    comb.update(values);

    const double baseWidth = width / scale;
    ui::DisplayScene scene;
    scene.box = {ui::kMargin, ui::kHeaderHeight, baseWidth - 2.0 * ui::kMargin,
                 height / scale - ui::kHeaderHeight - ui::kMargin};
    scene.partials = comb.partials();
    scene.shiftSemitones = values[static_cast<std::size_t>(sorvell::parameter_id::shift)];
    scene.fundamentalHz = values[static_cast<std::size_t>(sorvell::parameter_id::frequency)];

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    ui::drawWindowTop(cr, baseWidth, ui::Meters{}, scene);
    cairo_destroy(cr);
    const bool written = cairo_surface_write_to_png(surface, argv[1]) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written ? 0 : 1;
}
