#include "platform/wrappers/DllAPI.h"

#include "logging/Log.h"
#include "platform/TrustVerification.h"
#include "platform/VerifiedFile.h"

LOG_SOURCE_FILE(L"wrappers\\DllAPI.cpp")

namespace Ostrel
{

namespace
{

// The library's own imports come from its folder and the system folder only,
// never from the host's folder, the current folder or PATH.
constexpr DWORD kLoadFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

} // namespace

// The file is held from the trust decision until the loaded module has been
// confirmed to be that file; a module mapped from anything else is freed.
bool DllAPI::loadLibrary(const std::wstring& path, HMODULE& module)
{
    VerifiedFile file;
    DWORD error = file.Open(path);
    HMODULE loaded = nullptr;
    if (error == ERROR_SUCCESS)
    {
        loaded = loadLibraryEx(path.c_str(), kLoadFlags);
        error = loaded != nullptr ? file.ConfirmModule(loaded) : GetLastError();
    }
    if (error != ERROR_SUCCESS)
    {
        if (loaded != nullptr)
        {
            freeLibrary(loaded);
        }
        LOG_ERROR(L"Ostrel::DllAPI::loadLibrary", L"LoadLibrary Failed. GLE: %lu", error);
        SetLastError(error);
        return false;
    }
    module = loaded;
    return true;
}

HMODULE DllAPI::loadLibraryEx(const wchar_t* path, DWORD flags)
{
    return LoadLibraryExW(path, nullptr, flags);
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
