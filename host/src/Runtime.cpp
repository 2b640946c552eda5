// Runtime.cpp - the C++ runtime of the headless host: settings, search path, module loading,
// objects from box text, messages, attributes, the dsp chain and perform blocks, the console
// and the main queue.
#include "HostState.h"
#include "tessel/host/SharedLibrary.h"
#include "tessel/host/Utf8Path.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tessel::host
{

namespace
{

std::atomic<bool> gRuntimeExists{false};

tessel_class* findBoxClass(std::string_view className)
{
    auto& state = hostState();
    const std::lock_guard lock(state.registryMutex);
    auto it = state.boxClasses.find(std::string(className));
    return it == state.boxClasses.end() ? nullptr : it->second;
}

tessel_attribute* findAttributeOf(const Instance* instance, std::string_view name)
{
    const std::lock_guard lock(hostState().registryMutex);
    return instance->cls->findAttribute(gensym(std::string(name).c_str()));
}

bool overlaps(const double* a, const double* b, long frames)
{
    return a < b + frames && b < a + frames;
}

} // namespace

struct Runtime::Impl
{
    std::atomic<bool> serviceAfterEachBlock{false};
};

Runtime::Runtime() : mImpl(std::make_unique<Impl>())
{
    if (gRuntimeExists.exchange(true))
        throw std::logic_error("only one tessel::host::Runtime may exist at a time");
    auto& state = hostState();
    state.mainThread.store(std::this_thread::get_id());
    state.sampleRate.store(44100.0);
    state.blockSize.store(64);
    state.version.store(0x0900);
    state.hasSeed.store(false);
    state.seed.store(0);
    {
        const std::lock_guard lock(state.pathMutex);
        state.searchPath.clear();
    }
    clearConsole();
    {
        const std::lock_guard lock(state.consoleMutex);
        state.consoleEcho = false;
    }
}

Runtime::~Runtime()
{
    auto& state = hostState();
    for (;;)
    {
        void* block = nullptr;
        {
            const std::lock_guard lock(state.registryMutex);
            if (state.instances.empty())
                break;
            block = state.instances.begin()->first;
        }
        Instance* instance = findInstance(block);
        if (instance && instance->created)
            object_free(block);
        else
            releaseInstance(block);
    }
    {
        const std::lock_guard lock(state.queueMutex);
        for (auto& item : state.mainQueue)
            if (item.qelem)
                item.qelem->pending = false;
        state.mainQueue.clear();
    }
    gRuntimeExists.store(false);
}

void Runtime::setSampleRate(double hz)
{
    if (!(hz > 0.0))
        throw std::invalid_argument("sample rate must be positive");
    hostState().sampleRate.store(hz);
}

double Runtime::sampleRate() const
{
    return hostState().sampleRate.load();
}

void Runtime::setBlockSize(long samples)
{
    if (samples < 1)
        throw std::invalid_argument("block size must be at least 1");
    hostState().blockSize.store(samples);
}

long Runtime::blockSize() const
{
    return hostState().blockSize.load();
}

void Runtime::setHostVersion(long version)
{
    hostState().version.store(version);
}

long Runtime::hostVersion() const
{
    return hostState().version.load();
}

void Runtime::setRandomSeed(std::optional<std::uint32_t> seed)
{
    hostState().seed.store(seed.value_or(0));
    hostState().hasSeed.store(seed.has_value());
}

std::optional<std::uint32_t> Runtime::randomSeed() const
{
    if (!hostState().hasSeed.load())
        return std::nullopt;
    return hostState().seed.load();
}

void Runtime::addSearchFolder(const fs::path& folder)
{
    std::error_code error;
    fs::path absolute = fs::absolute(folder, error).lexically_normal();
    if (!absolute.has_filename()) // "folder/" names the same folder as "folder"
        absolute = absolute.parent_path();
    auto& state = hostState();
    const std::lock_guard lock(state.pathMutex);
    if (std::find(state.searchPath.begin(), state.searchPath.end(), absolute) ==
        state.searchPath.end())
        state.searchPath.push_back(absolute);
}

std::vector<fs::path> Runtime::searchFolders() const
{
    const std::lock_guard lock(hostState().pathMutex);
    return hostState().searchPath;
}

bool Runtime::loadModule(const fs::path& file)
{
    std::error_code error;
    const fs::path canonical = fs::canonical(file, error);
    if (error)
    {
        postConsole("could not find module file " + utf8FromPath(file), {}, true);
        return false;
    }
    addSearchFolder(canonical.parent_path());
    {
        const std::lock_guard lock(hostState().registryMutex);
        if (hostState().loadedModules.count(utf8FromPath(canonical)))
            return true;
    }
    // Modules are never unloaded: their classes stay registered for the life of the process.
    std::string reason;
    void* handle = openSharedLibrary(canonical, reason);
    if (!handle)
    {
        postConsole("could not load module " + utf8FromPath(canonical) + ": " + reason, {}, true);
        return false;
    }
    auto entry = reinterpret_cast<tessel_ext_main>(sharedLibrarySymbol(handle, "ext_main"));
    if (!entry)
    {
        postConsole("module " + utf8FromPath(canonical) + " has no ext_main", {}, true);
        closeSharedLibrary(handle);
        return false;
    }
    {
        const std::lock_guard lock(hostState().registryMutex);
        hostState().loadedModules.insert(utf8FromPath(canonical));
    }
    entry(nullptr);
    return true;
}

bool Runtime::isClassRegistered(std::string_view className) const
{
    return findBoxClass(className) != nullptr;
}

Instance* Runtime::createObject(std::string_view boxText)
{
    Values values = parseValues(boxText);
    if (values.empty() || !std::holds_alternative<std::string>(values.front()))
    {
        postConsole("no class name in box text \"" + std::string(boxText) + "\"", {}, true);
        return nullptr;
    }
    const std::string className = std::get<std::string>(values.front());
    values.erase(values.begin());

    tessel_class* cls = findBoxClass(className);
    if (!cls)
    {
        char name[TESSEL_PATH_MAX] = {};
        short folder = 0;
        tessel_fourcc type = 0;
        const tessel_fourcc moduleType = TESSEL_FILETYPE_MODULE;
        char file[TESSEL_PATH_MAX] = {};
        if (className.size() < sizeof name)
        {
            std::memcpy(name, className.c_str(), className.size());
            if (locatefile_extended(name, &folder, &type, &moduleType, 1) == 0 &&
                path_toabsolutesystempath(folder, name, file) == 0)
                loadModule(file);
        }
        cls = findBoxClass(className);
    }
    if (!cls)
    {
        postConsole("no class named \"" + className + "\"", {}, true);
        return nullptr;
    }

    std::vector<tessel_atom> atoms = toAtoms(values);
    std::vector<void*> blocks;
    void* x = nullptr;
    {
        CreationScope scope(blocks);
        try
        {
            x = cls->newMethod(gensym(className.c_str()), static_cast<long>(atoms.size()),
                               atoms.data());
        }
        catch (...)
        {
            x = nullptr;
        }
    }
    Instance* instance = x ? findInstance(x) : nullptr;
    if (!instance)
    {
        for (void* block : blocks)
            releaseInstance(block);
        postConsole("could not create object", className, true);
        return nullptr;
    }
    instance->created = true;
    return instance;
}

void Runtime::freeObject(Instance* instance)
{
    if (instance)
        object_free(instance->block);
}

std::string Runtime::className(const Instance* instance) const
{
    return instance ? instance->cls->name : std::string();
}

void* Runtime::hostObject(const Instance* instance) const
{
    return instance ? instance->block : nullptr;
}

long Runtime::signalInletCount(const Instance* instance) const
{
    return instance ? instance->signalInlets() : 0;
}

long Runtime::signalOutletCount(const Instance* instance) const
{
    if (!instance)
        return 0;
    const std::lock_guard lock(hostState().registryMutex);
    return instance->signalOutlets();
}

bool Runtime::sendMessage(Instance* instance, std::string_view selector, const Values& args,
                          long inlet)
{
    if (!instance)
        return false;
    const std::string name(selector);
    TesselMethodEntry entry{};
    bool found = false;
    {
        const std::lock_guard lock(hostState().registryMutex);
        auto lookup = [&](const char* text)
        {
            const TesselMethodEntry* candidate = instance->cls->findMethod(gensym(text));
            if (candidate && candidate->kind != TESSEL_METHOD_INTERNAL)
            {
                entry = *candidate;
                found = true;
            }
        };
        lookup(name.c_str());
        // A number reaches a class that only has the other number method.
        if (!found && name == "float")
            lookup("int");
        else if (!found && name == "int")
            lookup("float");
    }
    if (!found)
    {
        postConsole("doesn't understand \"" + name + "\"", instance->cls->name, true);
        return false;
    }
    std::vector<tessel_atom> atoms = toAtoms(args);
    const tessel_atom* first = atoms.empty() ? nullptr : atoms.data();
    void* x = instance->block;
    const InletScope scope(x, inlet);
    switch (entry.kind)
    {
    case TESSEL_METHOD_TYPED_LIST:
        reinterpret_cast<tessel_typed_method>(entry.method)(
            x, gensym(name.c_str()), static_cast<long>(atoms.size()), atoms.data());
        break;
    case TESSEL_METHOD_FLOAT:
        reinterpret_cast<tessel_float_method>(entry.method)(x, atom_getfloat(first));
        break;
    case TESSEL_METHOD_LONG:
        reinterpret_cast<tessel_long_method>(entry.method)(x, atom_getlong(first));
        break;
    default:
        return false;
    }
    return true;
}

std::vector<AttributeInfo> Runtime::attributes(std::string_view className) const
{
    std::vector<AttributeInfo> result;
    tessel_class* cls = findBoxClass(className);
    if (!cls)
        return result;
    const std::lock_guard lock(hostState().registryMutex);
    for (const auto& attr : cls->attributes)
    {
        AttributeInfo info;
        info.name = attr->name->name;
        info.type = attr->type->name;
        info.flags = attr->flags;
        for (const auto& metadatum : attr->metadata)
            info.metadata.emplace_back(
                metadatum.name,
                toValues(metadatum.values.data(), static_cast<long>(metadatum.values.size())));
        result.push_back(std::move(info));
    }
    return result;
}

std::optional<AttributeInfo> Runtime::attribute(std::string_view className,
                                                std::string_view name) const
{
    for (AttributeInfo& info : attributes(className))
        if (info.name == name)
            return std::move(info);
    return std::nullopt;
}

bool Runtime::setAttribute(Instance* instance, std::string_view name, const Values& value)
{
    if (!instance)
        return false;
    tessel_attribute* attr = findAttributeOf(instance, name);
    if (!attr)
    {
        postConsole("no attribute named \"" + std::string(name) + "\"", instance->cls->name, true);
        return false;
    }
    std::vector<tessel_atom> atoms = toAtoms(value);
    const InletScope scope(instance->block, 0);
    const tessel_err result = setAttributeValue(
        instance->block, attr, static_cast<long>(atoms.size()), atoms.data(), true);
    if (result == TESSEL_ERR_READ_ONLY)
        postConsole("attribute \"" + std::string(name) + "\" is read-only", instance->cls->name,
                    true);
    return result == TESSEL_ERR_NONE;
}

std::optional<Values> Runtime::getAttribute(Instance* instance, std::string_view name)
{
    if (!instance)
        return std::nullopt;
    tessel_attribute* attr = findAttributeOf(instance, name);
    if (!attr)
        return std::nullopt;
    std::vector<tessel_atom> atoms;
    if (getAttributeValue(instance->block, attr, atoms, true) != TESSEL_ERR_NONE)
        return std::nullopt;
    return toValues(atoms.data(), static_cast<long>(atoms.size()));
}

std::optional<std::string> Runtime::assist(Instance* instance, PortKind kind, long index)
{
    if (!instance)
        return std::nullopt;
    tessel_method method = object_method_direct_getmethod(instance->block, gensym("assist"));
    if (!method)
        return std::nullopt;
    char text[TESSEL_ASSIST_MAX + 1] = {};
    reinterpret_cast<tessel_assist_method>(method)(instance->block, nullptr,
                                                   static_cast<long>(kind), index, text);
    text[TESSEL_ASSIST_MAX] = '\0';
    if (text[0] == '\0')
        return std::nullopt;
    return std::string(text);
}

bool Runtime::buildDsp(Instance* instance, std::vector<short> connectionCounts)
{
    if (!instance || !instance->cls->dsp)
        return false;
    tessel_method method = object_method_direct_getmethod(instance->block, gensym("dsp64"));
    if (!method)
        return false;
    long inlets = 0;
    long outlets = 0;
    {
        const std::lock_guard lock(hostState().registryMutex);
        inlets = instance->signalInlets();
        outlets = instance->signalOutlets();
    }
    const auto ports = static_cast<std::size_t>(inlets + outlets);
    if (connectionCounts.empty())
        connectionCounts.assign(ports, 1);
    if (connectionCounts.size() != ports)
    {
        postConsole("dsp chain: expected " + std::to_string(ports) + " connection counts",
                    instance->cls->name, true);
        return false;
    }
    const long maxVector = blockSize();
    instance->perform.store(nullptr, std::memory_order_release);
    instance->maxVectorSize = maxVector;
    instance->performInlets = inlets;
    instance->performOutlets = outlets;
    instance->inputPointers.assign(static_cast<std::size_t>(inlets), nullptr);
    instance->outputPointers.assign(static_cast<std::size_t>(outlets), nullptr);
    instance->inputScratch.assign(static_cast<std::size_t>(inlets * maxVector), 0.0);
    reinterpret_cast<tessel_dsp64_method>(method)(
        instance->block, dspChainObject(), connectionCounts.data(), sampleRate(), maxVector, 0);
    return instance->perform.load(std::memory_order_acquire) != nullptr;
}

bool Runtime::process(Instance* instance, std::span<const double* const> inputs,
                      std::span<double* const> outputs, long frames) noexcept
{
    if (!instance || frames < 0)
        return false;
    const tessel_perform64_method perform = instance->perform.load(std::memory_order_acquire);
    if (!perform || static_cast<long>(inputs.size()) != instance->performInlets ||
        static_cast<long>(outputs.size()) != instance->performOutlets)
        return false;
    const long maxVector = instance->maxVectorSize;
    long done = 0;
    do
    {
        const long frameCount = std::min(maxVector, frames - done);
        for (std::size_t i = 0; i < inputs.size(); ++i)
        {
            const double* input = inputs[i] + done;
            bool shared = false;
            for (double* output : outputs)
                shared = shared || overlaps(input, output + done, frameCount);
            if (shared)
            {
                double* copy =
                    instance->inputScratch.data() + i * static_cast<std::size_t>(maxVector);
                std::copy(input, input + frameCount, copy);
                input = copy;
            }
            instance->inputPointers[i] = const_cast<double*>(input);
        }
        for (std::size_t o = 0; o < outputs.size(); ++o)
            instance->outputPointers[o] = outputs[o] + done;
        perform(instance->block, dspChainObject(), instance->inputPointers.data(),
                instance->performInlets, instance->outputPointers.data(), instance->performOutlets,
                frameCount, 0, instance->performUserParam);
        done += frameCount;
    } while (done < frames);

    if (mImpl->serviceAfterEachBlock.load(std::memory_order_relaxed) && systhread_ismainthread())
    {
        try
        {
            runMainQueue();
        }
        catch (...)
        {
        }
    }
    return true;
}

void Runtime::setServiceAfterEachBlock(bool on)
{
    mImpl->serviceAfterEachBlock.store(on);
}

std::size_t Runtime::serviceMainQueue()
{
    if (!systhread_ismainthread())
        return 0;
    return runMainQueue();
}

std::size_t Runtime::pendingMainQueueItems() const
{
    const std::lock_guard lock(hostState().queueMutex);
    return hostState().mainQueue.size();
}

std::vector<ConsoleLine> Runtime::console() const
{
    const std::lock_guard lock(hostState().consoleMutex);
    return hostState().console;
}

void Runtime::clearConsole()
{
    const std::lock_guard lock(hostState().consoleMutex);
    hostState().console.clear();
}

void Runtime::setConsoleEcho(bool toStandardError)
{
    const std::lock_guard lock(hostState().consoleMutex);
    hostState().consoleEcho = toStandardError;
}

} // namespace tessel::host
