// The window's header: the name, the limiter's gain-reduction meter, the output peak meter and
// the colour key of the display left of them. Cairo, in base units.
#pragma once

#include <cairo.h>

namespace quendra::plugin::ui
{

struct Meters
{
    bool live = false;            // the running instance's readings are there
    float gainReductionDb = 0.0f; // 0 or negative
    float outputPeak = 0.0f;      // linear
};

// width: the window's, in base units. The key names input and output only while live.
void drawHeader(cairo_t* cr, double width, const Meters& meters);

} // namespace quendra::plugin::ui
