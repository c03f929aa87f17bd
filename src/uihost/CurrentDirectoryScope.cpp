#include "uihost/CurrentDirectoryScope.h"

#include "registry/ModuleFilePath.h"

#include <windows.h>

namespace Ostrel
{

CurrentDirectoryScope::CurrentDirectoryScope(const std::wstring& folder)
{
    const DWORD chars = GetCurrentDirectoryW(0, nullptr);
    if (chars == 0)
    {
        return;
    }
    previous_.resize(chars);
    const DWORD written = GetCurrentDirectoryW(chars, previous_.data());
    if (written == 0 || written >= chars)
    {
        return;
    }
    previous_.resize(written);
    changed_ = SetCurrentDirectoryW(folder.c_str()) != FALSE;
}

CurrentDirectoryScope::~CurrentDirectoryScope()
{
    if (changed_)
    {
        SetCurrentDirectoryW(previous_.c_str());
    }
}

std::wstring ExecutableFolder()
{
    std::wstring path;
    if (Basekit::GetModuleFilePath(nullptr, path) != ERROR_SUCCESS)
    {
        return {};
    }
    return path.substr(0, path.rfind(L'\\') + 1);
}

} // namespace Ostrel
