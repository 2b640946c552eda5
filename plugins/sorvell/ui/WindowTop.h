// The window above its controls: the background, the header with its meters, and the display.
// The window draws its controls under it; the browser page draws it alone on its canvas.
// Cairo, in base units.
#pragma once

#include "DisplayDrawing.h"
#include "HeaderDrawing.h"

#include <cairo.h>

namespace quendra::plugin::ui
{

// width: the window's, in base units; the scene's box says where the display goes.
void drawWindowTop(cairo_t* cr, double width, const Meters& meters, const DisplayScene& scene);

} // namespace quendra::plugin::ui
