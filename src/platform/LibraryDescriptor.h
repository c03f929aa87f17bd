#pragma once

#include <string>
#include <vector>

namespace Ostrel
{

// Where to find one of the framework's libraries: its file name and the
// folders to look in, in order. Folders may hold path macros such as
// "$(App.Folder)".
struct LibraryDescriptor
{
    std::wstring fileName;
    std::vector<std::wstring> searchFolders;
};

} // namespace Ostrel
