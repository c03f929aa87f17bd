#include "registry/ModuleFilePath.h"

namespace Basekit
{

namespace
{

constexpr std::size_t kPathGrowth = 255;
// Longer than any path the system can hand out.
constexpr std::size_t kLongestPath = 32768;

} // namespace

DWORD GetModuleFilePath(HMODULE module, std::wstring& path)
{
    std::wstring buffer(kPathGrowth, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
        {
            path.clear();
            return GetLastError();
        }
        if (length < buffer.size())
        {
            buffer.resize(length);
            path = std::move(buffer);
            return ERROR_SUCCESS;
        }
        if (buffer.size() >= kLongestPath)
        {
            path.clear();
            return ERROR_INSUFFICIENT_BUFFER;
        }
        buffer.resize(buffer.size() + kPathGrowth);
    }
}

} // namespace Basekit
