#include "platform/dll/DllLoader.h"

#include "logging/Log.h"
#include "module/ExceptionBarrier.h"
#include "platform/wrappers/DllAPI.h"

LOG_SOURCE_FILE(L"dll\\DllLoader.cpp")

namespace Ostrel
{

DllLoader::DllLoader(std::shared_ptr<DllAPI> dllApi)
    : dllApi_(dllApi ? std::move(dllApi) : std::make_shared<DllAPI>())
{
}

bool DllLoader::loadDLL(const std::wstring& path, HMODULE* module)
{
    if (module == nullptr)
    {
        LOG_WARNING(L"Ostrel::DllLoader::loadDLL", L"Invalid pHandle specified. Exiting.");
        return false;
    }
    if (dllApi_->getModuleHandleEx(0, path.c_str(), module))
    {
        return true;
    }
    const ModuleStatus status = ExceptionBarrier(
        [&]() { return dllApi_->loadLibrary(path, *module) ? MODULE_STATUS_SUCCESS : MODULE_STATUS_UNSUCCESSFUL; });
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::DllLoader::loadDLL", L"Failed to load library. Error code: %ls(%lu).",
                  ModuleStatusName(status), static_cast<unsigned long>(status));
        return false;
    }
    return true;
}

FARPROC DllLoader::getProcAddress(HMODULE module, const char* name)
{
    FARPROC address = nullptr;
    const ModuleStatus status = ExceptionBarrier(
        [&]()
        {
            address = dllApi_->getProcAddress(module, name);
            return address != nullptr ? MODULE_STATUS_SUCCESS : MODULE_STATUS_INVALID_HANDLE;
        });
    if (status != MODULE_STATUS_SUCCESS)
    {
        LOG_WARNING(L"Ostrel::DllLoader::getProcAddress",
                    L"getProcAddress was unsuccessful in finding the handle's address");
        return nullptr;
    }
    return address;
}

bool DllLoader::freeDLL(HMODULE module)
{
    return dllApi_->freeLibrary(module);
}

} // namespace Ostrel
