// The page's audio path: the plugins' processor (the shared parameter table through the shared
// ramp binding, bypass, pitch source, MIDI) with the feed their window reads, behind plain
// functions over buffers the module owns. Everything is allocated at creation; processing
// allocates nothing.
#include "WebExport.h"

#include "AnalysisFeed.h"
#include "SorvellProcessor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace
{

using quendra::plugin::AnalysisFeed;
using quendra::plugin::SorvellProcessor;

struct WebInstance
{
    WebInstance(double sampleRate, std::uint32_t seed, std::uint32_t maxFrames)
        : processor(sampleRate, seed), input{std::vector<float>(maxFrames),
                                             std::vector<float>(maxFrames)},
          output{std::vector<float>(maxFrames), std::vector<float>(maxFrames)}
    {
        feed.setSampleRate(sampleRate);
        processor.activate();
    }

    SorvellProcessor processor;
    AnalysisFeed feed;
    std::array<std::vector<float>, 2> input;
    std::array<std::vector<float>, 2> output;
    bool feeding = true; // an offline render keeps the feed out of its way
};

WebInstance* instance(void* handle)
{
    return static_cast<WebInstance*>(handle);
}

} // namespace

SORVELL_WEB_EXPORT void* sorvell_create(double sampleRate, std::uint32_t seed,
                                        std::uint32_t maxFrames)
{
    return new WebInstance(sampleRate, seed, maxFrames);
}

SORVELL_WEB_EXPORT void sorvell_destroy(void* handle)
{
    delete instance(handle);
}

SORVELL_WEB_EXPORT float* sorvell_input(void* handle, int channel)
{
    return instance(handle)->input[channel != 0].data();
}

SORVELL_WEB_EXPORT float* sorvell_output(void* handle, int channel)
{
    return instance(handle)->output[channel != 0].data();
}

SORVELL_WEB_EXPORT void sorvell_set_feeding(void* handle, int feeding)
{
    instance(handle)->feeding = feeding != 0;
}

SORVELL_WEB_EXPORT void sorvell_set_parameter(void* handle, int index, double value)
{
    instance(handle)->processor.setParameter(static_cast<std::size_t>(index), value);
}

SORVELL_WEB_EXPORT double sorvell_parameter(void* handle, int index)
{
    return instance(handle)->processor.parameter(static_cast<std::size_t>(index));
}

SORVELL_WEB_EXPORT void sorvell_midi(void* handle, int status, int data1, int data2, int size)
{
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(status),
                                   static_cast<std::uint8_t>(data1),
                                   static_cast<std::uint8_t>(data2)};
    instance(handle)->processor.midi(bytes, static_cast<std::size_t>(std::clamp(size, 0, 3)));
}

// frames: at most the maxFrames given at creation; the input buffers are left as they were.
SORVELL_WEB_EXPORT void sorvell_process(void* handle, std::uint32_t frames)
{
    WebInstance& web = *instance(handle);
    const float* inputs[2] = {web.input[0].data(), web.input[1].data()};
    float* outputs[2] = {web.output[0].data(), web.output[1].data()};
    if (web.feeding)
        web.feed.writeInput(inputs, frames);
    web.processor.process(inputs, outputs, frames);
    if (web.feeding)
        web.feed.writeOutput(outputs, frames, web.processor.engine());
}

// The newest `frames` frames of input and output (mono sums), for the spectra; 0 when there
// are not that many yet.
SORVELL_WEB_EXPORT int sorvell_read_latest(void* handle, float* input, float* output,
                                           std::uint32_t frames)
{
    return instance(handle)->feed.readLatest({input, frames}, {output, frames}) ? 1 : 0;
}

SORVELL_WEB_EXPORT float sorvell_gain_reduction_db(void* handle)
{
    return instance(handle)->feed.gainReductionDb();
}

SORVELL_WEB_EXPORT float sorvell_output_peak(void* handle)
{
    return instance(handle)->feed.outputPeak();
}

SORVELL_WEB_EXPORT float sorvell_fundamental_hz(void* handle)
{
    return instance(handle)->feed.fundamentalHz();
}

SORVELL_WEB_EXPORT int sorvell_latency()
{
    return static_cast<int>(SorvellProcessor::kLatency);
}

// Scratch memory for the page (analysis copies, parameter arrays); freed with sorvell_free.
SORVELL_WEB_EXPORT float* sorvell_alloc_floats(std::uint32_t count)
{
    return new float[count]();
}

SORVELL_WEB_EXPORT double* sorvell_alloc_doubles(std::uint32_t count)
{
    return new double[count]();
}

SORVELL_WEB_EXPORT void sorvell_free_floats(float* p)
{
    delete[] p;
}

SORVELL_WEB_EXPORT void sorvell_free_doubles(double* p)
{
    delete[] p;
}
