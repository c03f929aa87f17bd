#pragma once

#include <windows.h>
#include <shlobj.h>

namespace Basekit
{

// Facade over the shell's folder calls, one virtual operation per Windows
// call with its arguments and result unchanged. Tests derive from it to make
// a call fail.
class ShlObjAPI
{
public:
    virtual ~ShlObjAPI() = default;

    // The caller frees *path with CoTaskMemFree, also when the call fails.
    virtual HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, PWSTR* path);
};

} // namespace Basekit
