#include "HeaderDrawing.h"

#include "ControlLayout.h"
#include "Painting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace quendra::plugin::ui
{

namespace
{

std::string formatDb(double db)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f dB", std::abs(db) < 0.05 ? 0.0 : db);
    return buffer;
}

void drawMeterTrack(cairo_t* cr, double x, double y, double w)
{
    panel(cr, x, y, w, 12.0, 3.0, kDisplay, kPanelEdge);
}

// Right-aligned at right: a swatch and a name per item, right to left.
void drawKey(cairo_t* cr, double right, bool live)
{
    double x = right;
    const double y = 22.0;
    const auto item = [&](const char* label, Rgb colour)
    {
        const double width = textWidth(cr, label, 10.0);
        text(cr, label, x, y + 10.0, 10.0, kMuted, Align::right);
        x -= width + 16.0;
        setColour(cr, colour, 0.9);
        roundedRectangle(cr, x + 3.0, y + 2.0, 9.0, 9.0, 2.0);
        cairo_fill(cr);
        x -= 12.0;
    };
    if (live)
    {
        item("output", kOutput);
        item("input", kInput);
    }
    item("both", kBoth);
    item("right", kRight);
    item("left", kLeft);
}

} // namespace

void drawHeader(cairo_t* cr, double width, const Meters& meters)
{
    text(cr, "SORVELL", kMargin + 2.0, 33.0, 22.0, kText, Align::left, true);
    text(cr, "spectral resonance", kMargin + 122.0, 33.0, 13.0, kMuted);

    // Gain reduction grows leftwards from 0 dB; the peak meter fills from -60 dB.
    const double meterWidth = 150.0;
    const double peakX = width - kMargin - meterWidth;
    const double reductionX = peakX - 70.0 - meterWidth;
    const double meterY = 20.0;
    const bool live = meters.live;

    const double reduction = live ? std::clamp(-meters.gainReductionDb, 0.0f, 24.0f) : 0.0;
    text(cr, "LIMIT", reductionX - 8.0, meterY + 10.0, 10.0, kMuted, Align::right, true);
    drawMeterTrack(cr, reductionX, meterY, meterWidth);
    if (reduction > 0.01)
    {
        const double w = meterWidth * reduction / 24.0;
        setColour(cr, kReduction, 0.9);
        roundedRectangle(cr, reductionX + meterWidth - w, meterY, w, 12.0, 3.0);
        cairo_fill(cr);
    }
    text(cr, live ? formatDb(-reduction) : "--", reductionX + meterWidth / 2.0, meterY + 27.0, 10.0,
         kMuted, Align::centre);

    const double peak = live ? meters.outputPeak : 0.0;
    const double peakDb = peak > 1e-6 ? 20.0 * std::log10(peak) : -120.0;
    text(cr, "OUT", peakX - 8.0, meterY + 10.0, 10.0, kMuted, Align::right, true);
    drawMeterTrack(cr, peakX, meterY, meterWidth);
    const double fill = std::clamp((peakDb + 60.0) / 66.0, 0.0, 1.0);
    if (fill > 0.0)
    {
        cairo_pattern_t* gradient =
            cairo_pattern_create_linear(peakX, 0.0, peakX + meterWidth, 0.0);
        cairo_pattern_add_color_stop_rgb(gradient, 0.0, kLeft.r, kLeft.g, kLeft.b);
        cairo_pattern_add_color_stop_rgb(gradient, 0.8, kRight.r, kRight.g, kRight.b);
        cairo_pattern_add_color_stop_rgb(gradient, 1.0, kReduction.r, kReduction.g, kReduction.b);
        cairo_set_source(cr, gradient);
        roundedRectangle(cr, peakX, meterY, meterWidth * fill, 12.0, 3.0);
        cairo_fill(cr);
        cairo_pattern_destroy(gradient);
    }
    // 0 dBFS mark.
    setColour(cr, kText, 0.5);
    cairo_rectangle(cr, peakX + meterWidth * 60.0 / 66.0, meterY - 2.0, 1.0, 16.0);
    cairo_fill(cr);
    text(cr, live && peakDb > -119.0 ? formatDb(peakDb) : "--", peakX + meterWidth / 2.0,
         meterY + 27.0, 10.0, kMuted, Align::centre);

    drawKey(cr, reductionX - 64.0, live);
}

} // namespace quendra::plugin::ui
