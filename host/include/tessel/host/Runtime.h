// Runtime.h - the C++ face of our headless Tessel host, for tests and command-line tools:
// settings (sample rate, block size, host version, random seed), the search path, loading
// module files, creating objects from box text, messages, attributes and their metadata, the
// dsp chain and perform blocks of 64-bit float audio, the console and the main queue.
//
// Host state is process-wide: there is one host per process, and at most one Runtime object
// may exist at a time (a second one throws std::logic_error). The thread that constructs the
// Runtime is the host's main thread. Modules stay loaded and their classes stay registered for
// the life of the process, across Runtime objects; settings, search path, console, main queue
// and instances belong to the Runtime object and end with it.
//
// Threads: every call may be made from the main thread; setAttribute, getAttribute and
// sendMessage may also be made from other threads (playing the host's scheduler thread), and
// process from one audio thread per instance. Everything else allocates freely; process does
// not allocate or lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tessel::host
{

// One atom value as seen from C++: integer, float or symbol text.
using Value = std::variant<std::int64_t, double, std::string>;
using Values = std::vector<Value>;

// Text of a value / of values joined by single blanks (floats in shortest round-trip form;
// symbols containing blanks are double-quoted).
std::string toText(const Value& value);
std::string toText(const Values& values);

// Splits box text into values: integers, floats, symbols; a "double-quoted" run is one symbol.
Values parseValues(std::string_view text);

// One line posted on the host console.
struct ConsoleLine
{
    std::string text;      // the formatted message, without line end
    std::string className; // class of the object that posted it, "" when none
    bool fromHost = false; // posted by the host itself (e.g. unknown selector)
};

// What a class registered for one attribute.
struct AttributeInfo
{
    std::string name;
    std::string type; // "float64", "long", "symbol", ...
    long flags = 0;   // TESSEL_ATTR_* flags
    // Metadata ("label", "style", "default", "category", "order", "min", "max", "enumvals",
    // ...) in order of first registration.
    std::vector<std::pair<std::string, Values>> metadata;

    const Values* find(std::string_view key) const; // nullptr when not registered
    // The values joined by single blanks, symbols unquoted ("Post gain"); "" when missing.
    std::string text(std::string_view key) const;
    std::optional<double> number(std::string_view key) const; // first value as a number
};

enum class PortKind
{
    Inlet = 1,
    Outlet = 2
};

// An instance made by createObject; owned by the Runtime until freeObject.
class Instance;

class Runtime
{
public:
    Runtime();
    ~Runtime(); // frees the instances still alive
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Settings read by the modules through sys_getsr, sys_getblksize, tesselversion and
    // sys_getrandomseed. Defaults: 44100 Hz, 64 samples, version 0x0900, no fixed seed.
    void setSampleRate(double hz);
    double sampleRate() const;
    void setBlockSize(long samples);
    long blockSize() const;
    void setHostVersion(long version);
    long hostVersion() const;
    void setRandomSeed(std::optional<std::uint32_t> seed);
    std::optional<std::uint32_t> randomSeed() const;

    // Search path: folders searched in order by locatefile_extended (not recursively).
    void addSearchFolder(const std::filesystem::path& folder);
    std::vector<std::filesystem::path> searchFolders() const;

    // Loads a module file and calls its ext_main, once per file for the life of the process
    // (a second call for the same file only returns true). Adds the module's folder to the
    // search path. Returns false, with a console line, when it cannot be loaded.
    bool loadModule(const std::filesystem::path& file);
    bool isClassRegistered(std::string_view className) const;

    // Creates an object from box text: the class name followed by creation arguments, e.g.
    // "quendra.device.sorvell~ @harmonics 64 @decay 2". A class that is not registered yet is
    // looked up as a module file of that name on the search path and loaded. Returns nullptr
    // when the object could not be made; the reasons are on the console.
    Instance* createObject(std::string_view boxText);
    void freeObject(Instance* instance); // main thread; nullptr is ignored

    std::string className(const Instance* instance) const;
    void* hostObject(const Instance* instance) const; // the block the module works on
    long signalInletCount(const Instance* instance) const;
    long signalOutletCount(const Instance* instance) const;

    // Sends a message to an inlet, as a patch would. Typed-list methods get the selector and
    // all values; "float"/"int" style methods get the first value converted (a number sent to
    // a class that has only the other of the two is converted). Internal methods cannot be
    // sent. An unknown selector is posted on the console by the host and returns false.
    bool sendMessage(Instance* instance, std::string_view selector, const Values& args = {},
                     long inlet = 0);

    // Attributes of a registered class, in registration order (empty for an unknown class).
    std::vector<AttributeInfo> attributes(std::string_view className) const;
    std::optional<AttributeInfo> attribute(std::string_view className, std::string_view name) const;

    // Sets an attribute as the patch or inspector would (through the host's attribute
    // bookkeeping and the class's setter). Unknown or user-read-only attributes are posted on
    // the console and return false.
    bool setAttribute(Instance* instance, std::string_view name, const Values& value);
    std::optional<Values> getAttribute(Instance* instance, std::string_view name);

    // Help text of a port from the class's "assist" hook; nullopt when the class has no hook
    // or left the text untouched (for example an index out of range).
    std::optional<std::string> assist(Instance* instance, PortKind kind, long index);

    // Builds the dsp chain for one instance: sends "dsp64" with the connection counts (signal
    // inlets first, then signal outlets; empty means every port connected), sampleRate() and
    // blockSize(). Returns true when the object registered a perform routine.
    bool buildDsp(Instance* instance, std::vector<short> connectionCounts = {});

    // Runs `frames` samples through the registered perform routine: one input array per
    // signal inlet, one output array per signal outlet. Blocks longer than the block size
    // given to buildDsp are cut into blocks of that size; inputs that share memory with an
    // output are copied first, so the object always sees distinct vectors. Returns false (and
    // writes nothing) without a perform routine or with the wrong channel counts. Lock-free
    // and allocation-free, except that it services the main queue afterwards when
    // setServiceAfterEachBlock(true) was called and this is the main thread.
    bool process(Instance* instance, std::span<const double* const> inputs,
                 std::span<double* const> outputs, long frames) noexcept;
    void setServiceAfterEachBlock(bool on);

    // Runs the deferred calls and queue elements pending for the main thread, in the order
    // they were queued, including those queued while servicing. Main thread only. Returns
    // how many ran.
    std::size_t serviceMainQueue();
    std::size_t pendingMainQueueItems() const;

    // Console lines posted since the last clear (object_error and the host's own reports).
    std::vector<ConsoleLine> console() const;
    void clearConsole();
    void setConsoleEcho(bool toStandardError); // also print every line to stderr

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace tessel::host
