#include "registry/SystemFileVersionInfo.h"

#include <objbase.h>

#include <utility>

namespace Basekit
{

SystemFileVersionInfo::SystemFileVersionInfo(std::shared_ptr<ShlObjAPI> shlObj)
    : shlObj_(shlObj ? std::move(shlObj) : std::make_shared<ShlObjAPI>())
{
}

bool SystemFileVersionInfo::Load(const std::wstring& fileName)
{
    if (systemFolder_.empty())
    {
        PWSTR folder = nullptr;
        if (SUCCEEDED(shlObj_->SHGetKnownFolderPath(FOLDERID_System, 0, nullptr, &folder)) && folder != nullptr)
        {
            systemFolder_ = folder;
        }
        CoTaskMemFree(folder);
        systemFolder_ += L'\\';
    }
    return FileVersionInfo::Load(systemFolder_ + fileName);
}

} // namespace Basekit
