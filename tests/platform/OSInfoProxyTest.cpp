#include "platform/OSInfoProxy.h"

#include <gtest/gtest.h>

#include <optional>

namespace Basekit::internal
{
namespace
{

// A system that confirms one platform family, or none.
class FakeWinOSVersionAPI : public WinOSVersionAPI
{
public:
    explicit FakeWinOSVersionAPI(DWORD family)
        : family_(family)
    {
    }
    BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG) override
    {
        ++verifyCalls;
        return typeMask == VER_PLATFORMID && versionInfo->dwPlatformId == family_;
    }
    int verifyCalls = 0;

private:
    DWORD family_;
};

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

TEST(OSInfoProxyTest, ThisSystemIsAnNTSystemAndThisProcessIsNative)
{
    const OSInfoProxy proxy;
    EXPECT_FALSE(proxy.isWow64());
    EXPECT_EQ(proxy.getPlatform(), OS_PLATFORM_X64);
}

} // namespace
} // namespace Basekit::internal
