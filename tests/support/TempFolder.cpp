#include "support/TempFolder.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <stdexcept>

namespace ScreenRelayTest
{

namespace
{

std::wstring UniqueName()
{
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t text[64];
    swprintf(text, 64, L"sr-%08lx%04x%04x%02x%02x", guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1]);
    return text;
}

} // namespace

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
    {
        throw std::runtime_error("GetTempPathW failed");
    }
    path_ = std::wstring(temp, length) + UniqueName();
    if (!CreateDirectoryW(path_.c_str(), nullptr))
    {
        throw std::runtime_error("CreateDirectoryW failed for the temporary folder");
    }
}

TempFolder::~TempFolder()
{
    // SHFileOperation wants a double-terminated list.
    std::wstring from = path_;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
}

} // namespace ScreenRelayTest
