#include "registry/SystemFileVersionInfo.h"

#include "platform/UniqueHandles.h"

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
        Ostrel::UniqueTaskString folder;
        if (SUCCEEDED(shlObj_->SHGetKnownFolderPath(FOLDERID_System, 0, nullptr, folder.put())) && folder)
        {
            systemFolder_ = folder.get();
        }
        systemFolder_ += L'\\';
    }
    return FileVersionInfo::Load(systemFolder_ + fileName);
}

} // namespace Basekit
