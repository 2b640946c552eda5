#include "CommandLine.h"

#include "ChordOptions.h"
#include "FreezeTrack.h"
#include "NumberText.h"
#include "QuantityText.h"
#include "ToolError.h"
#include "factory_presets.h"

#include <tessel/host/Utf8Path.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <filesystem>
#include <limits>
#include <string_view>

#ifndef SORVELL_VERSION
#define SORVELL_VERSION "0"
#endif

namespace quendra::renderer
{

std::string normaliseAttributeName(std::string name)
{
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

bool RenderRequest::batch() const
{
    if (demo || outputPath.empty() || outputPath == "-")
    {
        return false;
    }
    std::error_code error;
    return outputPath.back() == '/' ||
           std::filesystem::is_directory(tessel::host::pathFromUtf8(outputPath), error);
}

namespace
{

// Walks the arguments; an option that takes a value consumes the next argument whatever it
// looks like, so "--shift -12" works.
class ArgumentCursor
{
public:
    explicit ArgumentCursor(const std::vector<std::string>& args) : mArgs(args) {}

    bool done() const { return mNext >= mArgs.size(); }
    const std::string& next() { return mArgs[mNext++]; }
    const std::string& peek() const { return mArgs[mNext]; }

    std::string valueFor(const std::string& option)
    {
        if (done())
        {
            throw usageError("option '" + option + "' needs a value");
        }
        return next();
    }

private:
    const std::vector<std::string>& mArgs;
    std::size_t mNext = 0;
};

long parseBlockSize(const std::string& text)
{
    const auto value = parseInteger(text);
    if (!value || *value < 1 || *value > kMaxBlockSize)
    {
        throw usageError("bad value '" + text +
                         "' for --block (expected a whole number from 1 to " +
                         std::to_string(kMaxBlockSize) + ")");
    }
    return static_cast<long>(*value);
}

std::uint32_t parseSeed(const std::string& text)
{
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max())
    {
        throw usageError("bad value '" + text +
                         "' for --seed (expected a whole number from 0 to 4294967295)");
    }
    return static_cast<std::uint32_t>(*value);
}

double parseTail(const std::string& text)
{
    const auto value = readQuantity(text, Quantity::Time).value;
    if (!value || *value < 0.0 || *value > 3600.0)
    {
        throw usageError("bad value '" + text +
                         "' for --tail (expected seconds from 0 to 3600, e.g. 5, 5s or 500ms)");
    }
    return *value;
}

double parseNormalize(const std::string& text)
{
    const auto value = readQuantity(text, Quantity::Level).value;
    if (!value || *value < -60.0 || *value > 0.0)
    {
        throw usageError("bad value '" + text +
                         "' for --normalize (expected a peak in dBFS from -60 to 0, e.g. -1 or "
                         "-1db)");
    }
    return *value;
}

double parseLimit(const std::string& text)
{
    const auto value = readQuantity(text, Quantity::Level).value;
    if (!value || *value < -60.0 || *value > 0.0)
    {
        throw usageError("bad value '" + text +
                         "' for --limit (expected a true-peak ceiling in dBFS from -60 to 0, "
                         "e.g. -1 or -1db)");
    }
    return *value;
}

// An optional value (--normalize, --limit): inline, or the next word when it is a level.
std::optional<std::string> optionalLevel(const std::optional<std::string>& inlineValue,
                                         ArgumentCursor& cursor)
{
    if (inlineValue)
    {
        return inlineValue;
    }
    if (!cursor.done() && readQuantity(cursor.peek(), Quantity::Level).value)
    {
        return cursor.next();
    }
    return std::nullopt;
}

int parseJobs(const std::string& text)
{
    const auto value = parseInteger(text);
    if (!value || *value < 1 || *value > 256)
    {
        throw usageError("bad value '" + text + "' for -j (expected a whole number from 1 to 256)");
    }
    return static_cast<int>(*value);
}

std::string oneOf(const std::string& text, const std::string& option,
                  const std::vector<std::string>& allowed)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (std::find(allowed.begin(), allowed.end(), lower) != allowed.end())
    {
        return lower;
    }
    std::string names;
    for (const auto& name : allowed)
    {
        names += (names.empty() ? "" : ", ") + name;
    }
    throw usageError("bad value '" + text + "' for " + option + " (expected " + names + ")");
}

// The shortest text that reads back as the same double.
std::string numberText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void addPreset(RenderRequest& request, const std::string& name)
{
    const sorvell::factory_preset* preset = sorvell::find_factory_preset(name);
    if (preset == nullptr)
    {
        std::string names;
        for (const auto& known : sorvell::factory_presets())
        {
            names.append(names.empty() ? "" : ", ").append(known.name);
        }
        throw usageError("unknown preset '" + name + "' (presets: " + names + ")");
    }
    for (const auto& value : preset->values)
    {
        const std::string parameter(value.parameter);
        request.settings.push_back(
            {parameter, numberText(value.value), "--preset " + name + " (" + parameter + ")"});
    }
}

} // namespace

RenderRequest parseCommandLine(const std::vector<std::string>& args)
{
    RenderRequest request;
    std::vector<std::string> positional;
    ArgumentCursor cursor(args);

    while (!cursor.done())
    {
        const std::string arg = cursor.next();
        if (arg == "-h" || arg == "--help")
        {
            request.showHelp = true;
        }
        else if (arg == "-q" || arg == "--quiet")
        {
            request.quiet = true;
        }
        else if (arg == "-o")
        {
            request.outputPath = cursor.valueFor(arg);
        }
        else if (arg == "-j")
        {
            request.jobs = parseJobs(cursor.valueFor(arg));
        }
        else if (arg.rfind("-j", 0) == 0 && arg.size() > 2)
        {
            request.jobs = parseJobs(arg.substr(2));
        }
        else if (arg == "-")
        {
            positional.push_back(arg);
        }
        else if (arg.size() > 1 && arg[0] == '@')
        {
            AttributeSetting setting{normaliseAttributeName(arg.substr(1)), "", arg, false};
            setting.missingValue = cursor.done();
            setting.value = cursor.done() ? "" : cursor.next();
            request.settings.push_back(setting);
        }
        else if (arg.rfind("--", 0) == 0 && arg.size() > 2)
        {
            // "--name=value" or "--name value"; names compare with '-' and '_' alike.
            std::string name = arg.substr(2);
            std::optional<std::string> inlineValue;
            if (const auto equals = name.find('='); equals != std::string::npos)
            {
                inlineValue = name.substr(equals + 1);
                name.resize(equals);
            }
            name = normaliseAttributeName(name);
            const std::string spelling = "--" + name;
            const auto value = [&] { return inlineValue ? *inlineValue : cursor.valueFor(arg); };
            const auto noValue = [&]
            {
                if (inlineValue)
                {
                    throw usageError("option '" + spelling + "' takes no value");
                }
            };

            if (name == "list")
            {
                noValue();
                request.listAttributes = true;
            }
            else if (name == "list_presets")
            {
                noValue();
                request.listPresets = true;
            }
            else if (name == "version")
            {
                noValue();
                request.showVersion = true;
            }
            else if (name == "demo")
            {
                noValue();
                request.demo = true;
            }
            else if (name == "quiet")
            {
                noValue();
                request.quiet = true;
            }
            else if (name == "no_latency_compensation")
            {
                noValue();
                request.latencyCompensation = false;
            }
            else if (name == "output")
            {
                request.outputPath = value();
            }
            else if (name == "block")
            {
                request.blockSize = parseBlockSize(value());
            }
            else if (name == "seed")
            {
                request.seed = parseSeed(value());
            }
            else if (name == "tail")
            {
                request.tailSeconds = parseTail(value());
            }
            else if (name == "module")
            {
                request.modulePath = value();
            }
            else if (name == "normalize" || name == "normalise")
            {
                // The peak is optional: taken when the next word is a level.
                const auto level = optionalLevel(inlineValue, cursor);
                request.normalizeDbfs = level ? parseNormalize(*level) : kDefaultNormalizeDbfs;
            }
            else if (name == "limit")
            {
                const auto level = optionalLevel(inlineValue, cursor);
                request.limitDbfs = level ? parseLimit(*level) : kDefaultLimitDbfs;
            }
            else if (name == "bits")
            {
                request.bits = oneOf(value(), spelling, {"16", "24", "32", "float"});
            }
            else if (name == "type")
            {
                request.type = oneOf(value(), spelling, {"wav", "flac", "aiff", "ogg"});
            }
            else if (name == "jobs")
            {
                request.jobs = parseJobs(value());
            }
            else if (name == "preset")
            {
                addPreset(request, value());
            }
            else if (name == kFreezeName)
            {
                request.freeze = parseFreezeTrack(value());
            }
            else if (parseChordOption(request, name, value))
            {
            }
            else
            {
                // Anything else names an attribute; the class decides whether it exists, so a
                // missing value is reported only once the name is known to be one.
                AttributeSetting setting{name, "", spelling, false};
                if (inlineValue)
                {
                    setting.value = *inlineValue;
                }
                else if (cursor.done())
                {
                    setting.missingValue = true;
                }
                else
                {
                    setting.value = cursor.next();
                }
                request.settings.push_back(setting);
            }
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            throw usageError("unknown option '" + arg + "' (see --help)");
        }
        else
        {
            positional.push_back(arg);
        }
    }

    if (request.showHelp || request.showVersion || request.listAttributes || request.listPresets)
    {
        return request;
    }
    checkChordOptions(request);

    // With --demo the one positional argument is the output. Otherwise every positional
    // argument is an input, except that "IN OUT" (two, without -o) still names the output.
    if (request.demo)
    {
        if (positional.size() > 1 || (positional.size() == 1 && !request.outputPath.empty()))
        {
            throw usageError("unexpected argument '" + positional.back() + "' (see --help)");
        }
        if (!positional.empty())
        {
            request.outputPath = positional.front();
        }
    }
    else
    {
        if (request.outputPath.empty() && positional.size() == 2)
        {
            request.outputPath = positional.back();
            positional.pop_back();
        }
        request.inputPaths = positional;
        if (request.inputPaths.empty() ||
            std::any_of(positional.begin(), positional.end(),
                        [](const std::string& path) { return path.empty(); }))
        {
            throw usageError("no input file given (usage: sorvell IN -o OUT [options])");
        }
    }
    if (request.outputPath.empty())
    {
        throw usageError("no output file given (use -o OUT)");
    }
    if (request.batch() && std::find(request.inputPaths.begin(), request.inputPaths.end(), "-") !=
                               request.inputPaths.end())
    {
        throw usageError("standard input ('-') cannot be part of a batch");
    }
    if (request.inputPaths.size() > 1 && !request.batch())
    {
        throw usageError("several inputs need an output folder (-o DIR/)");
    }
    return request;
}

std::string versionText()
{
    return "sorvell " SORVELL_VERSION "\n";
}

std::string usageText()
{
    return R"(Usage: sorvell IN -o OUT [options] [--ATTRIBUTE VALUE | @ATTRIBUTE VALUE ...]
  or:  sorvell IN... -o DIR/ [-j N] [options]
  or:  sorvell --demo OUT [options]
  or:  sorvell --list | --list-presets | --version

A spectral processor which uses spectral resonances and pitched overtones to add tonal
character to any audio source: sorvell runs audio files through the resonator
quendra.device.sorvell~.

Start here (the defaults are fully wet, 100% resonance at 440 Hz with a short decay, so a
first render of them sounds thin and quieter than its input):
  sorvell in.wav -o out.wav --frequency 110hz --decay 1.5s --hf-damp 35% --mix 65% \
      --voices 2 --unison 0.08 --mod-type chorus --mod-rate 0.2     # the demo's settings
  sorvell in.wav -o out.wav --preset strings      # or drone, shimmer, bell, dark-body, room
  sorvell in.wav -o out.flac --preset drone --bits 16 --limit       # safe for 16 bits

Files:
  IN                         any file libsndfile reads, 4 kHz to 768 kHz, or - for standard
                             input; a mono file feeds both inputs, a file with more than two
                             channels gives its channels 1 and 2 (front left and right); the
                             output is stereo at the input's rate and may not replace IN
  -o, --output OUT           output file, - for standard output (WAV unless --type says
                             otherwise), or a folder DIR/ for one or more inputs, each written
                             there under its own name; the format follows the extension
                             (.wav 32-bit float, .flac and .aiff 24-bit, .ogg Vorbis)
  --type wav|flac|aiff|ogg   output format whatever the extension
  --bits 16|24|32|float      sample format of WAV, FLAC (16, 24) and AIFF output
  --normalize [DBFS]         scale the finished render so that it peaks at DBFS
                             (default -1): for a render that should be as loud as it
                             can be, louder or quieter as a whole
  --limit [DBFS]             a final true-peak limiter with look-ahead, ceiling DBFS
                             (default -1): a safety net for batches to 16 or 24 bits,
                             touching only the peaks that would pass it (a render under
                             it stays bit for bit); without either a clipped render is
                             reported
  -j, --jobs N               files rendered at once in a batch (default: one per core)

Sound:
  --ATTRIBUTE VALUE          set an attribute (e.g. --frequency 220 --hf-damp 0.3
                             --mod_type granular); @ATTRIBUTE VALUE works the same
  --ATTRIBUTE "T:V T:V ..."  breakpoints over time: seconds:value pairs, held after the
                             last (e.g. --frequency "0:110 5:220"); frequency and decay
                             glide in equal ratios (evenly in pitch), the rest linearly
  VALUE units                110hz, 2.5khz, 500ms, 2s, -3db, 50%, +7st, as the attribute
                             takes them (--list shows each one's unit); a plain number
                             is in hertz, seconds, dB or semitones, or a share (0.5)
  --frequency NOTE           a note name or MIDI number instead of hertz: A2, C#4, Bb3,
                             45m (MIDI note 45); also inside breakpoints
  --freeze 1|0|"T:V ..."     hold the resonance: the partials keep their levels and take
                             in nothing new until released, then ring out with the
                             decay; e.g. --freeze "2:1 6:0" (frozen from 2 s to 6 s)
  --notes "T:CHORD ..."       chords over time instead of one frequency: each note of a
                             chord (NOTE+NOTE..., names or MIDI numbers as for
                             --frequency, - for none) rings at once on its own harmonics
                             from T seconds on (e.g. "0:A2+C#3+E3 2:D3+F#3+A3 4:-")
  --midi FILE.mid            chords from a Standard MIDI File (formats 0 and 1), its
                             notes, sustain pedal and pitch bend timed from the input's start
  --midi-channel N           only MIDI channel N (1 to 16)
  --tuning FILE.scl          the notes of chords in a Scala scale (default: equal
                             temperament, A4 = 440 Hz); degree 0 on MIDI note 60
  --keymap FILE.kbm          the scale's Scala keyboard mapping
  --preset NAME              a factory preset; options after it change it
  --list                     list the attributes with label, range, default and description
  --list-presets             list the factory presets with their settings

Rendering:
  --block N                  samples per perform block (default 64)
  --seed N                   fixed random seed: the same render gives the same file
  --tail SECONDS             keep rendering after the input ends (default: until the
                             decay has fallen by 60 dB, at most 30 s)
  --no-latency-compensation  keep the 1536-sample processing delay in the output
  --demo                     render a built-in demo input instead of a file; the dry
                             demo is written beside OUT as NAME-input.EXT
  --module PATH              the module file (or its folder) to load
  -q, --quiet                no progress bar
  -h, --help                 this text
  --version                  the renderer's version

Exit status: 0 on success, 1 when a file could not be rendered, 2 for a mistake on the
command line, 128+N when stopped by signal N; 141 (as SIGPIPE would), without a message,
when the reader of standard output stops reading first (sorvell x.wav -o - | head).
)";
}

} // namespace quendra::renderer
