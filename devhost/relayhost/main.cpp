// relayhost: the framework's host for development. It sets up a development
// installation (install folder and trusted libraries in the registry), loads
// ScreenRelay.dll by full path with the Windows loader, asks it for its
// version and module function table, and reports what it found.
//
//   relayhost [path\to\ScreenRelay.dll]
//
// Without an argument it loads ScreenRelay.dll from its own folder.

#include "DevelopmentInstallation.h"
#include "module/ModuleInterface.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace
{

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length == 0 || length >= MAX_PATH ? path : std::wstring(full, length);
}

template <typename Function>
Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void ReportEntry(const wchar_t* name, const void* entry)
{
    std::wprintf(L"  %-20ls %p\n", name, entry);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const RelayHost::DevelopmentInstallation installation = RelayHost::SetUpDevelopmentInstallation(OwnFolder());
    std::wprintf(L"install folder: %ls\n", installation.installFolder.c_str());
    for (const auto& trusted : installation.trustedFiles)
    {
        std::wprintf(L"trusted: %ls\n", trusted.c_str());
    }
    for (const auto& failure : installation.failures)
    {
        std::wprintf(L"set-up failed: %ls\n", failure.c_str());
    }

    const std::wstring path = FullPath(argc > 1 ? argv[1] : OwnFolder() + L"ScreenRelay.dll");
    std::wprintf(L"module: %ls\n", path.c_str());

    const Ostrel::UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, 0));
    const HMODULE module = library.get();
    if (module == nullptr)
    {
        std::wprintf(L"error: cannot load the module (error %lu)\n", GetLastError());
        return 1;
    }

    auto getVersionNum = Export<std::uint32_t (*)()>(module, "GetVersionNum");
    auto getVersionStr = Export<const char* (*)()>(module, "GetVersionStr");
    auto createObject = Export<const Ostrel::ModuleFunctionTable* (*)(std::uint32_t)>(module, "CreateObject");
    auto releaseObject = Export<void (*)(void*)>(module, "ReleaseObject");
    if (getVersionNum == nullptr || getVersionStr == nullptr || createObject == nullptr || releaseObject == nullptr)
    {
        std::wprintf(L"error: the module lacks one of CreateObject, ReleaseObject, GetVersionNum, GetVersionStr\n");
        return 1;
    }

    std::wprintf(L"version: %lu (%hs)\n", static_cast<unsigned long>(getVersionNum()), getVersionStr());

    const Ostrel::ModuleFunctionTable* table = createObject(Ostrel::kModuleVersionNumber);
    if (table == nullptr)
    {
        std::wprintf(L"error: CreateObject returned no module function table\n");
        return 1;
    }
    std::wprintf(L"module function table at %p:\n", static_cast<const void*>(table));
    ReportEntry(L"NewModule", reinterpret_cast<const void*>(table->NewModule));
    ReportEntry(L"DestroyModule", reinterpret_cast<const void*>(table->DestroyModule));
    ReportEntry(L"InitializeModule", reinterpret_cast<const void*>(table->InitializeModule));
    ReportEntry(L"StartModule", reinterpret_cast<const void*>(table->StartModule));
    ReportEntry(L"StopModule", reinterpret_cast<const void*>(table->StopModule));
    ReportEntry(L"UninitializeModule", reinterpret_cast<const void*>(table->UninitializeModule));
    ReportEntry(L"DirectMessage", reinterpret_cast<const void*>(table->DirectMessage));
    ReportEntry(L"InitializeModuleV2", reinterpret_cast<const void*>(table->InitializeModuleV2));

    Ostrel::ModuleHandle handle = nullptr;
    const Ostrel::ModuleStatus status = table->NewModule(&handle, L"ScreenRelay");
    std::wprintf(L"NewModule: %ls(%lu)\n", Ostrel::ModuleStatusName(status), static_cast<unsigned long>(status));
    if (status == Ostrel::MODULE_STATUS_SUCCESS)
    {
        table->DestroyModule(handle);
    }

    releaseObject(const_cast<Ostrel::ModuleFunctionTable*>(table));
    return 0;
}
