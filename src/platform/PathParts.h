#pragma once

#include <string>

namespace Ostrel
{

// Bits that select parts of a path for PathParts::join.
enum PathComponent : unsigned
{
    PATH_COMPONENT_DRIVE = 1,
    PATH_COMPONENT_FOLDER = 2,
    PATH_COMPONENT_FILE_NAME = 4,
    PATH_COMPONENT_EXTENSION = 8,
};

// A full file path split into its parts: drive ("C:"), folder with its
// closing backslash ("\Apps\"), file name ("Host") and extension (".exe").
struct PathParts
{
    std::wstring drive;
    std::wstring folder;
    std::wstring fileName;
    std::wstring extension;

    // The parts that the PathComponent bits select, in path order.
    std::wstring join(unsigned components) const;
};

// Splits a path as _wsplitpath_s does; every part is empty when it cannot.
PathParts splitPath(const std::wstring& path);

// The parts of the current process's executable, computed once per process.
// Every part is empty when the path could not be read in full.
const PathParts& hostApplicationPathParts();

} // namespace Ostrel
