#include "registry/ShlObjAPI.h"

namespace Basekit
{

HRESULT ShlObjAPI::SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, PWSTR* path)
{
    return ::SHGetKnownFolderPath(folderId, flags, token, path);
}

} // namespace Basekit
