#include "uihost/qvshortpath.h"

#include "logging/Log.h"

#include <cwchar>

LOG_SOURCE_FILE(L"qvshortpath.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kFunction[] = L"QvGetShortPathName";

} // namespace

DWORD QvGetShortPathName(const wchar_t* path, wchar_t* out, DWORD outChars)
{
    if (path == nullptr || out == nullptr)
    {
        return 0;
    }
    LOG_INFORMATION(kFunction, L"GetShortPathName %s", path);
    const std::size_t length = wcsnlen(path, outChars);
    if (outChars == 0 || length > outChars - 1)
    {
        LOG_ERROR(kFunction, L"GetShortPathName %s buffer %d is too small", path, static_cast<int>(outChars));
        return 0;
    }
    wmemcpy(out, path, length + 1);
    return static_cast<DWORD>(length);
}

} // namespace Ostrel
