// Sorvell's window: the partial comb over the live input and output spectra on a log frequency
// axis with note marks, the limiter's gain reduction and the output peak in the header, and
// every parameter below in five groups (pitch, body, unison, modulation, output). Drawn with
// Cairo at any size: the layout is worked out at a base size and scaled to the window. This
// class is the window's side of the framework: parameters in and out, the feed of the running
// instance, the mouse, and where the plugin keeps state the tuning chosen from files; what it
// draws is in HeaderDrawing, DisplayDrawing, TuningStrip and ControlDrawing.
#include "DistrhoUI.hpp"

#include "CombModel.h"
#include "ControlDrawing.h"
#include "ControlLayout.h"
#include "DisplayDrawing.h"
#include "HeaderDrawing.h"
#include "InstanceAccess.h"
#include "Painting.h"
#include "ParameterScale.h"
#include "PluginParameterIndex.h"
#include "SorvellProcessor.h"
#include "SpectrumAnalyser.h"
#include "TuningFile.h"
#include "TuningState.h"
#include "TuningStrip.h"
#include "WindowTop.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

START_NAMESPACE_DISTRHO

namespace
{

using quendra::plugin::AnalysisFeed;
using quendra::plugin::kParameterCount;
using quendra::plugin::kPitchSourceIndex;
using quendra::sorvell::parameter_id;
namespace ui = quendra::plugin::ui;

constexpr uint kDoubleClickMs = 350;

// The window offers tunings where the plugin keeps them (formats with framework state) and the
// framework can show a file chooser.
#define SORVELL_WINDOW_TUNING (DISTRHO_PLUGIN_WANT_STATE && DISTRHO_UI_FILE_BROWSER)

constexpr std::size_t id(parameter_id p)
{
    return static_cast<std::size_t>(p);
}

} // namespace

class SorvellUI : public UI
{
public:
    SorvellUI()
        : UI(static_cast<uint>(ui::kBaseWidth), static_cast<uint>(ui::kBaseHeight), true),
          mModel(std::make_unique<ui::CombModel>(getSampleRate()))
    {
        for (std::size_t i = 0; i < kParameterCount; ++i)
        {
            mValues[i] = ui::parameterRange(i).defaultValue;
        }
        mFeed = analysisFeedOf(*this);
        const double scale = getScaleFactor();
        setGeometryConstraints(static_cast<uint>(0.7 * ui::kBaseWidth * scale),
                               static_cast<uint>(0.7 * ui::kBaseHeight * scale), false, false);
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
    // The tuning's texts, when the window opens and when a host restores a session; the
    // plugin refuses what does not read, and so does the window's copy.
    void stateChanged(const char* key, const char* value) override
    {
#if SORVELL_WINDOW_TUNING
        if (mTuning.replace(key, value).tuning)
        {
            mTuningError.clear();
        }
        repaint();
#else
        (void)key;
        (void)value;
#endif
    }
#endif

#if SORVELL_WINDOW_TUNING
    // A file from the chooser: read and tried here, on the window's thread, so that a file
    // that does not read is refused with its reason shown and the tuning left as it was.
    void uiFileBrowserSelected(const char* filename) override
    {
        if (filename == nullptr || mChoosing.empty())
        {
            return;
        }
        const std::string key(mChoosing);
        mChoosing = {};
        auto outcome = ui::chooseTuningFile(mTuning, key, filename);
        if (!outcome.accepted)
        {
            showTuningError(std::move(outcome.error));
            return;
        }
        mTuningError.clear();
        setState(key.c_str(), outcome.text.c_str());
        repaint();
    }
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
        mLayout.layOut(width, height);
        if (mCombDirty)
        {
            updateComb();
        }
        const bool live = mFeed != nullptr && mLive;

        cairo_save(cr);
        cairo_scale(cr, scale, scale);
        ui::Meters meters;
        if (live)
        {
            meters = {true, mFeed->gainReductionDb(), mFeed->outputPeak()};
        }
        ui::DisplayScene scene;
        scene.box = mLayout.displayBox();
        scene.partials = mModel->partials();
        scene.shiftSemitones = mValues[id(parameter_id::shift)];
        scene.fundamentalHz = fundamentalHz();
        scene.fundamentalFromMidi = pitchFromMidi();
        if (live)
        {
            scene.input = &mInputSpectrum;
            scene.output = &mOutputSpectrum;
            scene.sampleRate = mFeed->sampleRate();
        }
        ui::drawWindowTop(cr, width, meters, scene);

#if SORVELL_WINDOW_TUNING
        mTuningStrip.layOut(mLayout.displayBox());
        mTuningStrip.draw(cr, {mTuning.description(), mTuningError});
#endif

        const ui::ControlState state{mValues, mDragging, mDragIndex, pitchFromMidi()};
        for (const ui::Group& group : mLayout.groups())
        {
            ui::drawGroup(cr, group, mLayout.controls(), state);
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
#if SORVELL_WINDOW_TUNING
        if (const auto button = mTuningStrip.buttonAt(x, y); button != ui::TuningButton::none)
        {
            pressTuning(button);
            return true;
        }
#endif
        const ui::Control* control = mLayout.controlAt(x, y);
        if (control == nullptr)
        {
            return false;
        }
        const std::size_t index = control->index;
        const bool doubleClick =
            index == mLastClickIndex && event.time - mLastClickTime < kDoubleClickMs;
        mLastClickIndex = index;
        mLastClickTime = event.time;
        if (control->kind == ui::ControlKind::knob)
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
        if (control->kind == ui::ControlKind::toggle)
        {
            change(index, mValues[index] >= 0.5 ? 0.0 : 1.0);
            return true;
        }
        const auto edges = ui::segmentEdges(*control);
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
        const ui::Control* control =
            mLayout.controlAt(event.pos.getX() / scale, event.pos.getY() / scale);
        if (control == nullptr || control->kind != ui::ControlKind::knob)
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

#if SORVELL_WINDOW_TUNING
    void pressTuning(ui::TuningButton button)
    {
        using quendra::plugin::kTuningKeymapKey;
        using quendra::plugin::kTuningScaleKey;
        if (button == ui::TuningButton::equal)
        {
            for (const std::string_view key : {kTuningScaleKey, kTuningKeymapKey})
            {
                mTuning.replace(key, {});
                setState(std::string(key).c_str(), "");
            }
            mTuningError.clear();
            repaint();
            return;
        }
        const bool scale = button == ui::TuningButton::scale;
        mChoosing = scale ? kTuningScaleKey : kTuningKeymapKey;
        FileBrowserOptions options;
        options.title =
            scale ? "Sorvell: a Scala scale (.scl)" : "Sorvell: a Scala keyboard mapping (.kbm)";
        openFileBrowser(options);
    }

    void showTuningError(std::string line)
    {
        mTuningError = std::move(line);
        repaint();
    }
#endif

    double viewScale() const
    {
        return std::max(0.1, std::min(getWidth() / ui::kBaseWidth, getHeight() / ui::kBaseHeight));
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

    ui::ControlLayout mLayout;
#if SORVELL_WINDOW_TUNING
    quendra::plugin::TuningState mTuning; // the window's copy of what the plugin keeps
    std::string mTuningError;
    std::string_view mChoosing; // the key a file is being chosen for
    ui::TuningStrip mTuningStrip;
#endif

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
