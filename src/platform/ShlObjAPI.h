#pragma once

#include <windows.h>
#include <shlobj.h>

namespace Ostrel
{

// Facade over the shell's folder calls: one virtual operation per Windows
// call, arguments and result unchanged, so that tests can stand in for it.
class ShlObjAPI
{
public:
    ShlObjAPI() = default;
    virtual ~ShlObjAPI() = default;
    ShlObjAPI(const ShlObjAPI&) = delete;
    ShlObjAPI& operator=(const ShlObjAPI&) = delete;

    // The caller frees *path with CoTaskMemFree, also when the call fails.
    virtual HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, PWSTR* path);
};

} // namespace Ostrel
