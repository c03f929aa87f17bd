#include "platform/UniqueHandles.h"
#include "registry/OwnModuleInfo.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

namespace Basekit
{
namespace
{

using ScreenRelayTest::ProgramFolder;

TEST(OwnModuleInfoTest, DescribesTheDllThatHoldsTheCode)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"VersionProbeCommas.dll", L"2.1.0.7"},
        {L"VersionProbeDotted.dll", L"3.4.5.6"},
        // Only the first translation counts, and it has no string table.
        {L"VersionProbeSecondTranslation.dll", L""},
    };
    for (const auto& [file, version] : cases)
    {
        const std::wstring path = ProgramFolder() + file;
        const Ostrel::UniqueLibrary module(LoadLibraryExW(path.c_str(), nullptr, 0));
        ASSERT_TRUE(module) << file << L" " << GetLastError();
        using Probe = const OwnModuleInfo* (*)();
        const auto probe =
            reinterpret_cast<Probe>(reinterpret_cast<void*>(GetProcAddress(module.get(), "ProbeOwnModuleInfo")));
        ASSERT_NE(probe, nullptr);
        const OwnModuleInfo* info = probe();
        EXPECT_EQ(info->path, path);
        EXPECT_EQ(info->folder, ProgramFolder());
        EXPECT_EQ(info->version, version) << file;
    }
}

TEST(OwnModuleInfoTest, DescribesTheProgramWhenLinkedIntoIt)
{
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    const OwnModuleInfo& info = GetOwnModuleInfo();
    EXPECT_EQ(&GetOwnModuleInfo(), &info);
    EXPECT_EQ(info.path, std::wstring(program, length));
    EXPECT_EQ(info.folder, ProgramFolder());
    EXPECT_EQ(info.version, L"");
}

} // namespace
} // namespace Basekit
