#include "DisplayDrawing.h"

#include "FrequencyAxis.h"
#include "Painting.h"
#include "SorvellProcessor.h"
#include "ValueText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace quendra::plugin::ui
{

namespace
{

constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kTopDb = 0.0;
constexpr double kBottomDb = -96.0;

// The level axis: 0 dB at the top of the plot, -96 dB at its bottom.
double dbToY(const Box& b, double db)
{
    const double top = b.y + 24.0;
    const double bottom = b.y + b.h - 22.0;
    return top +
           (bottom - top) * (kTopDb - std::clamp(db, kBottomDb, kTopDb)) / (kTopDb - kBottomDb);
}

void drawSpectrum(cairo_t* cr, const Box& b, const FrequencyAxis& axis,
                  const SpectrumAnalyser& spectrum, double rate, Rgb colour, double fillAlpha,
                  double lineAlpha)
{
    const auto levels = spectrum.levelsDb();
    if (*std::max_element(levels.begin(), levels.end()) <= kBottomDb)
    {
        return; // silence
    }
    const double left = axis.x(kLowHz);
    const double right = axis.x(kHighHz);
    const double bottom = dbToY(b, kBottomDb);
    cairo_new_path(cr);
    cairo_move_to(cr, left, bottom);
    for (double x = left; x <= right; x += 1.5)
    {
        const double db = spectrum.levelDb(axis.hz(x), axis.hz(x + 1.5), rate);
        cairo_line_to(cr, x, dbToY(b, db));
    }
    cairo_line_to(cr, right, bottom);
    cairo_close_path(cr);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0.0, b.y, 0.0, bottom);
    cairo_pattern_add_color_stop_rgba(gradient, 0.0, colour.r, colour.g, colour.b, fillAlpha);
    cairo_pattern_add_color_stop_rgba(gradient, 1.0, colour.r, colour.g, colour.b, fillAlpha * 0.2);
    cairo_set_source(cr, gradient);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gradient);
    setColour(cr, colour, lineAlpha);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void drawComb(cairo_t* cr, const DisplayScene& scene, const FrequencyAxis& axis, double top,
              double bottom)
{
    const auto partials = scene.partials;
    const double height = bottom - top;

    // Where the partials listen, when the shift moves that away from where they sound.
    if (std::abs(scene.shiftSemitones) >= 0.005)
    {
        setColour(cr, kMuted, 0.55);
        cairo_set_line_width(cr, 1.0);
        for (const auto& p : partials)
        {
            if (p.side == 0 && p.voice == 0 && axis.contains(p.listenHz))
            {
                const double x = axis.x(p.listenHz);
                cairo_move_to(cr, x, bottom);
                cairo_line_to(cr, x, bottom - 7.0);
            }
        }
        cairo_stroke(cr);
    }

    // One line per pixel column and channel (the highest partial there), so that dense combs
    // stay readable; a column both channels share is drawn once, in the pale colour.
    const double left = axis.x(kLowHz);
    const auto columns = static_cast<std::size_t>(axis.x(kHighHz) - left) + 1;
    std::array<std::vector<float>, 2> levels{std::vector<float>(columns, -1.0f),
                                             std::vector<float>(columns, -1.0f)};
    std::array<std::vector<std::uint16_t>, 2> counts{std::vector<std::uint16_t>(columns, 0),
                                                     std::vector<std::uint16_t>(columns, 0)};
    for (const auto& p : partials)
    {
        if (!axis.contains(p.hz))
        {
            continue;
        }
        const auto column = std::min(static_cast<std::size_t>(axis.x(p.hz) - left), columns - 1);
        levels[p.side][column] = std::max(levels[p.side][column], std::clamp(p.level, 0.0f, 1.0f));
        ++counts[p.side][column];
    }
    const auto yOf = [&](double level) { return bottom - height * (0.03 + 0.87 * level); };
    const auto lonely = [&](int side, std::size_t c)
    {
        for (std::size_t n = c >= 3 ? c - 3 : 0; n <= std::min(c + 3, columns - 1); ++n)
        {
            if (n != c && (levels[0][n] >= 0.0f || levels[1][n] >= 0.0f))
            {
                return false;
            }
        }
        return counts[side][c] == 1;
    };
    cairo_set_line_width(cr, 1.0);
    for (std::size_t c = 0; c < columns; ++c)
    {
        const float l = levels[0][c];
        const float r = levels[1][c];
        if (l < 0.0f && r < 0.0f)
        {
            continue;
        }
        const double x = left + static_cast<double>(c) + 0.5;
        const auto line = [&](double level, Rgb colour)
        {
            const double y = yOf(level);
            cairo_pattern_t* gradient = cairo_pattern_create_linear(0.0, y, 0.0, bottom);
            cairo_pattern_add_color_stop_rgba(gradient, 0.0, colour.r, colour.g, colour.b, 0.9);
            cairo_pattern_add_color_stop_rgba(gradient, 1.0, colour.r, colour.g, colour.b, 0.08);
            cairo_set_source(cr, gradient);
            cairo_move_to(cr, x, bottom);
            cairo_line_to(cr, x, y);
            cairo_stroke(cr);
            cairo_pattern_destroy(gradient);
        };
        if (l >= 0.0f && r >= 0.0f)
        {
            line(std::max(l, r), kBoth);
        }
        else
        {
            line(l >= 0.0f ? l : r, l >= 0.0f ? kLeft : kRight);
        }
        for (int side = 0; side < 2; ++side)
        {
            if (levels[side][c] >= 0.0f && lonely(side, c))
            {
                setColour(cr, l >= 0.0f && r >= 0.0f ? kBoth : (side == 0 ? kLeft : kRight));
                cairo_arc(cr, x, yOf(levels[side][c]), 2.2, 0.0, 2.0 * std::numbers::pi);
                cairo_fill(cr);
            }
        }
    }
    // The fundamental, marked on top.
    const double f = scene.fundamentalHz;
    if (axis.contains(f))
    {
        setColour(cr, kText);
        cairo_arc(cr, axis.x(f), bottom + 1.0, 3.5, 0.0, 2.0 * std::numbers::pi);
        cairo_fill(cr);
    }
}

} // namespace

void drawDisplay(cairo_t* cr, const DisplayScene& scene)
{
    const Box& b = scene.box;
    panel(cr, b.x, b.y, b.w, b.h, 8.0, kDisplay, kPanelEdge);

    cairo_save(cr);
    roundedRectangle(cr, b.x, b.y, b.w, b.h, 8.0);
    cairo_clip(cr);

    const FrequencyAxis axis(kLowHz, kHighHz, b.x + 34.0, b.x + b.w - 16.0);
    const double plotTop = b.y + 24.0;
    const double plotBottom = b.y + b.h - 22.0;

    // Level grid, every 24 dB.
    for (double db = 0.0; db >= kBottomDb; db -= 24.0)
    {
        const double y = std::round(dbToY(b, db)) + 0.5;
        setColour(cr, kGrid);
        cairo_move_to(cr, b.x + 30.0, y);
        cairo_line_to(cr, b.x + b.w - 8.0, y);
        cairo_stroke(cr);
        text(cr, std::to_string(static_cast<int>(db)), b.x + 26.0, y + 3.5, 9.0, kMuted,
             Align::right);
    }
    // Note marks: every C with its name, every A fainter.
    for (const auto& mark : axis.noteMarks())
    {
        const double x = std::round(mark.x) + 0.5;
        setColour(cr, kGrid, mark.major ? 1.0 : 0.55);
        cairo_move_to(cr, x, plotTop - 6.0);
        cairo_line_to(cr, x, plotBottom);
        cairo_stroke(cr);
        if (mark.major)
        {
            text(cr, mark.label, x, b.y + b.h - 7.0, 9.5, kMuted, Align::centre);
        }
    }
    for (const double hz : {100.0, 1000.0, 10000.0})
    {
        text(cr, hz < 1000.0 ? "100 Hz" : (hz < 10000.0 ? "1 kHz" : "10 kHz"), axis.x(hz),
             b.y + 15.0, 9.0, kMuted, Align::centre, false, 0.8);
    }

    // The input underneath, the comb, and the output on top where it stays readable.
    if (scene.input != nullptr)
    {
        drawSpectrum(cr, b, axis, *scene.input, scene.sampleRate, kInput, 0.30, 0.55);
    }
    drawComb(cr, scene, axis, plotTop, plotBottom);
    if (scene.output != nullptr)
    {
        drawSpectrum(cr, b, axis, *scene.output, scene.sampleRate, kOutput, 0.05, 0.85);
    }
    cairo_restore(cr);

    const std::string fundamental =
        valueText(static_cast<std::size_t>(sorvell::parameter_id::frequency), scene.fundamentalHz) +
        (scene.fundamentalFromMidi ? "  (MIDI)" : "");
    text(cr, fundamental, b.x + 40.0, b.y + 42.0, 13.0, kText, Align::left, true);
}

} // namespace quendra::plugin::ui
