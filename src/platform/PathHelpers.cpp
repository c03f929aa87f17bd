#include "platform/PathHelpers.h"

#include "platform/OSInfoProxy.h"
#include "platform/OnceOnly.h"
#include "platform/RegistryAPI.h"
#include "platform/ShlObjAPI.h"
#include "platform/UniqueHandles.h"

#include <objbase.h>
#include <knownfolders.h>

#include <functional>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace Ostrel
{
namespace internal
{

// The collaborators the macro values come from.
class PathHelpersImpl
{
public:
    PathHelpersImpl(std::shared_ptr<ShlObjAPI> shlObj, std::shared_ptr<Basekit::internal::OSInfoProxy> osInfo,
                    std::shared_ptr<RegistryAPI> registry, PathParts hostParts)
        : shlObj_(std::move(shlObj))
        , osInfo_(std::move(osInfo))
        , registry_(std::move(registry))
        , hostParts_(std::move(hostParts))
    {
    }

    // The value of a known macro, or the macro itself when it has none.
    std::wstring resolve(const std::wstring& macro) const;

    std::wstring platformName() const;
    std::wstring hostPath(unsigned components) const { return hostParts_.join(components); }
    std::wstring installFolder() const;
    std::wstring knownFolder(REFKNOWNFOLDERID folderId) const;

private:
    std::shared_ptr<ShlObjAPI> shlObj_;
    std::shared_ptr<Basekit::internal::OSInfoProxy> osInfo_;
    std::shared_ptr<RegistryAPI> registry_;
    PathParts hostParts_;
};

} // namespace internal

namespace
{

using internal::PathHelpersImpl;
using MacroValue = std::function<std::wstring(const PathHelpersImpl&)>;

constexpr wchar_t kFrameworkKey[] = L"SOFTWARE\\NORVANE\\RADADUV";
constexpr wchar_t kInstallDirValue[] = L"Install Dir";
constexpr wchar_t kInstallDir32Value[] = L"Install Dir32";

MacroValue HostPath(unsigned components)
{
    return [components](const PathHelpersImpl& impl)
    {
        return impl.hostPath(components);
    };
}

MacroValue KnownFolder(const KNOWNFOLDERID& folderId)
{
    return [folderId](const PathHelpersImpl& impl)
    {
        return impl.knownFolder(folderId);
    };
}

using MacroTableType = std::unordered_map<std::wstring, MacroValue>;

// Every macro the module knows, built once per process.
constinit LazyObject<const MacroTableType> g_macroTable;

const MacroTableType& MacroTable()
{
    return g_macroTable.Get(
        []
        {
            return MacroTableType{
                {L"$(OS.Platform)",
                 [](const PathHelpersImpl& impl)
                 {
                     return impl.platformName();
                 }},
                {L"$(App.Binary)", HostPath(PATH_COMPONENT_FILE_NAME | PATH_COMPONENT_EXTENSION)},
                {L"$(App.Name)", HostPath(PATH_COMPONENT_FILE_NAME)},
                {L"$(App.Folder)", HostPath(PATH_COMPONENT_DRIVE | PATH_COMPONENT_FOLDER)},
                {L"$(App.Path)", HostPath(PATH_COMPONENT_DRIVE | PATH_COMPONENT_FOLDER | PATH_COMPONENT_FILE_NAME |
                                          PATH_COMPONENT_EXTENSION)},
                {L"$(VuzevaRevo.InstallDir)",
                 [](const PathHelpersImpl& impl)
                 {
                     return impl.installFolder();
                 }},
                {L"$(FOLDERID_Profile)", KnownFolder(FOLDERID_Profile)},
                {L"$(FOLDERID_Desktop)", KnownFolder(FOLDERID_Desktop)},
                {L"$(FOLDERID_Documents)", KnownFolder(FOLDERID_Documents)},
                {L"$(FOLDERID_LocalAppDataLow)", KnownFolder(FOLDERID_LocalAppDataLow)},
                {L"$(FOLDERID_LocalAppData)", KnownFolder(FOLDERID_LocalAppData)},
                {L"$(FOLDERID_RoamingAppData)", KnownFolder(FOLDERID_RoamingAppData)},
                {L"$(FOLDERID_ProgramData)", KnownFolder(FOLDERID_ProgramData)},
                {L"$(FOLDERID_ProgramFiles)", KnownFolder(FOLDERID_ProgramFiles)},
                {L"$(FOLDERID_ProgramFilesX64)", KnownFolder(FOLDERID_ProgramFilesX64)},
                {L"$(FOLDERID_ProgramFilesX86)", KnownFolder(FOLDERID_ProgramFilesX86)},
                {L"$(FOLDERID_ProgramFilesCommon)", KnownFolder(FOLDERID_ProgramFilesCommon)},
                {L"$(FOLDERID_ProgramFilesCommonX64)", KnownFolder(FOLDERID_ProgramFilesCommonX64)},
                {L"$(FOLDERID_ProgramFilesCommonX86)", KnownFolder(FOLDERID_ProgramFilesCommonX86)},
            };
        });
}

// The next macro in text from position from on: "$(" then one or more
// characters other than "$", "(" and ")", then ")". Its start and length;
// npos when there is none. Scanned by hand rather than with std::regex, whose
// locale is set up through the threads library on first use and leaves that
// library's state for the calling thread behind when the DLL is unloaded.
std::pair<std::size_t, std::size_t> NextMacro(const std::wstring& text, std::size_t from)
{
    for (std::size_t start = text.find(L"$(", from); start != std::wstring::npos; start = text.find(L"$(", start + 1))
    {
        const std::size_t end = text.find_first_of(L"$()", start + 2);
        if (end != std::wstring::npos && end > start + 2 && text[end] == L')')
        {
            return {start, end + 1 - start};
        }
    }
    return {std::wstring::npos, 0};
}

} // namespace

namespace internal
{

std::wstring PathHelpersImpl::resolve(const std::wstring& macro) const
{
    const auto& table = MacroTable();
    const auto entry = table.find(macro);
    if (entry == table.end())
    {
        return macro;
    }
    std::wstring value = entry->second(*this);
    return value.empty() ? macro : value;
}

std::wstring PathHelpersImpl::platformName() const
{
    switch (osInfo_->getPlatform())
    {
        case Basekit::internal::OS_PLATFORM_WIN32:
            return L"win32";
        case Basekit::internal::OS_PLATFORM_X64:
            return L"x64";
        case Basekit::internal::OS_PLATFORM_UNKNOWN:
            return L"PlatformUnknown";
        default:
            return {};
    }
}

std::wstring PathHelpersImpl::installFolder() const
{
    const wchar_t* valueName = osInfo_->isWow64() ? kInstallDir32Value : kInstallDirValue;
    std::wstring folder;
    if (registry_->readString(kFrameworkKey, valueName, folder) != MODULE_STATUS_SUCCESS)
    {
        return {};
    }
    return folder;
}

std::wstring PathHelpersImpl::knownFolder(REFKNOWNFOLDERID folderId) const
{
    UniqueTaskString path;
    const HRESULT result = shlObj_->SHGetKnownFolderPath(folderId, 0, nullptr, path.put());
    return SUCCEEDED(result) && path ? std::wstring(path.get()) : std::wstring();
}

} // namespace internal

PathHelpers::PathHelpers(std::shared_ptr<ShlObjAPI> shlObj, std::shared_ptr<Basekit::internal::OSInfoProxy> osInfo,
                         std::shared_ptr<RegistryAPI> registry, std::optional<PathParts> hostParts)
    : impl_(std::make_shared<internal::PathHelpersImpl>(
          shlObj ? std::move(shlObj) : std::make_shared<ShlObjAPI>(),
          osInfo ? std::move(osInfo) : std::make_shared<Basekit::internal::OSInfoProxy>(),
          registry ? std::move(registry) : std::make_shared<RegistryAPI>(),
          hostParts ? std::move(*hostParts) : hostApplicationPathParts()))
{
}

PathHelpers::~PathHelpers() = default;

bool PathHelpers::expand(std::wstring& path)
{
    std::wstring result;
    std::size_t remaining = 0;
    for (auto [start, length] = NextMacro(path, 0); start != std::wstring::npos;
         std::tie(start, length) = NextMacro(path, remaining))
    {
        result.append(path, remaining, start - remaining);
        result += impl_->resolve(path.substr(start, length));
        remaining = start + length;
    }
    result.append(path, remaining);
    path = std::move(result);
    return true;
}

} // namespace Ostrel
