// Messages an object answers: a name (normalised: "integer" -> "int", "number" -> "float"), a
// help text, how the host passes arguments, and a handler. Thread policy 2 runs the handler on
// the calling thread; policy 0 runs it at once on the main thread and hands calls made
// elsewhere to the main thread (the host copies the arguments). Allocates; never on the audio
// thread.
#pragma once

#include "atoms.h"
#include "error.h"
#include "message_name.h"
#include "object_base.h"

#include <functional>
#include <string>

namespace brindle::korin
{

enum class message_kind
{
    typed_list,
    internal,
    single_float,
    single_long
};

class message_base
{
public:
    using handler = std::function<atoms(const atoms&, int inlet)>;

    message_base(object_base& owner, const std::string& name, handler function,
                 std::string description = {})
        : mOwner(owner), mName(normalise_message_name(name)), mDescription(std::move(description)),
          mHandler(std::move(function))
    {
        if (is_internal_message_name(mName))
        {
            mKind = message_kind::internal;
        }
        else if (mName == "float")
        {
            mKind = message_kind::single_float;
        }
        else if (mName == "int")
        {
            mKind = message_kind::single_long;
        }
        mOwner.add_message(*this, mName);
    }
    virtual ~message_base() = default;
    message_base(const message_base&) = delete;
    message_base& operator=(const message_base&) = delete;

    // inlet -1: unknown; it is resolved from the host when the object has two or more inlets.
    virtual atoms call(const atoms& args, int inlet = -1) = 0;

    // Runs a call that was handed to the main thread.
    virtual void run_queued(const atoms& args, int inlet) { run(args, inlet); }

    atoms operator()(const atoms& args = {}, int inlet = -1) { return call(args, inlet); }

    const std::string& name() const { return mName; }
    const std::string& description() const { return mDescription; }
    message_kind kind() const { return mKind; }
    bool is_internal() const { return mKind == message_kind::internal; }
    object_base& owner() const { return mOwner; }

protected:
    int resolve_inlet(int inlet) const
    {
        if (inlet >= 0)
        {
            return inlet;
        }
        void* host = mOwner.host_object();
        if (mOwner.inlets().size() >= 2 && host != nullptr)
        {
            return static_cast<int>(proxy_getinlet(host));
        }
        return 0;
    }

    atoms run(const atoms& args, int inlet) { return mHandler ? mHandler(args, inlet) : atoms{}; }

private:
    object_base& mOwner;
    std::string mName;
    std::string mDescription;
    message_kind mKind = message_kind::typed_list;
    handler mHandler;
};

template <int thread_policy>
class message;

// Runs on whatever thread calls it.
template <>
class message<2> : public message_base
{
public:
    using message_base::message_base;

    atoms call(const atoms& args, int inlet = -1) override
    {
        return run(args, resolve_inlet(inlet));
    }
};

// Runs on the main thread; calls from elsewhere are deferred (the inlet travels as a last
// atom, and the deferred run finds the message again by name).
template <>
class message<0> : public message_base
{
public:
    using message_base::message_base;

    atoms call(const atoms& args, int inlet = -1) override
    {
        const int resolved = resolve_inlet(inlet);
        void* host = owner().host_object();
        if (host == nullptr || systhread_ismainthread() != 0 || owner().is_no_deferral_class())
        {
            return run(args, resolved);
        }
        atoms queued = args;
        queued.push_back(make_atom(resolved));
        defer(host, &deferred_call, gensym(name().c_str()), static_cast<long>(queued.size()),
              queued.data());
        return {};
    }

private:
    static void deferred_call(void* host, tessel_symbol* selector, long argc, tessel_atom* argv)
    {
        auto* self = reinterpret_cast<object_base*>(static_cast<char*>(host) + host_header_size);
        if (self->host_object() != host || argc < 1 || selector == nullptr)
        {
            return;
        }
        message_base* target = self->find_message(selector->name);
        if (target == nullptr)
        {
            return;
        }
        const atoms args(argv, argv + argc - 1);
        target->run_queued(args, static_cast<int>(atom_getlong(&argv[argc - 1])));
    }
};

} // namespace brindle::korin
