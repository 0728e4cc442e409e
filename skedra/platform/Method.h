#pragma once
// Handlers bound to an object. A TMethod made with MakeMethod<&T::F>(obj) holds
// the object and a thunk instantiated once per member function, so two such
// handlers compare equal exactly when both the code and the object are the
// same; deferred calls and their withdrawal rely on that. A TMethod may also
// hold a plain callable for application convenience; it equals only itself
// (and its copies). An empty handler is skipped: calling it does nothing and
// answers a value-initialised result.

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace skedra
{

template <class Sig> class TMethod;

template <class R, class... Args> class TMethod<R(Args...)>
{
public:
    using Thunk = R (*)(void*, Args...);

    TMethod() = default;
    TMethod(std::nullptr_t) {}

    // Any plain callable (lambda, free function, std::function).
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TMethod> &&
                                                !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
                                                std::is_invocable_r_v<R, F&, Args...>>>
    TMethod(F&& f) : FFunction(std::make_shared<std::function<R(Args...)>>(std::forward<F>(f)))
    {
    }

    static TMethod Bind(void* object, Thunk thunk)
    {
        TMethod m;
        m.FObject = object;
        m.FThunk = thunk;
        return m;
    }

    bool Assigned() const { return FThunk != nullptr || FFunction != nullptr; }
    explicit operator bool() const { return Assigned(); }

    R operator()(Args... args) const
    {
        if (FThunk) return FThunk(FObject, std::forward<Args>(args)...);
        if (FFunction) return (*FFunction)(std::forward<Args>(args)...);
        if constexpr (!std::is_void_v<R>) return R{};
    }

    // The bound object (null for plain callables and empty handlers).
    void* Data() const { return FObject; }
    Thunk Code() const { return FThunk; }

    void Clear() { *this = TMethod(); }

    friend bool operator==(const TMethod& a, const TMethod& b)
    {
        if (a.FThunk || b.FThunk) return a.FThunk == b.FThunk && a.FObject == b.FObject;
        return a.FFunction == b.FFunction;
    }

private:
    void* FObject = nullptr;
    Thunk FThunk = nullptr;
    std::shared_ptr<std::function<R(Args...)>> FFunction;
};

namespace detail
{

template <class> struct MemberTraits;
template <class C, class R, class... A> struct MemberTraits<R (C::*)(A...)> {
    using Sig = R(A...);
};
template <class C, class R, class... A> struct MemberTraits<R (C::*)(A...) const> {
    using Sig = R(A...);
};

// One instantiation per (member function, object type): its address is the
// handler's identity.
template <auto F, class T, class R, class... A> R MethodThunk(void* object, A... args)
{
    return (static_cast<T*>(object)->*F)(std::forward<A>(args)...);
}

template <auto F, class T, class R, class... A> TMethod<R(A...)> MakeMethodFor(T* object, R (*)(A...))
{
    return TMethod<R(A...)>::Bind(static_cast<void*>(object), &MethodThunk<F, T, R, A...>);
}

} // namespace detail

class TObject;
// The plain notification: "something happened to Sender".
using TNotifyEvent = TMethod<void(TObject* Sender)>;

// MakeMethod<&TMyClass::Handler>(this)
template <auto F, class T> auto MakeMethod(T* object)
{
    using Sig = typename detail::MemberTraits<decltype(F)>::Sig;
    return detail::MakeMethodFor<F, T>(object, static_cast<Sig*>(nullptr));
}

} // namespace skedra
