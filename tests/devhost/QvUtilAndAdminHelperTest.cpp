#include "AdminPrivilegeHelperRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "QvUtilInstallation.h"
#include "RegistrationLock.h"
#include "SuiteComInterfaces.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

namespace
{

using ScreenRelayTest::RegistryIsolatedTest;

using QvIsNTAdminFn = BOOL(WINAPI*)(void*);

QvIsNTAdminFn BindQvIsNTAdmin(HMODULE library)
{
    return reinterpret_cast<QvIsNTAdminFn>(reinterpret_cast<void*>(GetProcAddress(library, "QvIsNTAdmin")));
}

class QvUtilTest : public RegistryIsolatedTest
{
protected:
    DevHostTest::JournalFile journal_;
};

TEST_F(QvUtilTest, QvIsNTAdminAnswersAdministratorUnlessSwitchedOff)
{
    struct Case
    {
        const char* label;
        std::optional<DWORD> answerSwitch;
        BOOL expected;
    };
    // Processes under Wine always run as administrators.
    const Case cases[] = {{"no switch", std::nullopt, TRUE}, {"switched to 0", 0, FALSE}};
    const Ostrel::UniqueLibrary library(LoadLibraryW((ScreenRelayTest::ProgramFolder() + L"QvUtil.dll").c_str()));
    ASSERT_TRUE(library);
    const QvIsNTAdminFn isNTAdmin = BindQvIsNTAdmin(library.get());
    ASSERT_NE(isNTAdmin, nullptr);
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        if (test.answerSwitch)
        {
            ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"QvUtil", L"QvIsNTAdmin", *test.answerSwitch), 0u);
        }
        BOOL unused = FALSE;
        EXPECT_EQ(isNTAdmin(&unused) != FALSE, test.expected != FALSE);
    }
    const auto entries = journal_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].component, L"QvUtil");
    EXPECT_EQ(entries[1].call, L"QvIsNTAdmin");
}

TEST_F(QvUtilTest, InstallPutsTheLibraryInItsVersionFolderUnderCommonFiles)
{
    ScreenRelayTest::TempFolder commonFiles;
    std::wstring installed;
    ASSERT_EQ(DevHost::InstallQvUtil(ScreenRelayTest::ProgramFolder() + L"QvUtil.dll", commonFiles.Path(),
                                     {1, 10, 0, 0}, &installed),
              0u);
    EXPECT_EQ(installed, commonFiles.Path() + L"\\qvutil\\1,10,0,0\\QvUtil.dll");

    const Ostrel::UniqueLibrary library(LoadLibraryExW(installed.c_str(), nullptr, 0));
    ASSERT_TRUE(library);
    EXPECT_NE(BindQvIsNTAdmin(library.get()), nullptr);
}

// The elevated registry helper registered by this process, reached as the
// module reaches it: CoGetClassObject for the local-server context from the
// multithreaded apartment, then the class object's fourth slot.
class AdminPrivilegeHelperTest : public RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(registrations_.Held());
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(DevHost::RegisterAdminPrivilegeHelper(&cookie_), S_OK);
    }

    void TearDown() override
    {
        if (cookie_ != 0)
        {
            EXPECT_EQ(DevHost::RevokeAdminPrivilegeHelper(cookie_), S_OK);
        }
        CoUninitialize();
    }

    static HRESULT CreateHelper(const IID& factoryInterface, DevHost::IQvAdminPrivilegeOperationHelper** helper)
    {
        DevHost::ISuiteClassObject* classObject = nullptr;
        const HRESULT found = CoGetClassObject(DevHost::kAdminPrivilegeHelperClass, CLSCTX_LOCAL_SERVER, nullptr,
                                               factoryInterface, reinterpret_cast<void**>(&classObject));
        if (FAILED(found))
        {
            return found;
        }
        const HRESULT created = classObject->CreateInstance(DevHost::kAdminPrivilegeOperationHelperInterface,
                                                            reinterpret_cast<void**>(helper));
        classObject->Release();
        return created;
    }

    // Writes the launch point as the module does: 40 bytes, the text then zeros.
    static HRESULT WriteLaunchPoint(DevHost::IQvAdminPrivilegeOperationHelper* helper, const wchar_t* text)
    {
        wchar_t buffer[20] = {};
        wcscpy_s(buffer, text);
        const Ostrel::UniqueBstr subkey(SysAllocString(kQueryParamsKey));
        const Ostrel::UniqueBstr valueName(SysAllocString(L"LaunchPoint"));
        return helper->SetRegistryValue(HKEY_LOCAL_MACHINE, subkey.get(), valueName.get(), REG_SZ, sizeof(buffer),
                                        reinterpret_cast<BYTE*>(buffer), 0);
    }

    static std::optional<std::wstring> ReadLaunchPoint()
    {
        wchar_t value[64] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kQueryParamsKey, L"LaunchPoint", RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS)
        {
            return std::nullopt;
        }
        return std::wstring(value);
    }

    static constexpr wchar_t kQueryParamsKey[] = L"SOFTWARE\\Norvane\\VRT\\AppInfo\\Substitute\\QueryParams";

    // The class object is registered for every process of the prefix.
    DevHost::RegistrationLock registrations_;
    DWORD cookie_ = 0;
    DevHostTest::JournalFile journal_;
};

TEST_F(AdminPrivilegeHelperTest, WritesTheValueThroughEitherFactoryInterfaceAndJournalsTheCall)
{
    const wchar_t* launchPoints[] = {L"7", L"12"};
    for (std::size_t i = 0; i < 2; ++i)
    {
        DevHost::IQvAdminPrivilegeOperationHelper* helper = nullptr;
        ASSERT_EQ(CreateHelper(DevHost::kSuiteClassObjectInterfaces[i], &helper), S_OK);
        EXPECT_EQ(WriteLaunchPoint(helper, launchPoints[i]), S_OK);
        helper->Release();
        EXPECT_EQ(ReadLaunchPoint(), std::optional<std::wstring>(launchPoints[i]));
    }

    const auto entries = journal_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    const std::vector<DevHost::JournalArgument> expected = {{L"root", {}, std::wstring(L"HKEY_LOCAL_MACHINE")},
                                                            {L"subkey", {}, std::wstring(kQueryParamsKey)},
                                                            {L"valueName", {}, std::wstring(L"LaunchPoint")},
                                                            {L"type", {}, std::uint32_t{REG_SZ}},
                                                            {L"size", {}, std::uint32_t{40}},
                                                            {L"data", {}, std::wstring(L"12")},
                                                            {L"flags", {}, std::uint32_t{0}}};
    EXPECT_EQ(entries[1].component, L"AdminPrivilegeHelper");
    EXPECT_EQ(entries[1].call, L"SetRegistryValue");
    EXPECT_EQ(entries[1].arguments, expected);
}

TEST_F(AdminPrivilegeHelperTest, FailureSwitchRefusesWithoutWriting)
{
    constexpr HRESULT kFailure = E_ACCESSDENIED;
    ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"AdminPrivilegeHelper", L"SetRegistryValue", kFailure), 0u);
    DevHost::IQvAdminPrivilegeOperationHelper* helper = nullptr;
    ASSERT_EQ(CreateHelper(DevHost::kSuiteClassObjectInterfaces[0], &helper), S_OK);
    EXPECT_EQ(WriteLaunchPoint(helper, L"7"), kFailure);
    helper->Release();
    EXPECT_EQ(ReadLaunchPoint(), std::nullopt);
}

TEST_F(AdminPrivilegeHelperTest, RevokedHelperCannotBeCreated)
{
    ASSERT_EQ(DevHost::RevokeAdminPrivilegeHelper(std::exchange(cookie_, 0)), S_OK);
    DevHost::IQvAdminPrivilegeOperationHelper* helper = nullptr;
    EXPECT_TRUE(FAILED(CreateHelper(DevHost::kSuiteClassObjectInterfaces[0], &helper)));
    EXPECT_EQ(helper, nullptr);
}

} // namespace
