#include "WindowTop.h"

#include "Painting.h"

namespace quendra::plugin::ui
{

void drawWindowTop(cairo_t* cr, double width, const Meters& meters, const DisplayScene& scene)
{
    setColour(cr, kBackground);
    cairo_paint(cr);
    drawHeader(cr, width, meters);
    drawDisplay(cr, scene);
}

} // namespace quendra::plugin::ui
