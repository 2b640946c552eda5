#include "HostSession.h"

#include "ModuleLocator.h"
#include "ReferencePage.h"
#include "StreamCapture.h"
#include "ToolError.h"

#include <tessel/host/Utf8Path.h>

#include <cmath>
#include <cstdio>
#include <variant>

namespace quendra::renderer
{

namespace
{

double asNumber(const tessel::host::Value& value)
{
    if (const auto* integer = std::get_if<std::int64_t>(&value))
    {
        return static_cast<double>(*integer);
    }
    if (const auto* real = std::get_if<double>(&value))
    {
        return *real;
    }
    return 0.0;
}

tessel::host::Values valuesOf(const AttributeTrack& track, double value)
{
    if (track.shape == TrackShape::Linear || track.shape == TrackShape::Geometric)
    {
        return {value};
    }
    return {static_cast<std::int64_t>(std::llround(value))};
}

std::vector<tessel::host::AttributeInfo> loadClass(tessel::host::Runtime& runtime,
                                                   const std::filesystem::path& moduleFile)
{
    // While it registers its class the module may print progress and notes of its own;
    // they are shown only when loading fails, so the renderer's output stays clean.
    StreamCapture capture;
    const bool loaded = runtime.loadModule(moduleFile);
    const std::string printed = capture.finish();
    if (!loaded)
    {
        std::string reason;
        for (const auto& line : runtime.console())
        {
            reason.append(reason.empty() ? "" : "; ").append(line.text);
        }
        if (reason.empty())
        {
            reason = printed.substr(0, printed.find('\n'));
        }
        throw ToolError("cannot load the module '" + tessel::host::utf8FromPath(moduleFile) + "'" +
                        (reason.empty() ? "" : ": " + reason));
    }
    if (!runtime.isClassRegistered(kClassName))
    {
        throw ToolError("the module '" + tessel::host::utf8FromPath(moduleFile) +
                        "' does not register " + kClassName);
    }
    return runtime.attributes(kClassName);
}

} // namespace

HostSession::HostSession(const std::filesystem::path& moduleFile, double sampleRate, long blockSize,
                         std::optional<std::uint32_t> seed)
    : mRuntime(), mCatalog({}, {})
{
    mRuntime.setSampleRate(sampleRate);
    mRuntime.setBlockSize(blockSize);
    mRuntime.setRandomSeed(seed);

    const auto registered = loadClass(mRuntime, moduleFile);
    mCatalog = AttributeCatalog(
        registered, readAttributeDescriptions(referencePagePath(moduleFile, kClassName)));

    mRuntime.clearConsole();
    mpInstance = mRuntime.createObject(kClassName);
    if (mpInstance == nullptr)
    {
        failOnConsole("cannot create " + std::string(kClassName));
        throw ToolError("cannot create " + std::string(kClassName));
    }
    failOnConsole("creating " + std::string(kClassName));
}

HostSession::~HostSession()
{
    mRuntime.freeObject(mpInstance);
}

void HostSession::failOnConsole(const std::string& context)
{
    const auto lines = mRuntime.console();
    mRuntime.clearConsole();
    if (!lines.empty())
    {
        throw ToolError(context + ": " + lines.front().text);
    }
}

namespace
{

// A breakpoint value moved into the attribute's range, with a note when it had to move.
double clampedPoint(const AttributeEntry& entry, double value, const AttributeSetting& setting,
                    const std::string& pointText, bool notes)
{
    double clamped = value;
    if (entry.minimum && clamped < *entry.minimum)
    {
        clamped = *entry.minimum;
    }
    if (entry.maximum && clamped > *entry.maximum)
    {
        clamped = *entry.maximum;
    }
    if (clamped != value && notes)
    {
        std::fprintf(stderr, "sorvell: note: %s: %s is out of range; using %g\n",
                     setting.spelling.c_str(), pointText.c_str(), clamped);
    }
    return clamped;
}

} // namespace

std::vector<AttributeTrack> HostSession::apply(const std::vector<AttributeSetting>& settings,
                                               bool notes)
{
    // Check every name and value first, so that a mistake late on the line is reported
    // before anything happens.
    struct Checked
    {
        const AttributeSetting* setting;
        tessel::host::Values values;
        std::optional<AttributeTrack> track;
    };
    std::vector<Checked> checked;
    for (const auto& setting : settings)
    {
        const auto* entry = mCatalog.find(setting.name);
        if (entry == nullptr)
        {
            throw usageError("unknown option or attribute '" + setting.spelling +
                             "' (see --help and --list)");
        }
        if (setting.missingValue)
        {
            throw usageError("option '" + setting.spelling + "' needs a value");
        }
        if (!isBreakpointList(setting.value))
        {
            checked.push_back(
                {&setting, mCatalog.valueFor(*entry, setting.value, setting.spelling), {}});
            continue;
        }
        AttributeTrack track;
        track.name = setting.name;
        track.shape = !entry->valueNames.empty() ? TrackShape::Stepped
                      : entry->type == "long"    ? TrackShape::Rounded
                      : entry->logarithmic       ? TrackShape::Geometric
                                                 : TrackShape::Linear;
        for (const auto& [seconds, text] : splitBreakpoints(setting.value, setting.spelling))
        {
            const double value =
                asNumber(mCatalog.valueFor(*entry, text, setting.spelling).front());
            track.points.push_back({seconds, clampedPoint(*entry, value, setting, text, notes)});
        }
        checked.push_back({&setting, valuesOf(track, track.valueAt(0.0)), std::move(track)});
    }

    std::vector<AttributeTrack> tracks;
    for (auto& [setting, values, track] : checked)
    {
        const std::string context = setting->spelling + " " + setting->value;
        const bool accepted = mRuntime.setAttribute(mpInstance, setting->name, values);
        mRuntime.serviceMainQueue();
        failOnConsole(context);
        if (!accepted)
        {
            throw usageError(context + ": the object refused the value");
        }
        std::erase_if(tracks, [&](const AttributeTrack& t) { return t.name == setting->name; });
        if (track)
        {
            tracks.push_back(std::move(*track));
            continue;
        }

        const auto stored = mRuntime.getAttribute(mpInstance, setting->name);
        if (notes && stored && !stored->empty() && !values.empty() &&
            asNumber(stored->front()) != asNumber(values.front()))
        {
            std::fprintf(stderr, "sorvell: note: %s is out of range; using %s\n", context.c_str(),
                         tessel::host::toText(*stored).c_str());
        }
    }
    return tracks;
}

void HostSession::set(const AttributeTrack& track, double value)
{
    mRuntime.setAttribute(mpInstance, track.name, valuesOf(track, value));
}

double HostSession::numberOf(const std::string& name)
{
    const auto value = mRuntime.getAttribute(mpInstance, name);
    if (!value || value->empty())
    {
        throw ToolError("cannot read the attribute '" + name + "'");
    }
    return asNumber(value->front());
}

void HostSession::startDsp()
{
    if (!mRuntime.buildDsp(mpInstance))
    {
        failOnConsole("cannot start audio processing");
        throw ToolError("cannot start audio processing: the object registered no perform routine");
    }
    mRuntime.serviceMainQueue();
    failOnConsole("starting audio processing");
}

bool HostSession::process(const double* const* inputs, double* const* outputs, long frames) noexcept
{
    return mRuntime.process(mpInstance, std::span<const double* const>(inputs, 2),
                            std::span<double* const>(outputs, 2), frames);
}

} // namespace quendra::renderer
