#include "uihost/QvUtilBinding.h"

#include "MachineRegistry.h"
#include "platform/TrustVerification.h"
#include "registry/ModuleFilePath.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

namespace
{

using ScreenRelayTest::TempFolder;

constexpr wchar_t kPlatformKey[] = L"SOFTWARE\\Norvane\\Platform";
constexpr wchar_t kInstallFolderValue[] = L"qvutil64_install_dir";
constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane\\VRT";

// The development QvUtil.dll beside the test program: the executable's folder.
std::wstring ExecutableFolderCopy()
{
    return ScreenRelayTest::ProgramFolder() + L"QvUtil.dll";
}

// Places a copy of the development library at folder\QvUtil.dll with bytes
// appended after its image, so that its digest is its own: listing one copy
// as trusted trusts no other.
std::wstring PlaceDistinctCopy(const std::wstring& folder)
{
    EXPECT_EQ(SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
    const std::wstring path = folder + L"\\QvUtil.dll";
    const std::string marker(folder.begin(), folder.end());
    EXPECT_TRUE(ScreenRelayTest::WriteFileBytes(path, ScreenRelayTest::ReadFileBytes(ExecutableFolderCopy()) + marker));
    return path;
}

std::wstring LoadedPath(HMODULE module)
{
    std::wstring path;
    if (module == nullptr || Basekit::GetModuleFilePath(module, path) != ERROR_SUCCESS)
    {
        return L"<not loaded>";
    }
    return path;
}

bool IsLoaded(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

// Each of the three places holds a copy of the library; only the case's copy
// is listed as trusted.
TEST(QvUtilBindingTest, BindLoadsTheFirstPlaceThatHoldsATrustedLibrary)
{
    enum class Place
    {
        ExecutableFolder,
        InstallFolder,
        VersionFolder,
        None
    };
    struct Case
    {
        const char* label;
        Place trusted;
    };
    const Case cases[] = {
        {"executable's folder", Place::ExecutableFolder},
        {"remembered install folder", Place::InstallFolder},
        {"highest version folder under common files", Place::VersionFolder},
        {"no trusted copy", Place::None},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.label);
        ScreenRelayTest::RegistryIsolation registry;
        ASSERT_TRUE(registry.Active());
        TempFolder temp;
        const std::wstring installFolder = temp.File(L"installed");
        const std::wstring versionFolder = temp.File(L"common\\qvutil\\1,10,0,0");
        const std::wstring places[] = {ExecutableFolderCopy(), PlaceDistinctCopy(installFolder),
                                       PlaceDistinctCopy(versionFolder)};
        PlaceDistinctCopy(temp.File(L"common\\qvutil\\1,2,3,4"));
        ASSERT_EQ(ScreenRelayTest::SetMachineString(kPlatformKey, kInstallFolderValue, installFolder), ERROR_SUCCESS);
        ASSERT_EQ(ScreenRelayTest::SetMachineString(kSuiteKey, L"CommonFiles Dir", temp.File(L"common")),
                  ERROR_SUCCESS);
        const auto trusted = static_cast<std::size_t>(test.trusted);
        if (test.trusted != Place::None)
        {
            ASSERT_EQ(Ostrel::ListTrustedFile(places[trusted]), 0u);
        }

        Ostrel::QvUtilBinding binding;
        if (test.trusted == Place::None)
        {
            EXPECT_EQ(binding.Bind(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
            EXPECT_EQ(binding.Module(), nullptr);
            EXPECT_EQ(binding.IsNTAdmin(), nullptr);
            for (const std::wstring& place : places)
            {
                EXPECT_FALSE(IsLoaded(place)) << "untrusted copy loaded: " << place;
            }
        }
        else
        {
            EXPECT_EQ(binding.Bind(), 0u);
            EXPECT_EQ(LoadedPath(binding.Module()), places[trusted]);
            EXPECT_EQ(reinterpret_cast<void*>(binding.IsNTAdmin()),
                      reinterpret_cast<void*>(GetProcAddress(binding.Module(), "QvIsNTAdmin")));
            EXPECT_NE(binding.IsNTAdmin(), nullptr);
            // The development library exports QvIsNTAdmin only: every other entry stays null.
            for (std::size_t i = 0; i < Ostrel::QvUtilBinding::kFunctionCount; ++i)
            {
                EXPECT_EQ(binding.Function(i) != nullptr, i == Ostrel::QvUtilBinding::kQvIsNTAdminIndex) << i;
            }
        }
        // The version folder found is remembered (the process is an administrator).
        EXPECT_EQ(ScreenRelayTest::MachineString(kPlatformKey, kInstallFolderValue),
                  test.trusted == Place::VersionFolder ? versionFolder : installFolder);
    }
}

TEST(QvUtilBindingTest, TheBindingReleasesTheLibrary)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    ASSERT_EQ(Ostrel::ListTrustedFile(ExecutableFolderCopy()), 0u);
    {
        Ostrel::QvUtilBinding binding;
        ASSERT_EQ(binding.Bind(), 0u);
        EXPECT_TRUE(IsLoaded(ExecutableFolderCopy()));
    }
    EXPECT_FALSE(IsLoaded(ExecutableFolderCopy()));
}

TEST(QvUtilBindingTest, LoadFromFolderLoadsOnlyATrustedFile)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    TempFolder temp;
    const std::wstring trusted = PlaceDistinctCopy(temp.File(L"trusted"));
    const std::wstring untrusted = PlaceDistinctCopy(temp.File(L"untrusted"));
    ASSERT_EQ(Ostrel::ListTrustedFile(trusted), 0u);
    ASSERT_NE(Ostrel::VerifyFileTrust(untrusted), 0u);
    struct Case
    {
        std::wstring folder;
        DWORD expected;
        std::wstring loaded;
    };
    const Case cases[] = {
        {temp.File(L"trusted"), 0, trusted},
        {temp.File(L"trusted\\"), 0, trusted},
        {temp.File(L"untrusted"), Ostrel::VerifyFileTrust(untrusted), L"<not loaded>"},
        {temp.File(L"missing"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND), L"<not loaded>"},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(testing::Message() << test.folder);
        Ostrel::QvUtilBinding binding;
        EXPECT_EQ(binding.LoadFromFolder(test.folder.c_str()), test.expected);
        EXPECT_EQ(LoadedPath(binding.Module()), test.loaded);
        EXPECT_FALSE(IsLoaded(untrusted));
    }
}

} // namespace
