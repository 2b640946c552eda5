// Delegate: a type-erased callable with inline storage for exactly one pointer.
// It never touches the heap and is trivially copyable, so it can sit in every partial
// group and be called on the audio thread. It binds a free function, or a member
// function together with the object it is called on.
#pragma once

#include <cassert>

namespace quendra::dravel::vantor
{

template <typename Signature>
class Delegate;

template <typename R, typename... Args>
class Delegate<R(Args...)>
{
public:
    Delegate() = default;

    // A free function R(Args...) given at compile time; nothing is stored.
    template <R (*Function)(Args...)>
    static Delegate fromFunction() noexcept
    {
        Delegate d;
        d.mpInvoke = [](void*, Args... args) -> R { return Function(args...); };
        return d;
    }

    // A member function of T, called on the object that the delegate stores a pointer to.
    template <typename T, R (T::*Method)(Args...)>
    static Delegate fromMethod(T* object) noexcept
    {
        Delegate d;
        d.mpObject = object;
        d.mpInvoke = [](void* o, Args... args) -> R
        { return (static_cast<T*>(o)->*Method)(args...); };
        return d;
    }

    explicit operator bool() const noexcept { return mpInvoke != nullptr; }

    R operator()(Args... args) const
    {
        assert(mpInvoke != nullptr);
        return mpInvoke(mpObject, args...);
    }

    // Two delegates are equal when they call the same code on the same object.
    friend bool operator==(const Delegate& a, const Delegate& b) noexcept
    {
        return a.mpInvoke == b.mpInvoke && a.mpObject == b.mpObject;
    }

private:
    using Invoker = R (*)(void*, Args...);

    void* mpObject = nullptr;
    Invoker mpInvoke = nullptr;
};

} // namespace quendra::dravel::vantor
