#include "registry/FileVersionInfo.h"
#include "registry/SystemFileVersionInfo.h"
#include "support/TestFiles.h"

#include "ScreenRelayVersion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cwchar>
#include <memory>
#include <string>

namespace Basekit
{
namespace
{

using ScreenRelayTest::ProgramFolder;

class MockShlObjAPI : public ShlObjAPI
{
public:
    MOCK_METHOD(HRESULT, SHGetKnownFolderPath, (REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*), (override));
};

TEST(FileVersionInfoTest, FilesWithoutAVersionResourceGiveNothing)
{
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    for (const std::wstring& path : {std::wstring(program, length), ProgramFolder() + L"missing.dll"})
    {
        FileVersionInfo info;
        EXPECT_FALSE(info.Load(path));
        EXPECT_EQ(info.GetString(kVersionFileVersion), L"");
    }
}

TEST(FileVersionInfoTest, ReadsTheShippedModuleAndKeepsTheFirstLoad)
{
    FileVersionInfo info;
    // The version text the build gave the module, build number included.
    const std::wstring shippedVersion = L"" SCREENRELAY_VERSION_TEXT;
    ASSERT_EQ(shippedVersion.rfind(L"2, 1, 0, ", 0), 0u);
    ASSERT_TRUE(info.Load(ProgramFolder() + L"ScreenRelay.dll"));
    EXPECT_EQ(info.GetString(kVersionFileVersion), shippedVersion);
    EXPECT_EQ(info.GetString(kVersionCompanyName), L"Norvane");
    EXPECT_FALSE(info.Load(ProgramFolder() + L"VersionProbeDotted.dll"));
    EXPECT_EQ(info.GetString(kVersionFileVersion), shippedVersion);
}

TEST(FileVersionInfoTest, FindsAFieldInTheFirstTranslationThatHasIt)
{
    struct Case
    {
        const wchar_t* file;
        const wchar_t* name;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"VersionProbeCommas.dll", kVersionFileVersion, L"2, 1, 0, 7"},
        {L"VersionProbeDotted.dll", kVersionFileVersion, L"3.4.5.6"},
        {L"VersionProbeSecondTranslation.dll", kVersionFileVersion, L"5, 6, 7, 8"},
        {L"VersionProbeSecondTranslation.dll", kVersionCompanyName, L"Probe SecondTranslation"},
        {L"VersionProbeCommas.dll", kVersionLegalCopyright, L""},
        // The first translation's table has an empty FileVersion and no CompanyName.
        {L"VersionProbeEmptyFirst.dll", kVersionFileVersion, L""},
        {L"VersionProbeEmptyFirst.dll", kVersionCompanyName, L"Probe EmptyFirst"},
    };
    for (const auto& c : cases)
    {
        FileVersionInfo info;
        ASSERT_TRUE(info.Load(ProgramFolder() + c.file)) << c.file;
        EXPECT_EQ(info.GetString(c.name), c.expected) << c.file << L" " << c.name;
    }
}

TEST(SystemFileVersionInfoTest, ReadsKernel32FromTheSystemFolder)
{
    SystemFileVersionInfo info;
    ASSERT_TRUE(info.Load(L"kernel32.dll"));
    EXPECT_NE(info.GetString(kVersionProductVersion), L"");
}

TEST(SystemFileVersionInfoTest, LooksInTheFolderTheProviderNames)
{
    std::wstring folder = ProgramFolder();
    folder.pop_back();
    auto shlObj = std::make_shared<MockShlObjAPI>();
    EXPECT_CALL(*shlObj, SHGetKnownFolderPath(::testing::_, 0, nullptr, ::testing::_))
        .WillOnce(
            [&](REFKNOWNFOLDERID id, DWORD, HANDLE, PWSTR* path)
            {
                EXPECT_TRUE(IsEqualGUID(id, FOLDERID_System));
                *path = static_cast<PWSTR>(CoTaskMemAlloc((folder.size() + 1) * sizeof(wchar_t)));
                std::wmemcpy(*path, folder.c_str(), folder.size() + 1);
                return S_OK;
            });
    SystemFileVersionInfo info(shlObj);
    ASSERT_TRUE(info.Load(L"VersionProbeDotted.dll"));
    EXPECT_EQ(info.GetString(kVersionFileVersion), L"3.4.5.6");
}

} // namespace
} // namespace Basekit
