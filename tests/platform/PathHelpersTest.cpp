#include "platform/OSInfoProxy.h"
#include "platform/PathHelpers.h"
#include "platform/ShlObjAPI.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <knownfolders.h>

#include <cstring>
#include <map>
#include <optional>

namespace Ostrel
{
namespace
{

std::wstring GuidText(REFGUID id)
{
    wchar_t text[40] = {};
    StringFromGUID2(id, text, 40);
    return text;
}

// Answers every known folder with the text of its id, unless told otherwise.
class FakeShlObjAPI : public ShlObjAPI
{
public:
    HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD, HANDLE, PWSTR* path) override
    {
        const auto told = answers.find(GuidText(folderId));
        const auto [result, text] = told != answers.end() ? told->second : Answer{S_OK, GuidText(folderId)};
        *path = nullptr;
        if (text)
        {
            const std::size_t bytes = (text->size() + 1) * sizeof(wchar_t);
            *path = static_cast<PWSTR>(CoTaskMemAlloc(bytes));
            std::memcpy(*path, text->c_str(), bytes);
        }
        return result;
    }

    using Answer = std::pair<HRESULT, std::optional<std::wstring>>;
    std::map<std::wstring, Answer> answers;
};

class FakeOSInfoProxy : public Basekit::internal::OSInfoProxy
{
public:
    FakeOSInfoProxy(int platform, bool wow64)
        : platform_(platform)
        , wow64_(wow64)
    {
    }
    bool isWow64() const override { return wow64_; }
    int getPlatform() const override { return platform_; }

private:
    int platform_;
    bool wow64_;
};

class PathHelpersTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    static void SetInstallValue(const wchar_t* name, const std::wstring& folder)
    {
        UniqueRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\NORVANE\\RADADUV", 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }

    // Helpers for a host "C:\Apps\Host.exe" with fake shell and system.
    PathHelpers Helpers(int platform = 1, bool wow64 = false)
    {
        return PathHelpers(shell_, std::make_shared<FakeOSInfoProxy>(platform, wow64), nullptr,
                           PathParts{L"C:", L"\\Apps\\", L"Host", L".exe"});
    }

    static std::wstring Expand(PathHelpers&& helpers, std::wstring text)
    {
        EXPECT_TRUE(helpers.expand(text));
        return text;
    }

    std::shared_ptr<FakeShlObjAPI> shell_ = std::make_shared<FakeShlObjAPI>();
};

TEST_F(PathHelpersTest, ExpandsEveryMacroLeftToRightWithoutExpandingValuesAgain)
{
    SetInstallValue(L"Install Dir", L"D:\\$(App.Name)");
    shell_->answers[GuidText(FOLDERID_ProgramData)] = {S_OK, L"E:\\$(OS.Platform)"};
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L""},
        {L"C:\\plain\\folder", L"C:\\plain\\folder"},
        {L"$(App.Folder)|$(App.Binary)|$(App.Name)", L"C:\\Apps\\|Host.exe|Host"},
        {L"$(App.Path)", L"C:\\Apps\\Host.exe"},
        {L"$(App.Folder)$(OS.Platform)\\$(App.Name).dll", L"C:\\Apps\\x64\\Host.dll"},
        {L"$(Unknown.Macro)|$(app.name)|$(APP.NAME)", L"$(Unknown.Macro)|$(app.name)|$(APP.NAME)"},
        {L"$$(App.Name)", L"$Host"},
        {L"$(a$(App.Name))", L"$(aHost)"},
        {L"$((App.Name))|$()|$(App.Name", L"$((App.Name))|$()|$(App.Name"},
        {L"$(VuzevaRevo.InstallDir)\\$(App.Name)", L"D:\\$(App.Name)\\Host"},
        {L"$(FOLDERID_ProgramData)|$(OS.Platform)", L"E:\\$(OS.Platform)|x64"},
    };
    for (const auto& [text, expanded] : cases)
    {
        EXPECT_EQ(Expand(Helpers(), text), expanded) << text;
    }
}

TEST_F(PathHelpersTest, InstallFolderIsReadForTheKindOfProcessAndStaysWhenAbsent)
{
    EXPECT_EQ(Expand(Helpers(), L"$(VuzevaRevo.InstallDir)"), L"$(VuzevaRevo.InstallDir)") << "no key";
    SetInstallValue(L"Install Dir32", L"D:\\Wow");
    EXPECT_EQ(Expand(Helpers(1, true), L"$(VuzevaRevo.InstallDir)"), L"D:\\Wow");
    EXPECT_EQ(Expand(Helpers(1, false), L"$(VuzevaRevo.InstallDir)"), L"$(VuzevaRevo.InstallDir)");
    SetInstallValue(L"Install Dir", L"");
    EXPECT_EQ(Expand(Helpers(1, false), L"$(VuzevaRevo.InstallDir)"), L"$(VuzevaRevo.InstallDir)") << "empty";
    SetInstallValue(L"Install Dir", L"D:\\Native");
    EXPECT_EQ(Expand(Helpers(1, false), L"$(VuzevaRevo.InstallDir)"), L"D:\\Native");
}

TEST_F(PathHelpersTest, PlatformMacroNamesEachPlatformValue)
{
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"win32"}, {1, L"x64"}, {2, L"PlatformUnknown"}, {3, L"$(OS.Platform)"}, {-1, L"$(OS.Platform)"},
    };
    for (const auto& [platform, expanded] : cases)
    {
        EXPECT_EQ(Expand(Helpers(platform), L"$(OS.Platform)"), expanded) << platform;
    }
}

TEST_F(PathHelpersTest, KnownFolderMacrosAskForTheFolderOfTheirName)
{
    const std::pair<const wchar_t*, const KNOWNFOLDERID*> cases[] = {
        {L"Profile", &FOLDERID_Profile},
        {L"Desktop", &FOLDERID_Desktop},
        {L"Documents", &FOLDERID_Documents},
        {L"LocalAppDataLow", &FOLDERID_LocalAppDataLow},
        {L"LocalAppData", &FOLDERID_LocalAppData},
        {L"RoamingAppData", &FOLDERID_RoamingAppData},
        {L"ProgramData", &FOLDERID_ProgramData},
        {L"ProgramFiles", &FOLDERID_ProgramFiles},
        {L"ProgramFilesX64", &FOLDERID_ProgramFilesX64},
        {L"ProgramFilesX86", &FOLDERID_ProgramFilesX86},
        {L"ProgramFilesCommon", &FOLDERID_ProgramFilesCommon},
        {L"ProgramFilesCommonX64", &FOLDERID_ProgramFilesCommonX64},
        {L"ProgramFilesCommonX86", &FOLDERID_ProgramFilesCommonX86},
    };
    for (const auto& [name, folderId] : cases)
    {
        EXPECT_EQ(Expand(Helpers(), L"$(FOLDERID_" + std::wstring(name) + L")"), GuidText(*folderId)) << name;
    }

    // A failed query, even one that hands back a buffer, and a missing path leave the macro.
    shell_->answers[GuidText(FOLDERID_Desktop)] = {E_FAIL, L"ignored"};
    shell_->answers[GuidText(FOLDERID_Documents)] = {S_OK, std::nullopt};
    EXPECT_EQ(Expand(Helpers(), L"$(FOLDERID_Desktop)|$(FOLDERID_Documents)"),
              L"$(FOLDERID_Desktop)|$(FOLDERID_Documents)");
}

TEST_F(PathHelpersTest, DefaultsDescribeThisProgramAndThisSystem)
{
    wchar_t program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    const std::wstring path = program;
    const std::wstring binary = path.substr(path.rfind(L'\\') + 1);
    Ostrel::UniqueTaskString programData;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, programData.put()), S_OK);
    const std::wstring programDataFolder = programData.get();

    EXPECT_EQ(Expand(PathHelpers(), L"$(App.Path)"), path);
    EXPECT_EQ(Expand(PathHelpers(), L"$(App.Folder)$(App.Binary)"), path);
    EXPECT_EQ(Expand(PathHelpers(), L"$(App.Name).exe"), binary);
    EXPECT_EQ(Expand(PathHelpers(), L"$(OS.Platform)|$(FOLDERID_ProgramData)"), L"x64|" + programDataFolder);
}

} // namespace
} // namespace Ostrel
