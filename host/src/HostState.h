// HostState.h - the headless host's process-wide state behind the C API and the runtime:
// interned symbols, classes with their methods and attributes, live instances, settings,
// the console, the main queue and the path table. Internal to the host library.
//
// Locking: each table has its own mutex, held only while the table is read or changed; the
// host never calls back into a module while holding one. The perform path (Instance::perform
// and its buffers) is read without any lock. Everything here allocates.
#pragma once

#include "tessel/host/Runtime.h"
#include "tessel/tessel_audio.h"

#include <atomic>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// One metadatum of an attribute: name, display type and values.
struct TesselAttributeMetadatum
{
    std::string name;
    tessel_symbol* type = nullptr;
    std::vector<tessel_atom> values;
};

struct tessel_attribute
{
    tessel_symbol* name = nullptr;
    tessel_symbol* type = nullptr;
    long flags = 0;
    tessel_attr_getter getter = nullptr;
    tessel_attr_setter setter = nullptr;
    long offset = 0;
    bool hostStored = false; // value kept by the host per instance (time attributes)
    std::vector<TesselAttributeMetadatum> metadata;
};

struct TesselMethodEntry
{
    tessel_method method = nullptr;
    long kind = 0;
};

struct tessel_class
{
    std::string name;
    tessel_new_method newMethod = nullptr;
    tessel_free_method freeMethod = nullptr;
    std::size_t size = 0;
    std::unordered_map<tessel_symbol*, TesselMethodEntry> methods;
    std::vector<std::unique_ptr<tessel_attribute>> attributes; // registration order
    bool dsp = false;
    bool registered = false;

    const TesselMethodEntry* findMethod(tessel_symbol* name) const;
    tessel_attribute* findAttribute(tessel_symbol* name) const;
};

struct tessel_outlet
{
    std::string type;
    bool signal = false;
};

struct tessel_qelem
{
    void* object = nullptr;
    tessel_qelem_method method = nullptr;
    bool pending = false; // guarded by the main-queue mutex
};

namespace tessel::host
{

// Bookkeeping of one host object (the block made by object_alloc).
class Instance
{
public:
    tessel_class* cls = nullptr;
    void* block = nullptr;
    bool created = false;                                // the creation routine returned it
    std::vector<std::unique_ptr<tessel_outlet>> outlets; // left to right
    std::vector<void*> listeners;
    std::unordered_map<tessel_attribute*, std::vector<tessel_atom>> hostStoredValues;

    // Dsp chain: written by buildDsp and dsp_add64 on the main thread, read by process.
    std::atomic<tessel_perform64_method> perform{nullptr};
    void* performUserParam = nullptr;
    long maxVectorSize = 0;
    long performInlets = 0;
    long performOutlets = 0;
    std::vector<double*> inputPointers;
    std::vector<double*> outputPointers;
    std::vector<double> inputScratch; // performInlets x maxVectorSize

    long signalInlets() const;
    long signalOutlets() const;
};

// A deferred call or a queue element waiting for the main thread.
struct MainQueueItem
{
    tessel_qelem* qelem = nullptr; // set for a queue element
    void* object = nullptr;
    tessel_defer_method method = nullptr;
    tessel_symbol* selector = nullptr;
    std::vector<tessel_atom> args;
};

struct HostState
{
    // Settings (atomics: read from any thread, also by the audio thread).
    std::atomic<double> sampleRate{44100.0};
    std::atomic<long> blockSize{64};
    std::atomic<long> version{0x0900};
    std::atomic<bool> hasSeed{false};
    std::atomic<std::uint32_t> seed{0};
    std::atomic<std::thread::id> mainThread{std::this_thread::get_id()};

    // Classes and instances.
    mutable std::mutex registryMutex;
    std::vector<std::unique_ptr<tessel_class>> classes; // every class made, never freed
    std::unordered_map<std::string, tessel_class*> boxClasses;
    std::unordered_map<void*, std::unique_ptr<Instance>> instances; // by block
    std::set<std::string> loadedModules;

    // Search path and path ids (id = index + 1).
    mutable std::mutex pathMutex;
    std::vector<std::filesystem::path> searchPath;
    std::vector<std::string> folders;
    std::unordered_map<std::string, short> folderIds;

    // Console.
    mutable std::mutex consoleMutex;
    std::vector<ConsoleLine> console;
    bool consoleEcho = false;

    // Main queue.
    mutable std::mutex queueMutex;
    std::deque<MainQueueItem> mainQueue;
};

HostState& hostState();

// The instance record of a live host object, or nullptr when x is not one.
Instance* findInstance(void* x);
// Class name of a live host object, "" otherwise.
std::string classNameOf(void* x);

void postConsole(std::string text, std::string className, bool fromHost);

// Attribute access shared by the C API and the runtime. `userAccess` applies the user-opaque
// flags (patch and inspector access).
tessel_err setAttributeValue(void* x, tessel_attribute* attr, long argc, tessel_atom* argv,
                             bool userAccess);
tessel_err getAttributeValue(void* x, tessel_attribute* attr, std::vector<tessel_atom>& out,
                             bool userAccess);

// Value and atom conversions.
tessel_atom toAtom(const Value& value);
Value toValue(const tessel_atom& atom);
std::vector<tessel_atom> toAtoms(const Values& values);
Values toValues(const tessel_atom* atoms, long count);

// Runs the main queue until it is empty; returns how many items ran. Main thread.
std::size_t runMainQueue();

// Drops every pending main-queue item addressed to an object (it is being freed).
void dropMainQueueItemsFor(void* object);

// Releases the instance block and record (after the class's free routine ran).
void releaseInstance(void* block);

// While alive, object_alloc on this thread records the blocks it makes in `blocks`, so that
// the host can reclaim them when a creation routine fails.
class CreationScope
{
public:
    explicit CreationScope(std::vector<void*>& blocks);
    ~CreationScope();
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

private:
    std::vector<void*>* mPrevious;
};

// The host's dsp chain object and its methods ("dsp_add64").
void* dspChainObject();
tessel_method dspChainMethod(tessel_symbol* name);

// Per-thread record of the messages being delivered (for proxy_getinlet).
class InletScope
{
public:
    InletScope(void* object, long inlet);
    ~InletScope();
    InletScope(const InletScope&) = delete;
    InletScope& operator=(const InletScope&) = delete;

private:
    void* mPreviousObject;
    long mPreviousInlet;
};

} // namespace tessel::host
