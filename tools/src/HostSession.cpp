#include "HostSession.h"

#include "ModuleLocator.h"
#include "ReferencePage.h"
#include "StreamCapture.h"
#include "ToolError.h"

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
        throw ToolError("cannot load the module '" + moduleFile.string() + "'" +
                        (reason.empty() ? "" : ": " + reason));
    }
    if (!runtime.isClassRegistered(kClassName))
    {
        throw ToolError("the module '" + moduleFile.string() + "' does not register " + kClassName);
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

void HostSession::apply(const std::vector<AttributeSetting>& settings)
{
    // Check every name and value first, so that a mistake late on the line is reported
    // before anything happens.
    std::vector<std::pair<const AttributeSetting*, tessel::host::Values>> checked;
    for (const auto& setting : settings)
    {
        const auto* entry = mCatalog.find(setting.name);
        if (entry == nullptr)
        {
            throw usageError("unknown option or attribute '" + setting.spelling +
                             "' (see --help and --list)");
        }
        checked.emplace_back(&setting, mCatalog.valueFor(*entry, setting.value, setting.spelling));
    }

    for (const auto& [setting, values] : checked)
    {
        const std::string context = setting->spelling + " " + setting->value;
        const bool accepted = mRuntime.setAttribute(mpInstance, setting->name, values);
        mRuntime.serviceMainQueue();
        failOnConsole(context);
        if (!accepted)
        {
            throw usageError(context + ": the object refused the value");
        }

        const auto stored = mRuntime.getAttribute(mpInstance, setting->name);
        if (stored && !stored->empty() && !values.empty() &&
            asNumber(stored->front()) != asNumber(values.front()))
        {
            std::fprintf(stderr, "sorvell: note: %s is out of range; using %s\n", context.c_str(),
                         tessel::host::toText(*stored).c_str());
        }
    }
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
