#include "uihost/ComInitScope.h"

#include <objbase.h>

#include <utility>

namespace Ostrel
{

ComInitScope::~ComInitScope()
{
    leave();
    if (onExit_)
    {
        const auto onExit = std::exchange(onExit_, nullptr);
        onExit();
    }
}

HRESULT ComInitScope::enter(DWORD apartmentFlags)
{
    if (!initialized_)
    {
        hr_ = CoInitializeEx(nullptr, apartmentFlags);
        initialized_ = SUCCEEDED(hr_);
    }
    return hr_;
}

void ComInitScope::leave()
{
    if (initialized_)
    {
        initialized_ = false;
        CoUninitialize();
        hr_ = S_OK;
    }
}

} // namespace Ostrel
