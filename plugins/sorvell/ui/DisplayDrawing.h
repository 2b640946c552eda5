// The window's display: the partial comb where the partials sound, on a log frequency axis
// from 20 Hz to 20 kHz with note marks and a level grid, over the live input spectrum and
// under the live output spectrum, with the fundamental written in its corner. Cairo, in base
// units.
#pragma once

#include "CombModel.h"
#include "ControlLayout.h"
#include "SpectrumAnalyser.h"

#include <cairo.h>

#include <span>

namespace quendra::plugin::ui
{

struct DisplayScene
{
    Box box;
    std::span<const CombPartial> partials;
    double shiftSemitones = 0.0; // away from zero, ticks show where the partials listen
    double fundamentalHz = 440.0;
    bool fundamentalFromMidi = false;
    // The running instance's spectra, or null when the window cannot reach it.
    const SpectrumAnalyser* input = nullptr;
    const SpectrumAnalyser* output = nullptr;
    double sampleRate = 48000.0;
};

void drawDisplay(cairo_t* cr, const DisplayScene& scene);

} // namespace quendra::plugin::ui
