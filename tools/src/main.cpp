// sorvell: renders audio files through the spectral resonator external, run inside our
// headless host. See usageText() for the interface.

#include "AudioFile.h"
#include "CommandLine.h"
#include "DemoSignal.h"
#include "HostSession.h"
#include "ModuleLocator.h"
#include "OutputFormat.h"
#include "ProgressBar.h"
#include "RenderLoop.h"
#include "ToolError.h"

#include <quendra/dsp/FrameGeometry.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quendra::renderer
{
namespace
{

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void requestStop(int)
{
    gStopRequested = 1;
}

// Settings that make the demo sound like the effect: a low drone with a little chorus.
// The user's own options win.
std::vector<AttributeSetting> withDemoDefaults(const std::vector<AttributeSetting>& settings)
{
    const std::vector<AttributeSetting> defaults = {
        {"frequency", "110", "--frequency"},  {"decay", "1.5", "--decay"},
        {"hf_damp", "0.35", "--hf_damp"},     {"mix", "0.65", "--mix"},
        {"voices", "2", "--voices"},          {"unison", "0.08", "--unison"},
        {"mod_type", "chorus", "--mod_type"}, {"mod_rate", "0.2", "--mod_rate"}};
    std::vector<AttributeSetting> merged;
    for (const auto& setting : defaults)
    {
        bool overridden = false;
        for (const auto& own : settings)
        {
            overridden = overridden || own.name == setting.name;
        }
        if (!overridden)
        {
            merged.push_back(setting);
        }
    }
    merged.insert(merged.end(), settings.begin(), settings.end());
    return merged;
}

// "out/demo.wav" -> "out/demo-input.wav".
std::string demoInputPath(const std::string& outputPath)
{
    std::filesystem::path path(outputPath);
    const auto name = path.stem().string() + "-input" + path.extension().string();
    return (path.parent_path() / name).string();
}

// Rendering over the input would replace the only copy of the dry recording; it is refused
// whichever way the two paths are spelled (links, "./", "..").
void checkOutputIsNotInput(const std::string& inputPath, const std::string& outputPath)
{
    std::error_code error;
    if (std::filesystem::equivalent(inputPath, outputPath, error) && !error)
    {
        throw usageError("the output '" + outputPath + "' is the input file; choose another name");
    }
}

void printNote(const std::string& note)
{
    std::fprintf(stderr, "sorvell: note: %s\n", note.c_str());
}

ExitStatus run(const std::vector<std::string>& args)
{
    const RenderRequest request = parseCommandLine(args);
    if (request.showHelp)
    {
        std::fputs(usageText().c_str(), stdout);
        return ExitStatus::Ok;
    }
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    if (request.listAttributes)
    {
        HostSession session(locateModule(request.modulePath), kDemoSampleRate, request.blockSize,
                            request.seed);
        std::fputs(session.catalog().listing(kClassName).c_str(), stdout);
        return ExitStatus::Ok;
    }

    outputFormatFor(request.outputPath); // an unknown extension fails before any work
    AudioData demo;
    std::unique_ptr<SampleSource> input;
    AudioFileReader* file = nullptr;
    if (request.demo)
    {
        demo = makeDemoSignal();
        input = std::make_unique<MemorySource>(demo);
    }
    else
    {
        checkOutputIsNotInput(request.inputPath, request.outputPath);
        auto reader = std::make_unique<AudioFileReader>(request.inputPath);
        file = reader.get();
        input = std::move(reader);
        for (const auto& note : file->notes())
        {
            printNote(note);
        }
    }
    const double sampleRate = input->sampleRate();
    const auto settings = request.demo ? withDemoDefaults(request.settings) : request.settings;

    HostSession session(locateModule(request.modulePath), sampleRate, request.blockSize,
                        request.seed);
    session.apply(settings);

    RenderPlan plan;
    plan.inputFrames = input->frames();
    plan.tailFrames =
        request.tailSeconds
            ? static_cast<std::size_t>(std::llround(*request.tailSeconds * sampleRate))
            : defaultTailFrames(session.numberOf("decay"), sampleRate);
    plan.droppedFrames = request.latencyCompensation ? quendra::dravel::vantor::kLatency : 0;

    AudioFileWriter writer(request.outputPath, sampleRate, 2);
    session.startDsp();
    ProgressBar progress(stderr, !request.quiet, sampleRate);
    render(
        *input, plan, request.blockSize,
        [&session](const double* const* in, double* const* out, long frames)
        { return session.process(in, out, frames); },
        writer, progress, gStopRequested);
    if (file != nullptr && file->nonFiniteSamples() > 0)
    {
        printNote("'" + request.inputPath + "' holds " + std::to_string(file->nonFiniteSamples()) +
                  " samples that are not finite numbers (NaN or infinity); they were read as "
                  "silence");
    }

    if (request.demo)
    {
        writeAudioFile(demoInputPath(request.outputPath), demo);
    }
    writer.commit();
    return ExitStatus::Ok;
}

} // namespace
} // namespace quendra::renderer

int main(int argc, char** argv)
{
    using namespace quendra::renderer;
    try
    {
        return static_cast<int>(run(std::vector<std::string>(argv + 1, argv + argc)));
    }
    catch (const ToolError& error)
    {
        std::fprintf(stderr, "sorvell: %s\n", error.what());
        return static_cast<int>(error.status());
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "sorvell: %s\n", error.what());
        return static_cast<int>(ExitStatus::Failure);
    }
}
