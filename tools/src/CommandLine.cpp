#include "CommandLine.h"

#include "NumberText.h"
#include "ToolError.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string_view>

namespace quendra::renderer
{

std::string normaliseAttributeName(std::string name)
{
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
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
    const auto value = parseFiniteNumber(text);
    if (!value || *value < 0.0 || *value > 3600.0)
    {
        throw usageError("bad value '" + text + "' for --tail (expected seconds from 0 to 3600)");
    }
    return *value;
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
        else if (arg.size() > 1 && arg[0] == '@')
        {
            request.settings.push_back(
                {normaliseAttributeName(arg.substr(1)), cursor.valueFor(arg), arg});
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
            else
            {
                // Anything else names an attribute; the class decides whether it exists.
                request.settings.push_back({name, value(), spelling});
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

    if (request.showHelp || request.listAttributes)
    {
        return request;
    }

    // With --demo the one positional argument is the output; otherwise it is the input.
    std::string* slots[] = {request.demo ? &request.outputPath : &request.inputPath,
                            &request.outputPath};
    std::size_t slot = 0;
    for (const auto& path : positional)
    {
        while (slot < std::size(slots) && !slots[slot]->empty())
        {
            ++slot;
        }
        if (slot == std::size(slots))
        {
            throw usageError("unexpected argument '" + path + "' (see --help)");
        }
        *slots[slot] = path;
    }

    if (!request.demo && request.inputPath.empty())
    {
        throw usageError("no input file given (usage: sorvell IN -o OUT [options])");
    }
    if (request.outputPath.empty())
    {
        throw usageError("no output file given (use -o OUT)");
    }
    return request;
}

std::string usageText()
{
    return R"(usage: sorvell IN -o OUT [options] [--ATTRIBUTE VALUE | @ATTRIBUTE VALUE ...]
       sorvell --demo OUT [options]
       sorvell --list

Runs an audio file through the spectral resonator quendra.device.sorvell~.

  IN                         any file libsndfile reads, 4 kHz to 768 kHz; a mono file feeds
                             both inputs, a file with more than two channels gives its
                             channels 1 and 2 (front left and right); the output is stereo
                             at the input's rate and may not replace IN
  -o, --output OUT           output file; the format follows the extension
                             (.wav 32-bit float, .flac and .aiff 24-bit, .ogg Vorbis)
  --list                     list the attributes with label, range, default and description
  --ATTRIBUTE VALUE          set an attribute (e.g. --frequency 220 --hf-damp 0.3
                             --mod_type granular); @ATTRIBUTE VALUE works the same
  --block N                  samples per perform block (default 64)
  --seed N                   fixed random seed: the same render gives the same output
  --tail SECONDS             keep rendering after the input ends (default: until the
                             decay has fallen by 60 dB, at most 30 s)
  --no-latency-compensation  keep the 1536-sample processing delay in the output
  --demo                     render a built-in demo input instead of a file; the dry
                             demo is written beside OUT as NAME-input.EXT
  --module PATH              the module file (or its folder) to load
  -q, --quiet                no progress bar
  -h, --help                 this text
)";
}

} // namespace quendra::renderer
