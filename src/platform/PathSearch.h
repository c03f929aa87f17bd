#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Ostrel
{

class DllAPI;
class PathAPI;

// An ordered list of folders that answers which folder holds a file. The list
// only grows. Not locked: one thread at a time.
class PathSearch
{
public:
    // Empty collaborators are replaced by default ones; the list starts empty.
    explicit PathSearch(std::shared_ptr<PathAPI> pathAPI = nullptr, std::shared_ptr<DllAPI> dllAPI = nullptr);
    virtual ~PathSearch();

    virtual std::vector<std::wstring> getSearchPaths() const;
    // Appends the folders in their order.
    virtual void addSearchPaths(const std::vector<std::wstring>& folders);
    // Appends one folder; a null pointer adds nothing.
    virtual void addSearchPath(const wchar_t* folder);
    virtual void addSearchPath(const std::wstring& folder);

    // Finds the first folder in list order that holds the file (a folder of
    // that name does not count). On success, folder receives it without a
    // closing backslash; otherwise folder is untouched.
    virtual bool findFilePath(const std::wstring& fileName, std::wstring& folder);
    // True when the path names an existing file; a folder does not count.
    virtual bool checkIfExists(const std::wstring& path);

private:
    std::shared_ptr<PathAPI> pathAPI_;
    std::shared_ptr<DllAPI> dllAPI_;
    std::vector<std::wstring> searchPaths_;
};

} // namespace Ostrel
