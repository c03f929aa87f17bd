#pragma once

#include <string>

namespace ScreenRelayTest
{

// A fresh, uniquely named folder under the user's temporary folder, removed
// with everything in it when the object goes away.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    // Path of a file or folder inside it.
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

} // namespace ScreenRelayTest
