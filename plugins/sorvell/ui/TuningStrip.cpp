#include "TuningStrip.h"

#include "Painting.h"

namespace quendra::plugin::ui
{

namespace
{

constexpr std::array<const char*, 3> kLabels{"SCALE", "KEYMAP", "EQUAL"};
constexpr double kButtonWidth = 62.0;
constexpr double kButtonHeight = 18.0;
constexpr double kGap = 6.0;

} // namespace

void TuningStrip::layOut(const Box& display)
{
    mRight = display.x + display.w - 10.0;
    mTop = display.y + 22.0; // under the axis's frequency labels
    double x = mRight - kButtonWidth * 3.0 - kGap * 2.0;
    for (Box& button : mButtons)
    {
        button = {x, mTop, kButtonWidth, kButtonHeight};
        x += kButtonWidth + kGap;
    }
}

void TuningStrip::draw(cairo_t* cr, const TuningView& view) const
{
    for (std::size_t i = 0; i < mButtons.size(); ++i)
    {
        const Box& b = mButtons[i];
        panel(cr, b.x, b.y, b.w, b.h, 4.0, kPanel, kPanelEdge);
        text(cr, kLabels[i], b.x + b.w / 2.0, b.y + 12.5, 9.0, kMuted, Align::centre, true);
    }
    // On a backing of the display's colour, so that the spectra do not run through the text.
    const std::string line = "Tuning: " + view.description;
    const double left = mButtons[0].x - 10.0;
    setColour(cr, kDisplay, 0.85);
    cairo_rectangle(cr, left - textWidth(cr, line, 10.5) - 6.0, mTop,
                    textWidth(cr, line, 10.5) + 10.0, kButtonHeight);
    cairo_fill(cr);
    text(cr, line, left, mTop + 13.0, 10.5, kText, Align::right);
    if (!view.error.empty())
    {
        const double width = textWidth(cr, view.error, 10.5);
        setColour(cr, kDisplay, 0.85);
        cairo_rectangle(cr, mRight - width - 6.0, mTop + kButtonHeight + 4.0, width + 6.0, 16.0);
        cairo_fill(cr);
        text(cr, view.error, mRight, mTop + kButtonHeight + 16.0, 10.5, kReduction, Align::right);
    }
}

TuningButton TuningStrip::buttonAt(double x, double y) const noexcept
{
    for (std::size_t i = 0; i < mButtons.size(); ++i)
    {
        if (mButtons[i].contains(x, y))
        {
            return static_cast<TuningButton>(i);
        }
    }
    return TuningButton::none;
}

} // namespace quendra::plugin::ui
