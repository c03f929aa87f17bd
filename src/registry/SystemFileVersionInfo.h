#pragma once

#include "registry/FileVersionInfo.h"
#include "registry/ShlObjAPI.h"

#include <memory>
#include <string>

namespace Basekit
{

// The version resource of a file in the Windows system folder.
class SystemFileVersionInfo : public FileVersionInfo
{
public:
    // A default provider is created when none is given.
    explicit SystemFileVersionInfo(std::shared_ptr<ShlObjAPI> shlObj = nullptr);

    // Loads the version resource of the named file in the system folder. The
    // folder is asked for once; when that fails, the file name is taken
    // relative to the root of the current drive.
    bool Load(const std::wstring& fileName) override;

private:
    std::shared_ptr<ShlObjAPI> shlObj_;
    std::wstring systemFolder_;
};

} // namespace Basekit
