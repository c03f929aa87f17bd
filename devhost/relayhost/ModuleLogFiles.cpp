#include "ModuleLogFiles.h"

#include "platform/UniqueHandles.h"

#include <shlobj.h>

namespace RelayHost
{

namespace
{

constexpr wchar_t kModuleBaseName[] = L"ScreenRelay";
constexpr wchar_t kByteOrderMark = 0xFEFF;

} // namespace

DWORD LogRootFolder(std::wstring& folder)
{
    Ostrel::UniqueTaskString data;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_ProgramData, KF_FLAG_CREATE, nullptr, data.put());
    if (FAILED(hr))
    {
        return static_cast<DWORD>(hr);
    }
    folder = std::wstring(data.get()) + L"\\Norvane\\QVLOGS\\";
    return ERROR_SUCCESS;
}

DWORD ModuleLogFolder(const std::wstring& group, std::wstring& folder)
{
    std::wstring root;
    const DWORD status = LogRootFolder(root);
    if (status == ERROR_SUCCESS)
    {
        folder = root + group + L"\\" + kModuleBaseName;
    }
    return status;
}

DWORD NewestLogFile(const std::wstring& folder, std::wstring& path)
{
    WIN32_FIND_DATAW found;
    const Ostrel::UniqueFindHandle search(
        FindFirstFileW((folder + L"\\" + kModuleBaseName + L"*.log").c_str(), &found));
    if (!search)
    {
        return GetLastError();
    }
    FILETIME newest{};
    do
    {
        if (CompareFileTime(&found.ftLastWriteTime, &newest) >= 0)
        {
            newest = found.ftLastWriteTime;
            path = folder + L"\\" + found.cFileName;
        }
    } while (FindNextFileW(search.get(), &found));
    return ERROR_SUCCESS;
}

DWORD ReadLogText(const std::wstring& path, std::wstring& text)
{
    const Ostrel::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        return GetLastError();
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
    {
        return GetLastError();
    }
    std::wstring content(static_cast<std::size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)), &read, nullptr))
    {
        return GetLastError();
    }
    content.resize(read / sizeof(wchar_t));
    text = !content.empty() && content.front() == kByteOrderMark ? content.substr(1) : content;
    return ERROR_SUCCESS;
}

} // namespace RelayHost
