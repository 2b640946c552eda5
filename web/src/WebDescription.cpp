// The page's picture of the plugin, as JSON from the tables every other front end uses: the
// processor's parameters in order (the shared fourteen, then bypass and pitch source) with
// texts, ranges, defaults and option names, the factory presets,
// the window's control groups, and the engine's latency and frame size. The page builds its
// controls from this and holds no table of its own.
#include "WebExport.h"

#include "ControlLayout.h"
#include "ParameterScale.h"
#include "SorvellProcessor.h"
#include "ValueText.h"
#include "factory_presets.h"
#include "sorvell_parameters.h"

#include <quendra/dsp/FrameGeometry.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace
{

using quendra::plugin::kBypassIndex;
using quendra::plugin::kFreezeIndex;
using quendra::plugin::kParameterCount;
using quendra::plugin::kPitchSourceIndex;
using quendra::plugin::kPitchSourceNames;

void appendString(std::string& out, std::string_view text)
{
    out += '"';
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20)
            out += c;
    }
    out += '"';
}

void appendNumber(std::string& out, double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    out += buffer;
}

void appendField(std::string& out, std::string_view key, std::string_view text)
{
    appendString(out, key);
    out += ':';
    appendString(out, text);
    out += ',';
}

void appendField(std::string& out, std::string_view key, double value)
{
    appendString(out, key);
    out += ':';
    appendNumber(out, value);
    out += ',';
}

void appendParameter(std::string& out, std::size_t index)
{
    using quendra::sorvell::parameter_kind;
    const auto range = quendra::plugin::ui::parameterRange(index);
    out += '{';
    appendField(out, "label", quendra::plugin::ui::controlLabel(index));
    appendField(out, "min", range.minimum);
    appendField(out, "max", range.maximum);
    appendField(out, "default", range.defaultValue);
    appendField(out, "logarithmic", range.logarithmic ? 1.0 : 0.0);
    appendField(out, "integer", range.integer ? 1.0 : 0.0);
    appendField(out, "bipolar", range.bipolar ? 1.0 : 0.0);
    appendString(out, "options");
    out += ":[";
    if (index < quendra::sorvell::parameter_count)
    {
        const auto& row = quendra::sorvell::parameters()[index];
        for (std::size_t v = 0; v < row.value_names.size(); ++v)
        {
            if (v != 0)
                out += ',';
            appendString(out, row.value_names[v]);
        }
        out += "],";
        appendField(out, "title", row.label);
        appendField(out, "description", row.description);
        appendField(out, "unit", row.unit);
        appendField(out, "kind", row.kind == parameter_kind::smoothed ? "smoothed" : "queued");
        appendField(out, "name", row.name);
    }
    else if (index == kPitchSourceIndex)
    {
        for (std::size_t v = 0; v < kPitchSourceNames.size(); ++v)
        {
            if (v != 0)
                out += ',';
            appendString(out, kPitchSourceNames[v]);
        }
        out += "],";
        appendField(out, "title", "Pitch source");
        appendField(out, "description",
                    "Where the fundamental comes from: the Frequency control, "
                    "the newest MIDI note played, or every note held (chords)");
        appendField(out, "name", "pitch_source");
    }
    else if (index == kFreezeIndex)
    {
        out += "],";
        appendField(out, "title", "Freeze");
        appendField(out, "description",
                    "Holds the resonance as it is: the partials keep their levels and take in "
                    "nothing new until released, then ring out with the decay");
        appendField(out, "name", "freeze");
    }
    else
    {
        out += "],";
        appendField(out, "title", "Bypass");
        appendField(out, "description",
                    "The dry signal delayed by the latency, with a 5 ms crossfade");
        appendField(out, "name", "bypass");
    }
    out.back() = '}';
}

} // namespace

SORVELL_WEB_EXPORT const char* sorvell_describe()
{
    static const std::string json = []
    {
        std::string out = "{\"parameters\":[";
        for (std::size_t index = 0; index < kParameterCount; ++index)
        {
            if (index != 0)
                out += ',';
            appendParameter(out, index);
        }
        out += "],\"presets\":[";
        bool first = true;
        for (const auto& preset : sorvell::factory_presets())
        {
            if (!first)
                out += ',';
            first = false;
            out += '{';
            appendField(out, "name", preset.name);
            appendField(out, "description", preset.description);
            appendString(out, "values");
            out += ":{";
            for (std::size_t v = 0; v < preset.values.size(); ++v)
            {
                if (v != 0)
                    out += ',';
                appendString(out, preset.values[v].parameter);
                out += ':';
                appendNumber(out, preset.values[v].value);
            }
            out += "}}";
        }
        out += "],\"groups\":[";
        // The window's control groups, in its order: title, selector or toggle, knobs.
        const quendra::plugin::ui::ControlLayout layout;
        for (std::size_t g = 0; g < layout.groups().size(); ++g)
        {
            const auto& group = layout.groups()[g];
            if (g != 0)
                out += ',';
            out += '{';
            appendField(out, "title", group.title);
            appendField(out, "selector", group.selector);
            appendString(out, "knobs");
            out += ":[";
            for (std::size_t k = 0; k < group.knobs.size(); ++k)
            {
                if (k != 0)
                    out += ',';
                appendNumber(out, static_cast<double>(group.knobs[k]));
            }
            out += "]}";
        }
        out += "],";
        appendField(out, "bypassIndex", static_cast<double>(kBypassIndex));
        appendField(out, "pitchSourceIndex", static_cast<double>(kPitchSourceIndex));
        appendField(out, "latency",
                    static_cast<double>(quendra::plugin::SorvellProcessor::kLatency));
        appendField(out, "fftSize", static_cast<double>(quendra::dravel::vantor::kFftSize));
        out.back() = '}';
        return out;
    }();
    return json.c_str();
}

// A value as the plugin window writes it ("440.0 Hz  A4", "35 %", "Chorus").
SORVELL_WEB_EXPORT const char* sorvell_value_text(int index, double value)
{
    static std::string text;
    text = quendra::plugin::ui::valueText(static_cast<std::size_t>(index), value);
    return text.c_str();
}

SORVELL_WEB_EXPORT double sorvell_to_position(int index, double value)
{
    return quendra::plugin::ui::toPosition(
        quendra::plugin::ui::parameterRange(static_cast<std::size_t>(index)), value);
}

SORVELL_WEB_EXPORT double sorvell_from_position(int index, double position)
{
    return quendra::plugin::ui::fromPosition(
        quendra::plugin::ui::parameterRange(static_cast<std::size_t>(index)), position);
}
