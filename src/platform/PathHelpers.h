#pragma once

#include "platform/PathParts.h"

#include <memory>
#include <optional>
#include <string>

namespace Basekit::internal
{
class OSInfoProxy;
} // namespace Basekit::internal

namespace Ostrel
{

class RegistryAPI;
class ShlObjAPI;

namespace internal
{
class PathHelpersImpl;
} // namespace internal

// Expands path macros of the form "$(Name)" in folder lists:
//   "$(OS.Platform)"            "win32", "x64" or "PlatformUnknown"
//   "$(App.Binary)"             file name and extension of the host executable
//   "$(App.Name)"               its file name without extension
//   "$(App.Folder)"             its drive and folder, ending with "\"
//   "$(App.Path)"               its full path
//   "$(VuzevaRevo.InstallDir)"  the framework's install folder from the registry
//   "$(FOLDERID_<name>)"        the Windows known folder of that name (Profile,
//                               Desktop, Documents, LocalAppDataLow, LocalAppData,
//                               RoamingAppData, ProgramData, ProgramFiles and
//                               ProgramFilesCommon with their X64 and X86 forms)
// Names are case-sensitive. A macro that is unknown or whose value cannot be
// found stays in the text as written, so that a later file search in that
// folder simply fails. Values are inserted as they are, never expanded again.
class PathHelpers
{
public:
    // Empty collaborators are replaced by default ones; without host parts
    // the parts of the current process's executable are used.
    explicit PathHelpers(std::shared_ptr<ShlObjAPI> shlObj = nullptr,
                         std::shared_ptr<Basekit::internal::OSInfoProxy> osInfo = nullptr,
                         std::shared_ptr<RegistryAPI> registry = nullptr,
                         std::optional<PathParts> hostParts = std::nullopt);
    virtual ~PathHelpers();

    // Replaces every macro in the text, left to right. Always true: a macro
    // that cannot be expanded is not an error here.
    virtual bool expand(std::wstring& path);

private:
    std::shared_ptr<internal::PathHelpersImpl> impl_;
};

} // namespace Ostrel
