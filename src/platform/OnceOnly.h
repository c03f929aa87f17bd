#pragma once

#include <windows.h>

#include <optional>
#include <utility>

namespace Ostrel
{

// Runs an initialisation once, on the Windows one-time initialisation rather
// than std::call_once. The threads library linked statically into our DLLs
// keeps state for every host thread that enters std::call_once and frees it
// only when that thread ends: with the DLL unloaded after each request, each
// request would leave a thread handle, an event and two semaphores behind.
//
// Callers that come while the initialisation runs wait for it. When it throws,
// the exception passes on and the next call runs it again.
class OnceOnly
{
public:
    template <typename Initialisation>
    void Run(Initialisation&& initialisation)
    {
        BOOL pending = FALSE;
        if (!InitOnceBeginInitialize(&once_, 0, &pending, nullptr) || !pending)
        {
            return;
        }
        try
        {
            initialisation();
        }
        catch (...)
        {
            InitOnceComplete(&once_, INIT_ONCE_INIT_FAILED, nullptr);
            throw;
        }
        InitOnceComplete(&once_, 0, nullptr);
    }

private:
    INIT_ONCE once_ = INIT_ONCE_STATIC_INIT;
};

// An object made on first use, through OnceOnly, where a function-local
// static would otherwise go: the compiler guards such a static with the same
// threads library, and its first use on a host thread leaves that thread's
// state behind each time the DLL is unloaded. Declare it constinit at
// namespace scope; the object is destroyed with the other static objects.
template <typename T>
class LazyObject
{
public:
    constexpr LazyObject() = default;
    LazyObject(const LazyObject&) = delete;
    LazyObject& operator=(const LazyObject&) = delete;

    // The object, default-constructed by the first call.
    T& Get()
    {
        once_.Run([this] { object_.emplace(); });
        return *object_;
    }

    // The object, made by the first call's make().
    template <typename Make>
    T& Get(Make&& make)
    {
        once_.Run([this, &make] { object_.emplace(std::forward<Make>(make)()); });
        return *object_;
    }

private:
    OnceOnly once_;
    std::optional<T> object_;
};

} // namespace Ostrel
