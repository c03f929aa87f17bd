#include "platform/OSInfoProxy.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace Basekit::internal
{
namespace
{

// A system that confirms one platform family, or none, and whose kernel32
// (when there is one) exports the given IsWow64Process (or none).
class FakeWinOSVersionAPI : public WinOSVersionAPI
{
public:
    explicit FakeWinOSVersionAPI(DWORD family, bool hasKernel32 = true, FARPROC isWow64Process = nullptr)
        : family_(family)
        , hasKernel32_(hasKernel32)
        , isWow64Process_(isWow64Process)
    {
    }
    BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG) override
    {
        ++verifyCalls;
        return typeMask == VER_PLATFORMID && versionInfo->dwPlatformId == family_;
    }
    HMODULE GetModuleHandleW(LPCWSTR moduleName) override
    {
        return hasKernel32_ && std::wstring(moduleName) == L"kernel32" ? kKernel32 : nullptr;
    }
    FARPROC GetProcAddress(HMODULE module, LPCSTR procName) override
    {
        return module == kKernel32 && std::string(procName) == "IsWow64Process" ? isWow64Process_ : nullptr;
    }
    int verifyCalls = 0;

private:
    inline static const HMODULE kKernel32 = reinterpret_cast<HMODULE>(0x7000);
    DWORD family_;
    bool hasKernel32_;
    FARPROC isWow64Process_;
};

// Stand-ins for IsWow64Process: a 32-bit process on 64-bit Windows (only when
// asked about the calling process), a native process, a failing call.
BOOL WINAPI ReportsWow64(HANDLE process, PBOOL wow64)
{
    *wow64 = process == GetCurrentProcess();
    return TRUE;
}

BOOL WINAPI ReportsNative(HANDLE, PBOOL wow64)
{
    *wow64 = FALSE;
    return TRUE;
}

BOOL WINAPI FailsReportingWow64(HANDLE, PBOOL wow64)
{
    *wow64 = TRUE;
    return FALSE;
}

FARPROC AsProc(BOOL(WINAPI* function)(HANDLE, PBOOL))
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

// A kernel32 version resource with the given product version, or none.
class FakeVersionInfo : public FileVersionInfo
{
public:
    explicit FakeVersionInfo(std::optional<std::wstring> version)
        : version_(std::move(version))
    {
    }
    bool Load(const std::wstring& path) override { return path == L"kernel32.dll" && version_.has_value(); }
    std::wstring GetString(const std::wstring& name) const override
    {
        return name == kVersionProductVersion ? version_.value_or(L"") : L"";
    }

private:
    std::optional<std::wstring> version_;
};

TEST(OSInfoProxyTest, PlatformFollowsTheFamilyAndTheKernelVersion)
{
    const struct
    {
        DWORD family;
        std::optional<std::wstring> kernel32Version;
        int platform;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, std::nullopt, OS_PLATFORM_WIN32},
        {VER_PLATFORM_WIN32_NT, L"4.0.1381.0", OS_PLATFORM_WIN32},
        {VER_PLATFORM_WIN32_NT, L"5.0.2195.6688", OS_PLATFORM_WIN32},
        {VER_PLATFORM_WIN32_NT, L"5.1.2600.5512", OS_PLATFORM_X64},
        {VER_PLATFORM_WIN32_NT, L"6, 1, 7601, 0", OS_PLATFORM_X64},
        {VER_PLATFORM_WIN32_NT, L"10.0.19041.1", OS_PLATFORM_X64},
        {VER_PLATFORM_WIN32_NT, std::nullopt, OS_PLATFORM_UNKNOWN},
        {VER_PLATFORM_WIN32_NT, L"ten", OS_PLATFORM_UNKNOWN},
        {0, L"10.0.19041.1", OS_PLATFORM_UNKNOWN},
    };
    for (const auto& c : cases)
    {
        auto api = std::make_shared<FakeWinOSVersionAPI>(c.family);
        const OSInfoProxy proxy(api, std::make_shared<FakeVersionInfo>(c.kernel32Version));
        EXPECT_EQ(proxy.getPlatform(), c.platform) << c.family << " " << c.kernel32Version.value_or(L"-");
        const int verifyCalls = api->verifyCalls;
        EXPECT_EQ(proxy.getPlatform(), c.platform);
        EXPECT_EQ(api->verifyCalls, verifyCalls) << "worked out once";
    }
}

TEST(OSInfoProxyTest, Wow64OnlyWhenTheSystemSaysSoForThisProcess)
{
    const struct
    {
        const char* label;
        bool hasKernel32;
        FARPROC isWow64Process;
        bool wow64;
    } cases[] = {
        {"32-bit process on 64-bit Windows", true, AsProc(ReportsWow64), true},
        {"native process", true, AsProc(ReportsNative), false},
        {"the call fails", true, AsProc(FailsReportingWow64), false},
        {"no IsWow64Process", true, nullptr, false},
        {"no kernel32", false, AsProc(ReportsWow64), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const OSInfoProxy proxy(
            std::make_shared<FakeWinOSVersionAPI>(VER_PLATFORM_WIN32_NT, c.hasKernel32, c.isWow64Process));
        EXPECT_EQ(proxy.isWow64(), c.wow64);
    }
}

// The real system's answers reach the proxy: the version query and kernel32's
// version resource.
TEST(OSInfoProxyTest, ThisSystemIsAnNTSystemAndThisProcessIsNative)
{
    const OSInfoProxy proxy;
    EXPECT_FALSE(proxy.isWow64());
    EXPECT_EQ(proxy.getPlatform(), OS_PLATFORM_X64);
}

} // namespace
} // namespace Basekit::internal
