#include "platform/OSInfoProxy.h"

#include "registry/SystemFileVersionInfo.h"

#include <cwchar>
#include <optional>
#include <utility>

namespace Basekit::internal
{
namespace
{

struct MajorMinorVersion
{
    unsigned long major;
    unsigned long minor;
};

// The first two numbers of a version text such as "10.0.19041.1" (or
// "5, 1, 2600, 0"); none when the text does not start with two numbers.
std::optional<MajorMinorVersion> ParseMajorMinor(const std::wstring& text)
{
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    const unsigned long major = std::wcstoul(start, &end, 10);
    if (end == start || (*end != L'.' && *end != L','))
    {
        return std::nullopt;
    }
    start = end + 1;
    const unsigned long minor = std::wcstoul(start, &end, 10);
    if (end == start)
    {
        return std::nullopt;
    }
    return MajorMinorVersion{major, minor};
}

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

} // namespace

OSInfoProxy::OSInfoProxy(std::shared_ptr<WinOSVersionAPI> api, std::shared_ptr<FileVersionInfo> kernel32Version)
    : api_(api ? std::move(api) : std::make_shared<WinOSVersionAPI>())
    , kernel32Version_(kernel32Version ? std::move(kernel32Version) : std::make_shared<SystemFileVersionInfo>())
{
}

bool OSInfoProxy::isWow64() const
{
    const HMODULE kernel32 = api_->GetModuleHandleW(L"kernel32");
    if (kernel32 == nullptr)
    {
        return false;
    }
    const auto isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
        reinterpret_cast<void*>(api_->GetProcAddress(kernel32, "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

int OSInfoProxy::getPlatform() const
{
    platformOnce_.Run([this] { platform_ = computePlatform(); });
    return platform_;
}

int OSInfoProxy::computePlatform() const
{
    if (confirmsPlatformId(VER_PLATFORM_WIN32_WINDOWS))
    {
        return OS_PLATFORM_WIN32;
    }
    if (!confirmsPlatformId(VER_PLATFORM_WIN32_NT))
    {
        return OS_PLATFORM_UNKNOWN;
    }
    if (!kernel32Version_->Load(L"kernel32.dll"))
    {
        return OS_PLATFORM_UNKNOWN;
    }
    const auto version = ParseMajorMinor(kernel32Version_->GetString(kVersionProductVersion));
    if (!version)
    {
        return OS_PLATFORM_UNKNOWN;
    }
    const bool xpOrLater = version->major > 5 || (version->major == 5 && version->minor >= 1);
    return xpOrLater ? OS_PLATFORM_X64 : OS_PLATFORM_WIN32;
}

bool OSInfoProxy::confirmsPlatformId(DWORD platformId) const
{
    OSVERSIONINFOEXW versionInfo = {};
    versionInfo.dwOSVersionInfoSize = sizeof(versionInfo);
    versionInfo.dwPlatformId = platformId;
    const DWORDLONG condition = VerSetConditionMask(0, VER_PLATFORMID, VER_EQUAL);
    return api_->VerifyVersionInfoW(&versionInfo, VER_PLATFORMID, condition) != FALSE;
}

} // namespace Basekit::internal
