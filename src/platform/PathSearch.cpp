#include "platform/PathSearch.h"

#include "logging/Log.h"
#include "platform/PathAPI.h"
#include "platform/wrappers/DllAPI.h"

#include <utility>

LOG_SOURCE_FILE(L"PathSearch.cpp");

namespace Ostrel
{

PathSearch::PathSearch(std::shared_ptr<PathAPI> pathAPI, std::shared_ptr<DllAPI> dllAPI)
    : pathAPI_(pathAPI ? std::move(pathAPI) : std::make_shared<PathAPI>())
    , dllAPI_(dllAPI ? std::move(dllAPI) : std::make_shared<DllAPI>())
{
}

PathSearch::~PathSearch() = default;

std::vector<std::wstring> PathSearch::getSearchPaths() const
{
    return searchPaths_;
}

void PathSearch::addSearchPaths(const std::vector<std::wstring>& folders)
{
    searchPaths_.insert(searchPaths_.end(), folders.begin(), folders.end());
}

void PathSearch::addSearchPath(const wchar_t* folder)
{
    if (folder != nullptr)
    {
        searchPaths_.emplace_back(folder);
    }
}

void PathSearch::addSearchPath(const std::wstring& folder)
{
    searchPaths_.push_back(folder);
}

bool PathSearch::findFilePath(const std::wstring& fileName, std::wstring& folder)
{
    LOG_NORMAL(L"Ostrel::PathSearch::findFilePath", L"Entering findFilePath for file %ls", fileName.c_str());
    for (const auto& searchPath : searchPaths_)
    {
        // A folder that already ends with a backslash gives a doubled
        // separator, which the file system accepts.
        if (checkIfExists(searchPath + L"\\" + fileName))
        {
            folder = searchPath;
            if (!folder.empty() && folder.back() == L'\\')
            {
                folder.pop_back();
            }
            LOG_NORMAL(L"Ostrel::PathSearch::findFilePath", L"File found at path %ls. Returning success.",
                       folder.c_str());
            return true;
        }
    }
    LOG_WARNING(L"Ostrel::PathSearch::findFilePath", L"File not found.");
    return false;
}

bool PathSearch::checkIfExists(const std::wstring& path)
{
    LOG_NORMAL(L"Ostrel::PathSearch::checkIfExists", L"Entering checkIfExists for %ls", path.c_str());
    if (pathAPI_->fileExists(path))
    {
        LOG_NORMAL(L"Ostrel::PathSearch::checkIfExists", L"File exists");
        return true;
    }
    LOG_WARNING(L"Ostrel::PathSearch::checkIfExists", L"File does not exist.");
    return false;
}

} // namespace Ostrel
