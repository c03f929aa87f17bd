#include "uihost/QvUtilBinding.h"

#include "platform/VerifiedFile.h"
#include "registry/ModuleFilePath.h"
#include "uihost/IsUserAdmin.h"
#include "uihost/QvUtilLocation.h"

#include <exception>
#include <mutex>
#include <string>
#include <vector>

namespace Ostrel
{

const std::array<const char*, QvUtilBinding::kFunctionCount> QvUtilBinding::kFunctionNames = {
    "QvModulePathFromCLSIDW",
    "QvModulePathFromCLSIDA",
    "QvLoadLibraryW",
    "QvLoadLibraryA",
    "QvCreateProcessW",
    "QvCreateProcessA",
    "QvCreateProcess2W",
    "QvCreateProcess2A",
    "QvIsNTAdmin",
    "QvDoesFileExistW",
    "QvDoesFileExistA",
    "QvGetProgramFilesPathW",
    "QvGetProgramFilesPathA",
    "QvRegDeleteKeyW",
    "QvRegDeleteKeyA",
    "QvDeleteFilesDeferedW",
    "QvDeleteFilesDeferedA",
    "QvDeleteDirectoryDeferedW",
    "QvDeleteDirectoryDeferedA",
    "QvCopyFilesW",
    "QvCopyFilesA",
    "QvCreateDirWithPermissions",
    "QvGetApplicationDataDirectory",
    "QvGetOSVersion",
    "QvGetOSVersion2",
    "QvGetVRTVersion",
    "QvShellExecute",
    "IsKXInstalled",
    "QvCreateTask",
    "QvDeleteTask",
    "QvEnableTask",
    "QvDisableTask",
    "QvIsFullScreen",
    "QvIsMetroMode",
    "QvBeginFSMonitor",
    "QvEndFSMonitor",
    "QvBeginMetroMonitor",
    "QvEndMetroMonitor",
    "LaunchUIHost",
    "IsUIHostRunning",
    "QvGetHardwareID",
    "QvGetWindowsID",
    "QvGetMachineID",
    "QvBeginBMMonitor",
    "QvEndBMMonitor",
    "QvIsIdleMode",
    "QvIsIdleMode2",
    "QvBeginCSMonitor",
    "QvEndCSMonitor",
    "IsCSModeOn",
    "IsCSModeOn2",
    "GetPlatformType",
    "GetCPUVendorID",
};

namespace
{

constexpr wchar_t kLibraryFileName[] = L"QvUtil.dll";
constexpr wchar_t kVersionFoldersName[] = L"qvutil";
constexpr DWORD kLongPathChars = 32768;
// ERROR_UNHANDLED_EXCEPTION, which the SDK headers here lack.
constexpr DWORD kUnhandledException = 574;

// The library's own imports come from its folder and the system folder only.
constexpr DWORD kLoadFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

// The folder of the process's executable, with its trailing backslash.
DWORD ExecutableFolder(std::wstring& folder)
{
    std::wstring path;
    const DWORD status = Basekit::GetModuleFilePath(nullptr, path);
    if (status != ERROR_SUCCESS)
    {
        return status;
    }
    folder = path.substr(0, path.rfind(L'\\') + 1);
    return ERROR_SUCCESS;
}

// The highest version folder under the common-files folder's "qvutil".
bool FindInstalledVersionFolder(std::wstring& versionFolder)
{
    std::vector<wchar_t> commonFiles(kLongPathChars);
    if (GetCommonFilesFolder(commonFiles.data(), kLongPathChars, true) != ERROR_SUCCESS)
    {
        return false;
    }
    return FindVersionFolder(std::wstring(commonFiles.data()) + kVersionFoldersName, versionFolder);
}

} // namespace

QvUtilBinding::QvUtilBinding() = default;

QvUtilBinding::~QvUtilBinding()
{
    library_.reset();
}

DWORD QvUtilBinding::Bind()
{
    const std::lock_guard guard(lock_);
    if (LoadFromFolder(nullptr) == ERROR_SUCCESS)
    {
        FillTable();
        return ERROR_SUCCESS;
    }
    std::wstring folder;
    if (ReadQvUtilInstallFolder(folder) && LoadFromFolder(folder.c_str()) == ERROR_SUCCESS)
    {
        FillTable();
        return ERROR_SUCCESS;
    }
    if (FindInstalledVersionFolder(folder) && LoadFromFolder(folder.c_str()) == ERROR_SUCCESS)
    {
        if (IsUserAdmin() == 1)
        {
            StoreQvUtilInstallFolder(folder);
        }
        FillTable();
        return ERROR_SUCCESS;
    }
    return ERROR_MOD_NOT_FOUND;
}

DWORD QvUtilBinding::LoadFromFolder(const wchar_t* folder)
{
    const std::lock_guard guard(lock_);
    try
    {
        std::wstring path;
        if (folder == nullptr || *folder == L'\0')
        {
            const DWORD status = ExecutableFolder(path);
            if (status != ERROR_SUCCESS)
            {
                return status;
            }
        }
        else
        {
            path = folder;
            if (path.back() != L'\\')
            {
                path.push_back(L'\\');
            }
        }
        path += kLibraryFileName;

        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        {
            return ERROR_FILE_NOT_FOUND;
        }
        HMODULE loaded = nullptr;
        if (GetModuleHandleExW(0, path.c_str(), &loaded))
        {
            library_.reset(loaded);
            return ERROR_SUCCESS;
        }
        VerifiedFile file;
        DWORD status = file.Open(path);
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
        UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, kLoadFlags));
        if (!library)
        {
            return GetLastError();
        }
        status = file.ConfirmModule(library.get());
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
        library_ = std::move(library);
        return ERROR_SUCCESS;
    }
    catch (const std::exception&)
    {
        return kUnhandledException;
    }
}

FARPROC QvUtilBinding::Function(std::size_t index) const
{
    return index < kFunctionCount ? functions_[index] : nullptr;
}

QvUtilBinding::QvIsNTAdminFunction QvUtilBinding::IsNTAdmin() const
{
    return reinterpret_cast<QvIsNTAdminFunction>(reinterpret_cast<void*>(functions_[kQvIsNTAdminIndex]));
}

void QvUtilBinding::FillTable()
{
    for (std::size_t i = 0; i < kFunctionCount; ++i)
    {
        functions_[i] = GetProcAddress(library_.get(), kFunctionNames[i]);
    }
}

} // namespace Ostrel
