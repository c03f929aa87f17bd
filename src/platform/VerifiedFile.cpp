#include "platform/VerifiedFile.h"

#include "logging/Log.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"

#include <utility>
#include <vector>

LOG_SOURCE_FILE(L"VerifiedFile.cpp");

namespace Ostrel
{

namespace
{

DWORD FileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION& identity)
{
    return GetFileInformationByHandle(file, &identity) ? ERROR_SUCCESS : GetLastError();
}

// The full path a module was mapped from, however long.
DWORD ModulePath(HMODULE module, std::wstring& path)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
        {
            return GetLastError();
        }
        if (length < buffer.size())
        {
            path.assign(buffer.data(), length);
            return ERROR_SUCCESS;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

DWORD VerifiedFile::Open(const std::wstring& fullPath)
{
    if (IsHeld())
    {
        return ERROR_ALREADY_INITIALIZED;
    }
    TrustFile file;
    const DWORD status = DecideFileTrust(fullPath, file);
    if (status != ERROR_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::VerifiedFile::Open", L"File %ls is not trusted. Error 0x%08lX.", fullPath.c_str(), status);
        return status;
    }
    file_ = std::move(file);
    path_ = fullPath;
    return ERROR_SUCCESS;
}

DWORD VerifiedFile::ConfirmSameFile(const std::wstring& path) const
{
    BY_HANDLE_FILE_INFORMATION held{};
    DWORD error = FileIdentity(file_.Handle(), held);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    // Attributes only: this open neither needs nor disturbs the held sharing.
    const UniqueFileHandle other(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!other)
    {
        return GetLastError();
    }
    BY_HANDLE_FILE_INFORMATION found{};
    error = FileIdentity(other.get(), found);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    const bool same = held.dwVolumeSerialNumber == found.dwVolumeSerialNumber &&
                      held.nFileIndexHigh == found.nFileIndexHigh && held.nFileIndexLow == found.nFileIndexLow;
    return same ? ERROR_SUCCESS : static_cast<DWORD>(TRUST_E_NOSIGNATURE);
}

DWORD VerifiedFile::ConfirmModule(HMODULE module) const
{
    std::wstring modulePath;
    DWORD status = ModulePath(module, modulePath);
    if (status == ERROR_SUCCESS)
    {
        status = ConfirmSameFile(modulePath);
    }
    if (status != ERROR_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::VerifiedFile::ConfirmModule", L"Module %ls is not the verified file %ls. Error 0x%08lX.",
                  modulePath.c_str(), path_.c_str(), status);
    }
    return status;
}

} // namespace Ostrel
