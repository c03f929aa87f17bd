#include "support/TempFolder.h"

#include "support/TestFiles.h"

#include <windows.h>
#include <objbase.h>

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
    DeleteFolderTree(path_);
}

} // namespace ScreenRelayTest
