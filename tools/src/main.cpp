// sorvell: a spectral resonance effect on the command line. A spectral processor which uses
// spectral resonances and pitched overtones to add tonal character to any audio source: the
// renderer runs audio files through the resonator external inside our headless host, one
// engine per file. See usageText() for the interface.

#include "AudioFile.h"
#include "BatchRunner.h"
#include "ChordInput.h"
#include "CommandLine.h"
#include "DemoSignal.h"
#include "FreezeTrack.h"
#include "HostSession.h"
#include "ModuleLocator.h"
#include "OutputFormat.h"
#include "PresetListing.h"
#include "ProcessorSession.h"
#include "ProgressBar.h"
#include "RenderLoop.h"
#include "RenderSpool.h"
#include "StandardInput.h"
#include "StopSignal.h"
#include "ToolError.h"
#include "TruePeakLimiter.h"
#include "platform/System.h"

#include <tessel/host/Utf8Path.h>

#include <quendra/dsp/FrameGeometry.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quendra::renderer
{
namespace
{

using tessel::host::pathFromUtf8;
using tessel::host::utf8FromPath;

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
    const std::filesystem::path path = pathFromUtf8(outputPath);
    std::filesystem::path name = path.stem();
    name += "-input";
    name += path.extension();
    return utf8FromPath(path.parent_path() / name);
}

// Rendering over the input would replace the only copy of the dry recording; it is refused
// whichever way the two paths are spelled (links, "./", "..").
void checkOutputIsNotInput(const std::string& inputPath, const std::string& outputPath)
{
    std::error_code error;
    if (inputPath != "-" && outputPath != "-" &&
        std::filesystem::equivalent(pathFromUtf8(inputPath), pathFromUtf8(outputPath), error) &&
        !error)
    {
        throw usageError("the output '" + outputPath + "' is the input file; choose another name");
    }
}

void printNote(const std::string& note)
{
    std::fprintf(stderr, "sorvell: note: %s\n", note.c_str());
}

std::string dbfsText(double peak)
{
    char text[32];
    if (peak <= 0.0)
    {
        return "-inf dBFS";
    }
    std::snprintf(text, sizeof text, "%+.1f dBFS", 20.0 * std::log10(peak));
    return text;
}

// The same seed gives the same Ogg serial number, so that the same render gives the same
// bytes; without a seed a fixed number does.
std::uint32_t oggSerialFor(const std::optional<std::uint32_t>& seed)
{
    return 0x536f7276u ^ (seed.value_or(0) * 2654435761u);
}

// A resonator whose fundamental sits at or above half the sample rate has no partial that
// can sound: worth a note, since the wet output is silence.
void noteUnreachableFrequency(HostSession& session, const std::vector<AttributeTrack>& tracks,
                              double sampleRate, const std::string& inputName)
{
    const double nyquist = sampleRate / 2.0;
    double lowest = session.numberOf("frequency");
    for (const auto& track : tracks)
    {
        if (track.name == "frequency")
        {
            for (const auto& point : track.points)
            {
                lowest = std::min(lowest, point.value);
            }
        }
    }
    if (lowest >= nyquist)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%g Hz", lowest);
        printNote("the frequency " + std::string(text) +
                  " is at or above half the sample rate of " + inputName + " (" +
                  std::to_string(static_cast<long>(nyquist)) +
                  " Hz): no partial can sound, so the wet signal is silent");
    }
}

// --type wins over the extension, but a file whose extension tells another format misleads
// whoever opens it later: worth a warning.
void warnIfTypeDisagrees(const std::string& type, const std::string& outputPath,
                         const OutputFormat& format)
{
    const auto extensionType = typeOfExtension(outputPath);
    if (!type.empty() && outputPath != "-" && extensionType && *extensionType != type)
    {
        std::fprintf(stderr,
                     "sorvell: warning: '%s' is written as %s (--type %s), not as its extension "
                     "says\n",
                     outputPath.c_str(), format.name.c_str(), type.c_str());
    }
}

// What the limiter did, in one note: how much of the render it reduced and by how much at most.
void reportLimiting(const TruePeakLimiter& limiter, const std::string& outputName,
                    double ceilingDbfs, double sampleRate)
{
    if (limiter.limitedFrames() == 0)
    {
        return;
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "the limiter held the true peak to %.1f dBFS, reducing the level by up to "
                  "%.1f dB over %.2f s",
                  ceilingDbfs, -20.0 * std::log10(limiter.smallestGain()),
                  static_cast<double>(limiter.limitedFrames()) / sampleRate);
    printNote(outputName + ": " + text);
}

// One line on stderr, also with -q, when the render went beyond full scale.
void reportLevels(const AudioFileWriter& writer, const std::string& outputName)
{
    if (writer.clippedSamples() > 0)
    {
        std::fprintf(stderr,
                     "sorvell: warning: %s: %zu samples clipped (peak %s); use --limit, "
                     "--normalize or a lower --gain\n",
                     outputName.c_str(), writer.clippedSamples(), dbfsText(writer.peak()).c_str());
    }
    else if (writer.peak() > 1.0)
    {
        printNote(outputName + " peaks at " + dbfsText(writer.peak()) +
                  ", above full scale (kept in floating point); use --limit, --normalize or a "
                  "lower --gain before converting it to whole-number samples");
    }
}

// `batchJob`: one file of a batch, whose settings were checked (and clamped values reported)
// once for all.
void renderOne(const RenderRequest& request, const std::string& inputPath,
               const std::string& outputPath, bool showProgress, bool batchJob = false)
{
    const bool toStdout = outputPath == "-";
    const OutputFormat format = chooseOutputFormat(
        outputPath, toStdout && request.type.empty() ? "wav" : request.type, request.bits);
    const std::string outputName = toStdout ? "standard output" : "'" + outputPath + "'";
    warnIfTypeDisagrees(request.type, outputPath, format);
    if (toStdout && platform::isTerminal(stdout))
    {
        throw usageError("standard output is a terminal; pipe it into a program or a file");
    }

    AudioData demo;
    std::unique_ptr<StandardInputCopy> stdinCopy;
    std::unique_ptr<SampleSource> input;
    std::string inputName = "the demo";
    if (request.demo)
    {
        demo = makeDemoSignal();
        input = std::make_unique<MemorySource>(demo);
    }
    else
    {
        checkOutputIsNotInput(inputPath, outputPath);
        std::unique_ptr<AudioFileReader> reader;
        if (inputPath == "-")
        {
            stdinCopy = std::make_unique<StandardInputCopy>();
            reader = std::make_unique<AudioFileReader>(stdinCopy->path(), "standard input");
            inputName = "standard input";
        }
        else
        {
            reader = std::make_unique<AudioFileReader>(inputPath);
            inputName = "'" + inputPath + "'";
        }
        for (const auto& note : reader->notes())
        {
            printNote(note);
        }
        input = std::move(reader);
    }
    const double sampleRate = input->sampleRate();
    const auto settings = request.demo ? withDemoDefaults(request.settings) : request.settings;

    HostSession session(locateModule(request.modulePath), sampleRate, request.blockSize,
                        request.seed);
    std::vector<AttributeTrack> tracks = session.apply(settings, !batchJob);
    // The object has neither freeze nor chords: a render that uses them runs the same engine
    // through the plugins' signal path instead, with the values the object took.
    const bool freezes = request.freeze && engagesFreeze(*request.freeze);
    std::unique_ptr<ProcessorSession> plugin;
    if (freezes || request.chords())
    {
        std::optional<ChordPlaying> chords;
        if (request.chords())
            chords = ChordPlaying{chordTuning(request), chordTimeline(request)};
        plugin = std::make_unique<ProcessorSession>(session, sampleRate, request.blockSize,
                                                    request.seed, std::move(chords));
    }
    if (freezes)
        tracks.push_back(*request.freeze);
    if (!request.chords())
    {
        noteUnreachableFrequency(session, tracks, sampleRate, inputName);
    }

    RenderPlan plan;
    plan.inputFrames = input->frames();
    plan.tailFrames =
        request.tailSeconds
            ? static_cast<std::size_t>(std::llround(*request.tailSeconds * sampleRate))
            : defaultTailFrames(session.numberOf("decay"), sampleRate);
    if (freezes && !request.tailSeconds)
    {
        // A release after the input's end rings out from there.
        const auto release =
            static_cast<std::size_t>(std::ceil(request.freeze->points.back().seconds * sampleRate));
        plan.tailFrames += release - std::min(release, plan.inputFrames);
    }
    plan.droppedFrames = request.latencyCompensation ? quendra::dravel::vantor::kLatency : 0;
    if (plan.inputFrames == 0)
    {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f", plan.tailFrames / sampleRate);
        printNote(inputName + " holds no audio; the output is " + seconds + " s of silence");
    }

    AudioFileWriter writer(outputPath, sampleRate, 2, format, oggSerialFor(request.seed),
                           plan.outputFrames());
    if (!plugin)
    {
        session.startDsp();
    }

    // Parameter changes over time go in through the object's own sets at block starts, so
    // that they glide with its ramps.
    std::vector<double> lastSet;
    for (const auto& track : tracks)
    {
        // Freeze starts off; the attributes start where apply() set them.
        lastSet.push_back(track.name == kFreezeName ? 0.0 : track.valueAt(0.0));
    }
    const BlockStart followTracks = [&](std::size_t position)
    {
        const double seconds = static_cast<double>(position) / sampleRate;
        for (std::size_t i = 0; i < tracks.size(); ++i)
        {
            const double value = tracks[i].valueAt(seconds);
            if (value != lastSet[i])
            {
                plugin ? plugin->set(tracks[i], value) : session.set(tracks[i], value);
                lastSet[i] = value;
            }
        }
    };
    const BlockProcessor process =
        [&session, &plugin](const double* const* in, double* const* out, long frames)
    { return plugin ? plugin->process(in, out, frames) : session.process(in, out, frames); };

    ProgressBar progress(stderr, showProgress && !request.quiet, sampleRate);
    // The limiter, when asked for, is the last stage before the file.
    std::optional<TruePeakLimiter> limiter;
    if (request.limitDbfs)
    {
        limiter.emplace(writer, *request.limitDbfs, sampleRate);
    }
    FrameSink& output = limiter ? static_cast<FrameSink&>(*limiter) : writer;
    if (request.normalizeDbfs)
    {
        // Render once to find the peak, then write the render scaled to the wanted one.
        const std::filesystem::path folder =
            toStdout ? std::filesystem::temp_directory_path()
                     : std::filesystem::absolute(pathFromUtf8(outputPath)).parent_path();
        RenderSpool spool(folder, 2);
        render(*input, plan, request.blockSize, process, followTracks, spool, progress);
        const double wanted = std::pow(10.0, *request.normalizeDbfs / 20.0);
        spool.replay(output, spool.peak() > 0.0 ? wanted / spool.peak() : 1.0);
    }
    else
    {
        render(*input, plan, request.blockSize, process, followTracks, output, progress);
    }
    if (limiter)
    {
        limiter->finish();
        reportLimiting(*limiter, outputName, *request.limitDbfs, sampleRate);
    }
    if (auto* file = dynamic_cast<AudioFileReader*>(input.get());
        file != nullptr && file->nonFiniteSamples() > 0)
    {
        printNote(inputName + " holds " + std::to_string(file->nonFiniteSamples()) +
                  " samples that are not finite numbers (NaN or infinity); they were read as "
                  "silence");
    }

    if (request.demo && !toStdout)
    {
        writeAudioFile(demoInputPath(outputPath), demo);
    }
    throwIfStopped();
    writer.commit();
    reportLevels(writer, outputName);
}

ExitStatus run(const std::vector<std::string>& args)
{
    const RenderRequest request = parseCommandLine(args);
    if (request.showHelp)
    {
        std::fputs(usageText().c_str(), stdout);
        return ExitStatus::Ok;
    }
    if (request.showVersion)
    {
        std::fputs(versionText().c_str(), stdout);
        return ExitStatus::Ok;
    }
    if (request.listPresets)
    {
        std::fputs(presetListing().c_str(), stdout);
        return ExitStatus::Ok;
    }
    installStopHandlers();

    if (request.listAttributes)
    {
        HostSession session(locateModule(request.modulePath), kDemoSampleRate, request.blockSize,
                            request.seed);
        std::fputs(session.catalog().listing(kClassName).c_str(), stdout);
        return ExitStatus::Ok;
    }
    if (request.batch())
    {
        // A mistake in the settings is told once, before any file is started.
        {
            HostSession check(locateModule(request.modulePath), kDemoSampleRate, request.blockSize,
                              request.seed);
            check.apply(request.settings);
        }
        return runBatch(request, [&request](const BatchJob& job, bool showProgress)
                        { renderOne(request, job.input, job.output, showProgress, true); });
    }
    renderOne(request, request.demo ? "" : request.inputPaths.front(), request.outputPath, true);
    return ExitStatus::Ok;
}

} // namespace
} // namespace quendra::renderer

int main(int argc, char** argv)
{
    using namespace quendra::renderer;
    platform::setUpStandardStreams();
    try
    {
        return static_cast<int>(run(platform::commandLineArguments(argc, argv)));
    }
    catch (const ToolError& error)
    {
        if (*error.what() != '\0')
        {
            std::fprintf(stderr, "sorvell: %s\n", error.what());
        }
        return static_cast<int>(error.status());
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "sorvell: %s\n", error.what());
        return static_cast<int>(ExitStatus::Failure);
    }
}
