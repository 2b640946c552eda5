// The page's display: the window's header and display, drawn by the window's own drawing code
// on the page's canvas (through the canvas stand-in for Cairo), from the window's models: the
// comb (a private engine set to the page's values) and the input and output spectra.
#include "WebExport.h"

#include "CombModel.h"
#include "ControlLayout.h"
#include "SpectrumAnalyser.h"
#include "WindowTop.h"

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

using quendra::plugin::ui::CombModel;
using quendra::plugin::ui::SpectrumAnalyser;

struct WebComb
{
    explicit WebComb(double sampleRate) : model(sampleRate) {}
    CombModel model;
    CombModel::Values values{};
};

struct WebSpectrum
{
    SpectrumAnalyser analyser;
    std::vector<float> samples = std::vector<float>(SpectrumAnalyser::kSize);
};

} // namespace

SORVELL_WEB_EXPORT void* sorvell_comb_create(double sampleRate)
{
    return new WebComb(sampleRate);
}

// The values the comb is drawn for, in table order; write them, then call update.
SORVELL_WEB_EXPORT double* sorvell_comb_values(void* handle)
{
    return static_cast<WebComb*>(handle)->values.data();
}

SORVELL_WEB_EXPORT void sorvell_comb_update(void* handle)
{
    auto& comb = *static_cast<WebComb*>(handle);
    comb.model.update(comb.values);
}

SORVELL_WEB_EXPORT void* sorvell_spectrum_create()
{
    return new WebSpectrum;
}

// The newest SpectrumAnalyser::kSize samples go here before analyse.
SORVELL_WEB_EXPORT float* sorvell_spectrum_samples(void* handle)
{
    return static_cast<WebSpectrum*>(handle)->samples.data();
}

SORVELL_WEB_EXPORT int sorvell_spectrum_size()
{
    return static_cast<int>(SpectrumAnalyser::kSize);
}

SORVELL_WEB_EXPORT void sorvell_spectrum_analyse(void* handle)
{
    auto& spectrum = *static_cast<WebSpectrum*>(handle);
    spectrum.analyser.analyse(spectrum.samples);
}

SORVELL_WEB_EXPORT void sorvell_spectrum_decay(void* handle)
{
    static_cast<WebSpectrum*>(handle)->analyser.decay();
}

// Draws the header and the display on the canvas the page's canvas imports point at, a
// picture width x height base units large at scale pixels a unit. The spectra are drawn
// while live (audio runs), as the window draws them while the instance reports.
SORVELL_WEB_EXPORT void sorvell_display_draw(void* comb, void* input, void* output, double width,
                                             double height, double scale, int live,
                                             float gainReductionDb, float outputPeak,
                                             double shiftSemitones, double fundamentalHz,
                                             int fundamentalFromMidi, double sampleRate)
{
    namespace ui = quendra::plugin::ui;
    cairo_t* const cr = canvas_cairo_context();
    cairo_save(cr);
    cairo_scale(cr, scale, scale);
    ui::Meters meters;
    if (live != 0)
    {
        meters = {true, gainReductionDb, outputPeak};
    }
    ui::DisplayScene scene;
    scene.box = {ui::kMargin, ui::kHeaderHeight, width - 2.0 * ui::kMargin,
                 height - ui::kHeaderHeight - ui::kMargin};
    scene.partials = static_cast<WebComb*>(comb)->model.partials();
    scene.shiftSemitones = shiftSemitones;
    scene.fundamentalHz = fundamentalHz;
    scene.fundamentalFromMidi = fundamentalFromMidi != 0;
    if (live != 0)
    {
        scene.input = &static_cast<WebSpectrum*>(input)->analyser;
        scene.output = &static_cast<WebSpectrum*>(output)->analyser;
        scene.sampleRate = sampleRate;
    }
    ui::drawWindowTop(cr, width, meters, scene);
    cairo_restore(cr);
}
