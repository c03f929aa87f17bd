#include "platform/dll/SharedLibrary.h"

#include "logging/Log.h"
#include "module/ExceptionBarrier.h"
#include "platform/ModuleException.h"
#include "platform/PathHelpers.h"
#include "platform/PathSearch.h"
#include "platform/dll/DllLoader.h"
#include "registry/CRegKey.h"
#include "registry/FileVersionInfo.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <type_traits>

LOG_SOURCE_FILE(L"dll\\SharedLibrary.cpp")

namespace Ostrel
{

namespace
{

// The framework's own libraries are never refused.
constexpr std::array<const wchar_t*, 4> kBlockListExempt = {
    L"systemmonitor.dll",
    L"settingsmanager.dll",
    L"modulemanager.dll",
    L"messagebus.dll",
};

constexpr wchar_t kBlockListKeyPrefix[] = L"SOFTWARE\\Norvane\\RadAduv\\List\\";

std::wstring ToLower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

} // namespace

SharedLibrary::SharedLibrary(const LibraryDescriptor& descriptor, std::shared_ptr<DllLoader> loader,
                             std::shared_ptr<PathSearch> pathSearch, std::shared_ptr<PathHelpers> pathHelpers,
                             std::shared_ptr<Basekit::CRegKey> blockListKey,
                             std::shared_ptr<Basekit::FileVersionInfo> versionInfo)
    : fileName_(descriptor.fileName)
    , searchFolders_(descriptor.searchFolders)
    , loader_(loader ? std::move(loader) : std::make_shared<DllLoader>())
    , pathHelpers_(pathHelpers ? std::move(pathHelpers) : std::make_shared<PathHelpers>())
    , pathSearch_(pathSearch ? std::move(pathSearch) : std::make_shared<PathSearch>())
    , blockListKey_(std::move(blockListKey))
    , versionInfo_(std::move(versionInfo))
{
    if (loadLibrary() != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::SharedLibrary::SharedLibrary", L"Failed to load library: %ls. Throwing ModuleException.",
                  fileName_.c_str());
        throw ModuleException("Failed to load library");
    }
    if (importFunctions() != MODULE_STATUS_SUCCESS)
    {
        LOG_ERROR(L"Ostrel::SharedLibrary::SharedLibrary",
                  L"Failed to import functions from library: %ls. Throwing ModuleException.", fileName_.c_str());
        unloadLibrary();
        throw ModuleException("Failed to import functions from library");
    }
}

SharedLibrary::~SharedLibrary()
{
    unloadLibrary();
}

const SharedLibraryFunctions* SharedLibrary::getFunctions() const
{
    return &functions_;
}

ModuleStatus SharedLibrary::loadLibrary()
{
    for (std::wstring& folder : searchFolders_)
    {
        if (!pathHelpers_->expand(folder))
        {
            LOG_ERROR(L"Ostrel::SharedLibrary::loadLibrary", L"Failed to resolve file path, %ls, for library: %ls.",
                      folder.c_str(), fileName_.c_str());
            return MODULE_STATUS_NOT_FOUND;
        }
    }

    pathSearch_->addSearchPaths(searchFolders_);
    std::wstring folder;
    if (!pathSearch_->findFilePath(fileName_, folder))
    {
        LOG_ERROR(L"Ostrel::SharedLibrary::loadLibrary", L"Failed to find valid path for library: %ls.",
                  fileName_.c_str());
        return MODULE_STATUS_NOT_FOUND;
    }

    LOG_NORMAL(L"Ostrel::SharedLibrary::loadLibrary", L"Loading %ls from %ls.", fileName_.c_str(), folder.c_str());
    const std::wstring fullPath = folder + L"\\" + fileName_;

    if (isBlocked(folder))
    {
        LOG_INFORMATION(L"Ostrel::SharedLibrary::loadLibrary", L"Blocked library: %ls.", fullPath.c_str());
        return MODULE_STATUS_NOT_SUPPORTED;
    }

    if (!loader_->loadDLL(fullPath, &moduleHandle_))
    {
        LOG_ERROR(L"Ostrel::SharedLibrary::loadLibrary", L"Failed to load library: %ls.", fullPath.c_str());
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    return MODULE_STATUS_SUCCESS;
}

// A library is refused when the machine's block list has a key for its
// lower-cased file name holding a value named after the file's version with
// that same version as data. Anything missing along the way lets it through.
bool SharedLibrary::isBlocked(const std::wstring& folder) const
{
    if (folder.empty() || fileName_.empty())
    {
        return false;
    }
    const std::wstring lowerName = ToLower(fileName_);
    for (const wchar_t* exempt : kBlockListExempt)
    {
        if (lowerName == exempt)
        {
            return false;
        }
    }

    Basekit::FileVersionInfo localVersionInfo;
    Basekit::FileVersionInfo& versionInfo = versionInfo_ ? *versionInfo_ : localVersionInfo;
    if (!versionInfo.Load(folder + L"\\" + fileName_))
    {
        return false;
    }
    const std::wstring version = versionInfo.GetString(Basekit::kVersionFileVersion);

    Basekit::CRegKey localKey;
    Basekit::CRegKey& key = blockListKey_ ? *blockListKey_ : localKey;
    const std::wstring subkey = kBlockListKeyPrefix + lowerName;
    if (key.Open(HKEY_LOCAL_MACHINE, subkey.c_str(), KEY_READ) != ERROR_SUCCESS)
    {
        return false;
    }
    std::wstring listed;
    key.QueryStringValue(version.c_str(), listed);
    return listed == version;
}

ModuleStatus SharedLibrary::importFunctions()
{
    // Stops at the first missing entry point; the later slots stay null.
    const auto import = [this](const char* name, auto& slot)
    {
        const FARPROC address = loader_->getProcAddress(moduleHandle_, name);
        if (address == nullptr)
        {
            LOG_ERROR(L"Ostrel::SharedLibrary::importFunctions", L"Failed to load %hs function from library: %ls.",
                      name, fileName_.c_str());
            return false;
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(reinterpret_cast<void*>(address));
        return true;
    };
    const bool imported =
        import("CreateObject", functions_.CreateObject) && import("ReleaseObject", functions_.ReleaseObject) &&
        import("GetVersionStr", functions_.GetVersionStr) && import("GetVersionNum", functions_.GetVersionNum);
    return imported ? MODULE_STATUS_SUCCESS : MODULE_STATUS_NOT_FOUND;
}

ModuleStatus SharedLibrary::unloadLibrary()
{
    return ExceptionBarrier(
        [this]()
        {
            if (moduleHandle_ == nullptr)
            {
                return MODULE_STATUS_SUCCESS;
            }
            if (!loader_->freeDLL(moduleHandle_))
            {
                LOG_ERROR(L"Ostrel::SharedLibrary::unloadLibrary", L"Failed to free library: %ls.", fileName_.c_str());
                return MODULE_STATUS_UNSUCCESSFUL;
            }
            moduleHandle_ = nullptr;
            return MODULE_STATUS_SUCCESS;
        });
}

} // namespace Ostrel
