#include "platform/wrappers/DllAPI.h"

#include "logging/Log.h"
#include "platform/TrustVerification.h"

LOG_SOURCE_FILE(L"wrappers\\DllAPI.cpp")

namespace Ostrel
{

bool DllAPI::loadLibrary(const std::wstring& path, HMODULE& module)
{
    HMODULE loaded = nullptr;
    const DWORD trust = VerifyFileTrust(path);
    if (trust != ERROR_SUCCESS)
    {
        SetLastError(trust);
    }
    else
    {
        loaded = LoadLibraryExW(path.c_str(), nullptr, 0);
    }
    if (loaded == nullptr)
    {
        const DWORD error = GetLastError();
        LOG_ERROR(L"Ostrel::DllAPI::loadLibrary", L"LoadLibrary Failed. GLE: %lu", error);
        SetLastError(error);
        return false;
    }
    module = loaded;
    return true;
}

FARPROC DllAPI::getProcAddress(HMODULE module, const char* name)
{
    return GetProcAddress(module, name);
}

bool DllAPI::verifyFile(const std::wstring& path)
{
    return VerifyFileTrust(path) == ERROR_SUCCESS;
}

bool DllAPI::freeLibrary(HMODULE module)
{
    return FreeLibrary(module) != FALSE;
}

bool DllAPI::getModuleHandleEx(DWORD flags, const wchar_t* name, HMODULE* module)
{
    return GetModuleHandleExW(flags, name, module) != FALSE;
}

} // namespace Ostrel
