#pragma once

#include "module/ModuleStatus.h"
#include "platform/LibraryDescriptor.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Basekit
{
class CRegKey;
class FileVersionInfo;
} // namespace Basekit

namespace Ostrel
{

class DllLoader;
class PathHelpers;
class PathSearch;

// The four entry points every framework library exports, in this order.
struct SharedLibraryFunctions
{
    void* (*CreateObject)(std::uint32_t interfaceVersion);
    void (*ReleaseObject)(void* object);
    const char* (*GetVersionStr)();
    std::uint32_t (*GetVersionNum)();
};

// One of the framework's own libraries, found by name in a list of folders,
// checked against the machine's block list, loaded and bound to its four entry
// points. An object exists only in the loaded state: the constructor throws
// ModuleException when any step fails (after freeing what it loaded), and the
// destructor unloads the library.
class SharedLibrary
{
public:
    // Empty collaborators are replaced by default ones; an empty block-list key
    // or version reader means a fresh local one for the check.
    explicit SharedLibrary(const LibraryDescriptor& descriptor, std::shared_ptr<DllLoader> loader = nullptr,
                           std::shared_ptr<PathSearch> pathSearch = nullptr,
                           std::shared_ptr<PathHelpers> pathHelpers = nullptr,
                           std::shared_ptr<Basekit::CRegKey> blockListKey = nullptr,
                           std::shared_ptr<Basekit::FileVersionInfo> versionInfo = nullptr);
    virtual ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The imported entry points; valid while this object lives.
    virtual const SharedLibraryFunctions* getFunctions() const;

private:
    ModuleStatus loadLibrary();
    bool isBlocked(const std::wstring& folder) const;
    ModuleStatus importFunctions();
    ModuleStatus unloadLibrary();

    std::wstring fileName_;
    std::vector<std::wstring> searchFolders_;
    std::shared_ptr<DllLoader> loader_;
    std::shared_ptr<PathHelpers> pathHelpers_;
    std::shared_ptr<PathSearch> pathSearch_;
    std::shared_ptr<Basekit::CRegKey> blockListKey_;
    std::shared_ptr<Basekit::FileVersionInfo> versionInfo_;
    HMODULE moduleHandle_ = nullptr;
    SharedLibraryFunctions functions_{};
};

} // namespace Ostrel
