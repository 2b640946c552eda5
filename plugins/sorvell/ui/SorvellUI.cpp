// Sorvell's window: the partial comb over the live input and output spectra on a log frequency
// axis with note marks, the limiter's gain reduction and the output peak in the header, and
// every parameter below in five groups (pitch, body, unison, modulation, output). Drawn with
// Cairo at any size: the layout is worked out at a base size and scaled to the window.
#include "DistrhoUI.hpp"

#include "CombModel.h"
#include "FrequencyAxis.h"
#include "InstanceAccess.h"
#include "ParameterScale.h"
#include "PluginParameterIndex.h"
#include "SorvellProcessor.h"
#include "SpectrumAnalyser.h"
#include "ValueText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

START_NAMESPACE_DISTRHO

namespace
{

using quendra::plugin::AnalysisFeed;
using quendra::plugin::kBypassIndex;
using quendra::plugin::kParameterCount;
using quendra::plugin::kPitchSourceIndex;
using quendra::sorvell::parameter_id;
namespace ui = quendra::plugin::ui;

constexpr double kBaseWidth = 1000.0;
constexpr double kBaseHeight = 600.0;
constexpr double kHeaderHeight = 52.0;
constexpr double kPanelHeight = 178.0;
constexpr double kMargin = 14.0;
constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kTopDb = 0.0;
constexpr double kBottomDb = -96.0;
constexpr uint kDoubleClickMs = 350;

constexpr std::size_t id(parameter_id p)
{
    return static_cast<std::size_t>(p);
}

struct Rgb
{
    double r, g, b;
};

// A dark theme: the left channel's partials teal, the right's amber; where both channels have
// a partial (no unison spread) it is pale.
constexpr Rgb kBackground{0.075, 0.085, 0.105};
constexpr Rgb kPanel{0.115, 0.128, 0.153};
constexpr Rgb kPanelEdge{0.19, 0.21, 0.25};
constexpr Rgb kDisplay{0.055, 0.062, 0.078};
constexpr Rgb kText{0.87, 0.89, 0.93};
constexpr Rgb kMuted{0.52, 0.56, 0.63};
constexpr Rgb kGrid{0.16, 0.18, 0.22};
constexpr Rgb kLeft{0.25, 0.82, 0.79};
constexpr Rgb kRight{0.96, 0.66, 0.23};
constexpr Rgb kBoth{0.93, 0.91, 0.80};
constexpr Rgb kInput{0.38, 0.49, 0.72};
constexpr Rgb kOutput{0.90, 0.92, 0.96};
constexpr Rgb kReduction{0.95, 0.36, 0.32};

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0)
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

enum class Align
{
    left,
    centre,
    right
};

void text(cairo_t* cr, const std::string& s, double x, double y, double size, Rgb colour,
          Align align = Align::left, bool bold = false, double alpha = 1.0)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
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

struct Box
{
    double x = 0, y = 0, w = 0, h = 0;
    bool contains(double px, double py) const
    {
        return px >= x && px < x + w && py >= y && py < y + h;
    }
};

enum class ControlKind
{
    knob,
    selector,
    toggle
};

struct Control
{
    std::size_t index;
    ControlKind kind;
    Box box;
};

struct Group
{
    const char* title;
    double weight; // share of the panel row, in knob widths
    int selector;  // parameter index of the group's selector or toggle, or -1
    std::vector<std::size_t> knobs;
    Box box;
};

} // namespace

class SorvellUI : public UI
{
public:
    SorvellUI()
        : UI(static_cast<uint>(kBaseWidth), static_cast<uint>(kBaseHeight), true),
          mModel(std::make_unique<ui::CombModel>(getSampleRate()))
    {
        for (std::size_t i = 0; i < kParameterCount; ++i)
        {
            mValues[i] = ui::parameterRange(i).defaultValue;
        }
        mFeed = analysisFeedOf(*this);
        mGroups = {
            {"PITCH",
             3.0,
             static_cast<int>(kPitchSourceIndex),
             {id(parameter_id::frequency), id(parameter_id::shift), id(parameter_id::stretch)},
             {}},
            {"BODY",
             4.0,
             -1,
             {id(parameter_id::decay), id(parameter_id::hf_damp), id(parameter_id::lf_damp),
              id(parameter_id::harmonics)},
             {}},
            {"UNISON", 2.0, -1, {id(parameter_id::voices), id(parameter_id::unison)}, {}},
            {"MODULATION",
             3.2,
             static_cast<int>(id(parameter_id::mod_type)),
             {id(parameter_id::mod_rate), id(parameter_id::pitch_mod)},
             {}},
            {"OUTPUT",
             2.0,
             static_cast<int>(kBypassIndex),
             {id(parameter_id::mix), id(parameter_id::gain)},
             {}},
        };
        const double scale = getScaleFactor();
        setGeometryConstraints(static_cast<uint>(0.7 * kBaseWidth * scale),
                               static_cast<uint>(0.7 * kBaseHeight * scale), false, false);
    }

protected:
    // ---- host to window ----------------------------------------------------------------------

    // The gain-reduction meter arrives here too; the window reads it from the feed instead.
    void parameterChanged(uint32_t pluginIndex, float value) override
    {
        if (const auto index = quendra::plugin::processorIndex(pluginIndex))
        {
            mValues[*index] = value;
            mCombDirty = true;
            repaint();
        }
    }

#if DISTRHO_PLUGIN_WANT_PROGRAMS
    // A program sets parameters, which reach the window through parameterChanged.
    void programLoaded(uint32_t) override {}
#endif

#if DISTRHO_PLUGIN_WANT_STATE
    // The plugin's state is its parameters, which reach the window through parameterChanged.
    void stateChanged(const char*, const char*) override {}
#endif

    void sampleRateChanged(double sampleRate) override
    {
        mModel = std::make_unique<ui::CombModel>(sampleRate);
        mCombDirty = true;
        repaint();
    }

    void uiIdle() override
    {
        if (mFeed == nullptr)
        {
            return;
        }
        // While no audio comes, the spectra fall for a while; after that nothing moves and
        // the window is left alone.
        constexpr int kFallingFrames = 60;
        bool changed = false;
        const std::uint64_t written = mFeed->framesWritten();
        if (written != mLastWritten)
        {
            mLastWritten = written;
            if (mFeed->readLatest(mInputSamples, mOutputSamples))
            {
                mInputSpectrum.analyse(mInputSamples);
                mOutputSpectrum.analyse(mOutputSamples);
            }
            mLive = true;
            mIdleWithoutAudio = 0;
            changed = true;
        }
        else if (mIdleWithoutAudio < kFallingFrames)
        {
            ++mIdleWithoutAudio;
            mInputSpectrum.decay();
            mOutputSpectrum.decay();
            changed = true;
        }
        const float fundamental = mFeed->fundamentalHz();
        if (pitchFromMidi() && fundamental > 0.0f && fundamental != mMidiFundamental)
        {
            mMidiFundamental = fundamental;
            mCombDirty = true;
            changed = true;
        }
        if (changed)
        {
            repaint();
        }
    }

    // ---- drawing -----------------------------------------------------------------------------

    void onCairoDisplay(const CairoGraphicsContext& context) override
    {
        cairo_t* const cr = context.handle;
        const double scale = viewScale();
        const double width = getWidth() / scale;
        const double height = getHeight() / scale;
        layOut(width, height);
        if (mCombDirty)
        {
            updateComb();
        }

        cairo_save(cr);
        cairo_scale(cr, scale, scale);
        setColour(cr, kBackground);
        cairo_paint(cr);
        drawHeader(cr, width);
        drawDisplay(cr);
        for (const Group& group : mGroups)
        {
            drawGroup(cr, group);
        }
        cairo_restore(cr);
    }

    // ---- mouse -------------------------------------------------------------------------------

    bool onMouse(const MouseEvent& event) override
    {
        const double scale = viewScale();
        const double x = event.pos.getX() / scale;
        const double y = event.pos.getY() / scale;
        if (event.button != kMouseButtonLeft)
        {
            return false;
        }
        if (!event.press)
        {
            if (mDragging)
            {
                editParameter(quendra::plugin::pluginIndex(mDragIndex), false);
                mDragging = false;
            }
            return true;
        }
        const Control* control = controlAt(x, y);
        if (control == nullptr)
        {
            return false;
        }
        const std::size_t index = control->index;
        const bool doubleClick =
            index == mLastClickIndex && event.time - mLastClickTime < kDoubleClickMs;
        mLastClickIndex = index;
        mLastClickTime = event.time;
        if (control->kind == ControlKind::knob)
        {
            if (doubleClick)
            {
                change(index, ui::parameterRange(index).defaultValue);
                mLastClickIndex = kParameterCount; // a third click starts a new pair
                return true;
            }
            mDragging = true;
            mDragIndex = index;
            mDragStartY = y;
            mDragFine = (event.mod & (kModifierShift | kModifierControl)) != 0;
            mDragStartPosition = ui::toPosition(ui::parameterRange(index), mValues[index]);
            mDragPosition = mDragStartPosition;
            editParameter(quendra::plugin::pluginIndex(index), true);
            return true;
        }
        if (control->kind == ControlKind::toggle)
        {
            change(index, mValues[index] >= 0.5 ? 0.0 : 1.0);
            return true;
        }
        const auto edges = segmentEdges(*control);
        std::size_t option = 0;
        while (option + 2 < edges.size() && x >= edges[option + 1])
        {
            ++option;
        }
        change(index, static_cast<double>(option));
        return true;
    }

    bool onMotion(const MotionEvent& event) override
    {
        if (!mDragging)
        {
            return false;
        }
        const double y = event.pos.getY() / viewScale();
        const bool fine = (event.mod & (kModifierShift | kModifierControl)) != 0;
        const auto range = ui::parameterRange(mDragIndex);
        if (fine != mDragFine)
        {
            // Switching between coarse and fine mid-drag continues from where the knob is.
            mDragFine = fine;
            mDragStartY = y;
            mDragStartPosition = mDragPosition;
        }
        mDragPosition = std::clamp(
            mDragStartPosition + (mDragStartY - y) / 220.0 * (fine ? 0.1 : 1.0), 0.0, 1.0);
        const double value = ui::fromPosition(range, mDragPosition);
        if (value != mValues[mDragIndex])
        {
            mValues[mDragIndex] = value;
            setParameterValue(quendra::plugin::pluginIndex(mDragIndex), static_cast<float>(value));
            mCombDirty = true;
            repaint();
        }
        return true;
    }

    bool onScroll(const ScrollEvent& event) override
    {
        const double scale = viewScale();
        const Control* control = controlAt(event.pos.getX() / scale, event.pos.getY() / scale);
        if (control == nullptr || control->kind != ControlKind::knob)
        {
            return false;
        }
        const std::size_t index = control->index;
        const auto range = ui::parameterRange(index);
        const double steps = event.delta.getY();
        double value;
        if (range.integer)
        {
            value = std::clamp(std::round(mValues[index] + steps), range.minimum, range.maximum);
        }
        else
        {
            const bool fine = (event.mod & (kModifierShift | kModifierControl)) != 0;
            value = ui::fromPosition(range, ui::toPosition(range, mValues[index]) +
                                                steps * (fine ? 0.002 : 0.02));
        }
        change(index, value);
        return true;
    }

private:
    // ---- parameters --------------------------------------------------------------------------

    void change(std::size_t index, double value)
    {
        editParameter(quendra::plugin::pluginIndex(index), true);
        mValues[index] = value;
        setParameterValue(quendra::plugin::pluginIndex(index), static_cast<float>(value));
        editParameter(quendra::plugin::pluginIndex(index), false);
        mCombDirty = true;
        repaint();
    }

    static std::size_t optionCount(std::size_t index)
    {
        if (index == kPitchSourceIndex)
        {
            return quendra::plugin::kPitchSourceNames.size();
        }
        return quendra::sorvell::parameters()[index].value_names.size();
    }

    static std::string optionName(std::size_t index, std::size_t option)
    {
        return ui::valueText(index, static_cast<double>(option));
    }

    // A selector's segments share its width by the length of their names.
    static std::vector<double> segmentEdges(const Control& control)
    {
        const std::size_t options = optionCount(control.index);
        std::vector<double> edges{0.0};
        for (std::size_t o = 0; o < options; ++o)
        {
            edges.push_back(edges.back() + 3.0 +
                            static_cast<double>(optionName(control.index, o).size()));
        }
        for (double& edge : edges)
        {
            edge = control.box.x + control.box.w * edge / edges.back();
        }
        return edges;
    }

    bool pitchFromMidi() const
    {
        return mValues[kPitchSourceIndex] >= 0.5;
    }

    double fundamentalHz() const
    {
        return pitchFromMidi() && mMidiFundamental > 0.0f ? static_cast<double>(mMidiFundamental)
                                                          : mValues[id(parameter_id::frequency)];
    }

    void updateComb()
    {
        ui::CombModel::Values values{};
        std::copy_n(mValues.begin(), values.size(), values.begin());
        values[id(parameter_id::frequency)] = fundamentalHz();
        mModel->update(values);
        mCombDirty = false;
    }

    // ---- layout ------------------------------------------------------------------------------

    double viewScale() const
    {
        return std::max(0.1, std::min(getWidth() / kBaseWidth, getHeight() / kBaseHeight));
    }

    void layOut(double width, double height)
    {
        mDisplayBox = {kMargin, kHeaderHeight, width - 2.0 * kMargin,
                       height - kHeaderHeight - kPanelHeight - 2.0 * kMargin};
        const double panelTop = height - kPanelHeight - kMargin;
        double units = 0.0;
        for (const Group& group : mGroups)
        {
            units += group.weight;
        }
        const double gap = 10.0;
        const double unit =
            (width - 2.0 * kMargin - gap * static_cast<double>(mGroups.size() - 1)) / units;
        mControls.clear();
        double x = kMargin;
        for (Group& group : mGroups)
        {
            const double w = unit * group.weight;
            const double cell = w / static_cast<double>(group.knobs.size());
            group.box = {x, panelTop, w, kPanelHeight};
            if (group.selector >= 0)
            {
                const auto index = static_cast<std::size_t>(group.selector);
                const bool toggle = index == kBypassIndex;
                const double selectorWidth = toggle ? 92.0 : w - 24.0;
                mControls.push_back(
                    {index,
                     toggle ? ControlKind::toggle : ControlKind::selector,
                     {x + w - 12.0 - selectorWidth, panelTop + 34.0, selectorWidth, 22.0}});
            }
            for (std::size_t k = 0; k < group.knobs.size(); ++k)
            {
                mControls.push_back({group.knobs[k],
                                     ControlKind::knob,
                                     {x + cell * static_cast<double>(k), panelTop + 62.0, cell,
                                      kPanelHeight - 66.0}});
            }
            x += w + gap;
        }
    }

    const Control* controlAt(double x, double y) const
    {
        for (const Control& control : mControls)
        {
            if (control.box.contains(x, y))
            {
                return &control;
            }
        }
        return nullptr;
    }

    // ---- header ------------------------------------------------------------------------------

    void drawHeader(cairo_t* cr, double width)
    {
        text(cr, "SORVELL", kMargin + 2.0, 33.0, 22.0, kText, Align::left, true);
        text(cr, "spectral resonance", kMargin + 122.0, 33.0, 13.0, kMuted);

        // Gain reduction grows leftwards from 0 dB; the peak meter fills from -60 dB.
        const double meterWidth = 150.0;
        const double peakX = width - kMargin - meterWidth;
        const double reductionX = peakX - 70.0 - meterWidth;
        const double meterY = 20.0;
        mLegendRight = reductionX - 64.0;
        const bool live = mFeed != nullptr && mLive;

        const double reduction = live ? std::clamp(-mFeed->gainReductionDb(), 0.0f, 24.0f) : 0.0;
        text(cr, "LIMIT", reductionX - 8.0, meterY + 10.0, 10.0, kMuted, Align::right, true);
        drawMeterTrack(cr, reductionX, meterY, meterWidth);
        if (reduction > 0.01)
        {
            const double w = meterWidth * reduction / 24.0;
            setColour(cr, kReduction, 0.9);
            roundedRectangle(cr, reductionX + meterWidth - w, meterY, w, 12.0, 3.0);
            cairo_fill(cr);
        }
        text(cr, live ? formatDb(-reduction) : "--", reductionX + meterWidth / 2.0, meterY + 27.0,
             10.0, kMuted, Align::centre);

        const double peak = live ? mFeed->outputPeak() : 0.0;
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
            cairo_pattern_add_color_stop_rgb(gradient, 1.0, kReduction.r, kReduction.g,
                                             kReduction.b);
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
    }

    static std::string formatDb(double db)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f dB", std::abs(db) < 0.05 ? 0.0 : db);
        return buffer;
    }

    static void drawMeterTrack(cairo_t* cr, double x, double y, double w)
    {
        setColour(cr, kDisplay);
        roundedRectangle(cr, x, y, w, 12.0, 3.0);
        cairo_fill_preserve(cr);
        setColour(cr, kPanelEdge);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }

    // ---- display -----------------------------------------------------------------------------

    double dbToY(double db) const
    {
        const Box& b = mDisplayBox;
        const double top = b.y + 24.0;
        const double bottom = b.y + b.h - 22.0;
        return top +
               (bottom - top) * (kTopDb - std::clamp(db, kBottomDb, kTopDb)) / (kTopDb - kBottomDb);
    }

    void drawDisplay(cairo_t* cr)
    {
        const Box& b = mDisplayBox;
        setColour(cr, kDisplay);
        roundedRectangle(cr, b.x, b.y, b.w, b.h, 8.0);
        cairo_fill_preserve(cr);
        setColour(cr, kPanelEdge);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);

        cairo_save(cr);
        roundedRectangle(cr, b.x, b.y, b.w, b.h, 8.0);
        cairo_clip(cr);

        const ui::FrequencyAxis axis(kLowHz, kHighHz, b.x + 34.0, b.x + b.w - 16.0);
        const double plotTop = b.y + 24.0;
        const double plotBottom = b.y + b.h - 22.0;

        // Level grid, every 24 dB.
        for (double db = 0.0; db >= kBottomDb; db -= 24.0)
        {
            const double y = std::round(dbToY(db)) + 0.5;
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
        const bool live = mFeed != nullptr && mLive;
        if (live)
        {
            drawSpectrum(cr, axis, mInputSpectrum, mFeed->sampleRate(), kInput, 0.30, 0.55);
        }
        drawComb(cr, axis, plotTop, plotBottom);
        if (live)
        {
            drawSpectrum(cr, axis, mOutputSpectrum, mFeed->sampleRate(), kOutput, 0.05, 0.85);
        }
        cairo_restore(cr);
        drawLegend(cr);
    }

    void drawSpectrum(cairo_t* cr, const ui::FrequencyAxis& axis,
                      const ui::SpectrumAnalyser& spectrum, double rate, Rgb colour,
                      double fillAlpha, double lineAlpha) const
    {
        const auto levels = spectrum.levelsDb();
        if (*std::max_element(levels.begin(), levels.end()) <= kBottomDb)
        {
            return; // silence
        }
        const Box& b = mDisplayBox;
        const double left = axis.x(kLowHz);
        const double right = axis.x(kHighHz);
        const double bottom = dbToY(kBottomDb);
        cairo_new_path(cr);
        cairo_move_to(cr, left, bottom);
        for (double x = left; x <= right; x += 1.5)
        {
            const double db = spectrum.levelDb(axis.hz(x), axis.hz(x + 1.5), rate);
            cairo_line_to(cr, x, dbToY(db));
        }
        cairo_line_to(cr, right, bottom);
        cairo_close_path(cr);
        cairo_pattern_t* gradient = cairo_pattern_create_linear(0.0, b.y, 0.0, bottom);
        cairo_pattern_add_color_stop_rgba(gradient, 0.0, colour.r, colour.g, colour.b, fillAlpha);
        cairo_pattern_add_color_stop_rgba(gradient, 1.0, colour.r, colour.g, colour.b,
                                          fillAlpha * 0.2);
        cairo_set_source(cr, gradient);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(gradient);
        setColour(cr, colour, lineAlpha);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }

    void drawComb(cairo_t* cr, const ui::FrequencyAxis& axis, double top, double bottom) const
    {
        const auto partials = mModel->partials();
        const double height = bottom - top;
        const double shift = mValues[id(parameter_id::shift)];

        // Where the partials listen, when the shift moves that away from where they sound.
        if (std::abs(shift) >= 0.005)
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

        // One line per pixel column and channel (the highest partial there), so that dense
        // combs stay readable; a column both channels share is drawn once, in the pale colour.
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
            const auto column =
                std::min(static_cast<std::size_t>(axis.x(p.hz) - left), columns - 1);
            levels[p.side][column] =
                std::max(levels[p.side][column], std::clamp(p.level, 0.0f, 1.0f));
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
                cairo_pattern_add_color_stop_rgba(gradient, 1.0, colour.r, colour.g, colour.b,
                                                  0.08);
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
        const double f = fundamentalHz();
        if (axis.contains(f))
        {
            setColour(cr, kText);
            cairo_arc(cr, axis.x(f), bottom + 1.0, 3.5, 0.0, 2.0 * std::numbers::pi);
            cairo_fill(cr);
        }
    }

    void drawLegend(cairo_t* cr) const
    {
        const Box& b = mDisplayBox;
        const double hz = fundamentalHz();
        const std::string fundamental =
            ui::valueText(id(parameter_id::frequency), hz) + (pitchFromMidi() ? "  (MIDI)" : "");
        text(cr, fundamental, b.x + 40.0, b.y + 42.0, 13.0, kText, Align::left, true);

        // The key sits in the header, left of the meters.
        double x = mLegendRight;
        const double y = 22.0;
        const auto item = [&](const char* label, Rgb colour)
        {
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                   CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr, 10.0);
            cairo_text_extents_t extents;
            cairo_text_extents(cr, label, &extents);
            text(cr, label, x, y + 10.0, 10.0, kMuted, Align::right);
            x -= extents.x_advance + 16.0;
            setColour(cr, colour, 0.9);
            roundedRectangle(cr, x + 3.0, y + 2.0, 9.0, 9.0, 2.0);
            cairo_fill(cr);
            x -= 12.0;
        };
        if (mFeed != nullptr && mLive)
        {
            item("output", kOutput);
            item("input", kInput);
        }
        item("both", kBoth);
        item("right", kRight);
        item("left", kLeft);
    }

    // ---- controls ----------------------------------------------------------------------------

    void drawGroup(cairo_t* cr, const Group& group) const
    {
        const Box& b = group.box;
        setColour(cr, kPanel);
        roundedRectangle(cr, b.x, b.y, b.w, b.h, 8.0);
        cairo_fill_preserve(cr);
        setColour(cr, kPanelEdge);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        text(cr, group.title, b.x + 12.0, b.y + 21.0, 11.0, kMuted, Align::left, true);
        setColour(cr, kPanelEdge);
        cairo_rectangle(cr, b.x + 12.0, b.y + 28.0, b.w - 24.0, 1.0);
        cairo_fill(cr);

        for (const Control& control : mControls)
        {
            if (!(control.box.x >= b.x && control.box.x < b.x + b.w && control.box.y >= b.y))
            {
                continue;
            }
            switch (control.kind)
            {
            case ControlKind::knob:
                drawKnob(cr, control);
                break;
            case ControlKind::selector:
                drawSelector(cr, control);
                break;
            case ControlKind::toggle:
                drawToggle(cr, control);
                break;
            }
        }
    }

    void drawKnob(cairo_t* cr, const Control& control) const
    {
        const Box& b = control.box;
        const std::size_t index = control.index;
        const auto range = ui::parameterRange(index);
        const double position = ui::toPosition(range, mValues[index]);
        const double cx = b.x + b.w / 2.0;
        const double radius = std::min(22.0, b.w / 2.0 - 10.0);
        const double cy = b.y + 20.0 + radius;
        const double start = 0.75 * std::numbers::pi;
        const double sweep = 1.5 * std::numbers::pi;
        const double angle = start + sweep * position;
        const bool active = mDragging && mDragIndex == index;

        text(cr, ui::controlLabel(index), cx, b.y + 10.0, 10.5, kText, Align::centre);

        // Body with a soft top light.
        cairo_pattern_t* body = cairo_pattern_create_linear(0.0, cy - radius, 0.0, cy + radius);
        cairo_pattern_add_color_stop_rgb(body, 0.0, 0.24, 0.26, 0.31);
        cairo_pattern_add_color_stop_rgb(body, 1.0, 0.14, 0.15, 0.18);
        cairo_set_source(cr, body);
        cairo_arc(cr, cx, cy, radius - 6.0, 0.0, 2.0 * std::numbers::pi);
        cairo_fill(cr);
        cairo_pattern_destroy(body);

        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(cr, 3.5);
        setColour(cr, kDisplay);
        cairo_arc(cr, cx, cy, radius, start, start + sweep);
        cairo_stroke(cr);

        double from = start;
        if (range.bipolar)
        {
            from = start + sweep * ui::toPosition(range, 0.0);
        }
        // The frequency knob rests while MIDI sets the fundamental.
        const bool resting = index == id(parameter_id::frequency) && pitchFromMidi();
        setColour(cr, active ? kRight : (resting ? kMuted : kLeft));
        if (angle >= from)
        {
            cairo_arc(cr, cx, cy, radius, from, angle);
        }
        else
        {
            cairo_arc(cr, cx, cy, radius, angle, from);
        }
        cairo_stroke(cr);

        setColour(cr, kText);
        cairo_set_line_width(cr, 2.5);
        cairo_move_to(cr, cx + std::cos(angle) * (radius - 15.0),
                      cy + std::sin(angle) * (radius - 15.0));
        cairo_line_to(cr, cx + std::cos(angle) * (radius - 7.0),
                      cy + std::sin(angle) * (radius - 7.0));
        cairo_stroke(cr);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

        // A value with a note name puts the note on a second line.
        const std::string value = ui::valueText(index, mValues[index]);
        const auto split = value.find("  ");
        text(cr, value.substr(0, split), cx, cy + radius + 18.0, 10.5, active ? kRight : kMuted,
             Align::centre);
        if (split != std::string::npos)
        {
            text(cr, value.substr(split + 2), cx, cy + radius + 31.0, 10.5, kText, Align::centre,
                 true);
        }
    }

    void drawSelector(cairo_t* cr, const Control& control) const
    {
        const Box& b = control.box;
        const std::size_t options = optionCount(control.index);
        const auto selected = static_cast<std::size_t>(std::lround(mValues[control.index]));
        setColour(cr, kDisplay);
        roundedRectangle(cr, b.x, b.y, b.w, b.h, 5.0);
        cairo_fill(cr);
        const auto edges = segmentEdges(control);
        for (std::size_t o = 0; o < options; ++o)
        {
            const double x = edges[o];
            const double segment = edges[o + 1] - edges[o];
            if (o == selected)
            {
                setColour(cr, kLeft, 0.9);
                roundedRectangle(cr, x + 2.0, b.y + 2.0, segment - 4.0, b.h - 4.0, 4.0);
                cairo_fill(cr);
            }
            text(cr, optionName(control.index, o), x + segment / 2.0, b.y + 15.0, 9.5,
                 o == selected ? kBackground : kMuted, Align::centre, o == selected);
        }
    }

    void drawToggle(cairo_t* cr, const Control& control) const
    {
        const Box& b = control.box;
        const bool on = mValues[control.index] >= 0.5;
        setColour(cr, on ? kReduction : kDisplay, on ? 0.9 : 1.0);
        roundedRectangle(cr, b.x, b.y, b.w, b.h, 5.0);
        cairo_fill_preserve(cr);
        setColour(cr, on ? kReduction : kPanelEdge);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        text(cr, on ? "BYPASSED" : "BYPASS", b.x + b.w / 2.0, b.y + 15.0, 10.0,
             on ? kBackground : kMuted, Align::centre, true);
    }

    // ---- state -------------------------------------------------------------------------------

    std::array<double, kParameterCount> mValues{};
    std::unique_ptr<ui::CombModel> mModel;
    bool mCombDirty = true;
    const AnalysisFeed* mFeed = nullptr;
    bool mLive = false;
    std::uint64_t mLastWritten = 0;
    int mIdleWithoutAudio = 0;
    float mMidiFundamental = 0.0f;
    std::vector<float> mInputSamples = std::vector<float>(ui::SpectrumAnalyser::kSize);
    std::vector<float> mOutputSamples = std::vector<float>(ui::SpectrumAnalyser::kSize);
    ui::SpectrumAnalyser mInputSpectrum;
    ui::SpectrumAnalyser mOutputSpectrum;

    std::vector<Group> mGroups;
    std::vector<Control> mControls;
    Box mDisplayBox;
    double mLegendRight = 0.0;

    bool mDragging = false;
    bool mDragFine = false;
    std::size_t mDragIndex = 0;
    double mDragStartY = 0.0;
    double mDragStartPosition = 0.0;
    double mDragPosition = 0.0;
    std::size_t mLastClickIndex = kParameterCount;
    uint mLastClickTime = 0;

    DISTRHO_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SorvellUI)
};

UI* createUI()
{
    return new SorvellUI();
}

END_NAMESPACE_DISTRHO
