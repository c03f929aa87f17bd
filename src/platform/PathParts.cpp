#include "platform/PathParts.h"

#include "platform/OnceOnly.h"

#include <windows.h>

#include <cstdlib>

namespace Ostrel
{

namespace
{

constinit LazyObject<PathParts> g_hostApplicationPathParts;

} // namespace

std::wstring PathParts::join(unsigned components) const
{
    std::wstring path;
    if ((components & PATH_COMPONENT_DRIVE) != 0)
    {
        path += drive;
    }
    if ((components & PATH_COMPONENT_FOLDER) != 0)
    {
        path += folder;
    }
    if ((components & PATH_COMPONENT_FILE_NAME) != 0)
    {
        path += fileName;
    }
    if ((components & PATH_COMPONENT_EXTENSION) != 0)
    {
        path += extension;
    }
    return path;
}

PathParts splitPath(const std::wstring& path)
{
    // Every part gets room for a whole path, so that no legal path is refused
    // for a part longer than the runtime's customary limits.
    wchar_t drive[MAX_PATH] = {};
    wchar_t folder[MAX_PATH] = {};
    wchar_t fileName[MAX_PATH] = {};
    wchar_t extension[MAX_PATH] = {};
    if (_wsplitpath_s(path.c_str(), drive, MAX_PATH, folder, MAX_PATH, fileName, MAX_PATH, extension, MAX_PATH) != 0)
    {
        return {};
    }
    return {drive, folder, fileName, extension};
}

const PathParts& hostApplicationPathParts()
{
    return g_hostApplicationPathParts.Get(
        []
        {
            wchar_t path[MAX_PATH] = {};
            const DWORD chars = GetModuleFileNameW(nullptr, path, MAX_PATH);
            // A full buffer means the path was cut short: no parts rather than wrong ones.
            if (chars == 0 || chars >= MAX_PATH)
            {
                return PathParts{};
            }
            return splitPath(path);
        });
}

} // namespace Ostrel
