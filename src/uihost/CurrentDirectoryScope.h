#pragma once

#include <string>

namespace Ostrel
{

// Makes a folder the process's current directory for the object's lifetime
// and restores the previous one afterwards. The current directory is
// process-wide: callers serialise the use among themselves.
class CurrentDirectoryScope
{
public:
    explicit CurrentDirectoryScope(const std::wstring& folder);
    ~CurrentDirectoryScope();
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    std::wstring previous_;
    bool changed_ = false;
};

// The folder of the process's executable, with its trailing backslash; empty
// when its path cannot be read.
std::wstring ExecutableFolder();

} // namespace Ostrel
