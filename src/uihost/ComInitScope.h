#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace Ostrel
{

// The COM apartment of one request, on the handler's stack. The apartment
// entered here is left when the scope ends, by a normal return or by an
// exception, and then the exit action runs (the handlers put the module's
// unload request there). The exit action must not throw.
class ComInitScope
{
public:
    ComInitScope() = default;
    ~ComInitScope();
    ComInitScope(const ComInitScope&) = delete;
    ComInitScope& operator=(const ComInitScope&) = delete;

    // Enters the apartment (CoInitializeEx with these flags; handlers pass
    // COINIT_MULTITHREADED) unless this scope already has; returns the
    // result of that call, or the stored one.
    HRESULT enter(DWORD apartmentFlags);
    // Leaves the apartment this scope entered, if any.
    void leave();

    void setOnExit(std::function<void()> onExit) { onExit_ = std::move(onExit); }

    // CoInitializeEx's result; E_UNEXPECTED before enter, 0 after leave.
    HRESULT result() const { return hr_; }
    bool initialized() const { return initialized_; }

private:
    HRESULT hr_ = E_UNEXPECTED;
    bool initialized_ = false;
    std::function<void()> onExit_;
};

} // namespace Ostrel
