// The window's models for the page's display: the comb (a private engine set to the page's
// values, read back partial by partial), the input and output spectra, and the frequency
// axis with its note marks. The page draws what these compute, as the window does.
#include "WebExport.h"

#include "CombModel.h"
#include "FrequencyAxis.h"
#include "SpectrumAnalyser.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace
{

using quendra::plugin::ui::CombModel;
using quendra::plugin::ui::FrequencyAxis;
using quendra::plugin::ui::NoteMark;
using quendra::plugin::ui::SpectrumAnalyser;

// Per partial, for the page: hz, listenHz, level, side, voice.
constexpr std::size_t kPartialFields = 5;

struct WebComb
{
    explicit WebComb(double sampleRate) : model(sampleRate) {}
    CombModel model;
    CombModel::Values values{};
    std::vector<float> flat;
};

struct WebSpectrum
{
    SpectrumAnalyser analyser;
    std::vector<float> samples = std::vector<float>(SpectrumAnalyser::kSize);
};

std::vector<NoteMark>& marks()
{
    static std::vector<NoteMark> list;
    return list;
}

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

SORVELL_WEB_EXPORT int sorvell_comb_update(void* handle)
{
    auto& comb = *static_cast<WebComb*>(handle);
    comb.model.update(comb.values);
    const auto partials = comb.model.partials();
    comb.flat.resize(partials.size() * kPartialFields);
    float* out = comb.flat.data();
    for (const auto& p : partials)
    {
        *out++ = p.hz;
        *out++ = p.listenHz;
        *out++ = p.level;
        *out++ = p.side;
        *out++ = p.voice;
    }
    return static_cast<int>(partials.size());
}

SORVELL_WEB_EXPORT const float* sorvell_comb_partials(void* handle)
{
    return static_cast<WebComb*>(handle)->flat.data();
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

SORVELL_WEB_EXPORT float sorvell_spectrum_highest_db(void* handle)
{
    const auto levels = static_cast<WebSpectrum*>(handle)->analyser.levelsDb();
    return *std::max_element(levels.begin(), levels.end());
}

SORVELL_WEB_EXPORT float sorvell_spectrum_level_db(void* handle, double lowHz, double highHz,
                                                   double sampleRate)
{
    return static_cast<WebSpectrum*>(handle)->analyser.levelDb(lowHz, highHz, sampleRate);
}

// The axis's note marks for a span of pixels; read each with the functions below.
SORVELL_WEB_EXPORT int sorvell_note_marks(double lowHz, double highHz, double left, double right)
{
    marks() = FrequencyAxis(lowHz, highHz, left, right).noteMarks();
    return static_cast<int>(marks().size());
}

SORVELL_WEB_EXPORT double sorvell_note_mark_x(int index)
{
    return marks()[static_cast<std::size_t>(index)].x;
}

SORVELL_WEB_EXPORT int sorvell_note_mark_major(int index)
{
    return marks()[static_cast<std::size_t>(index)].major ? 1 : 0;
}

SORVELL_WEB_EXPORT const char* sorvell_note_mark_label(int index)
{
    return marks()[static_cast<std::size_t>(index)].label.c_str();
}
