#include "platform/dll/SharedLibrary.h"
#include "platform/ModuleException.h"
#include "platform/TrustVerification.h"
#include "platform/dll/DllLoader.h"

#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace
{

using Ostrel::LibraryDescriptor;
using Ostrel::ModuleException;
using Ostrel::SharedLibrary;
using ScreenRelayTest::FindLoggedRecord;
using ScreenRelayTest::kFullTestLibrary;
using ScreenRelayTest::kNoReleaseTestLibrary;
using ScreenRelayTest::LoggedRecord;
using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrictMock;
using ::testing::Throw;

const HMODULE kFakeModule = reinterpret_cast<HMODULE>(0x10000);
const FARPROC kFakeAddress = reinterpret_cast<FARPROC>(0x20000);

class MockDllLoader : public Ostrel::DllLoader
{
public:
    MOCK_METHOD(bool, loadDLL, (const std::wstring& path, HMODULE* module), (override));
    MOCK_METHOD(FARPROC, getProcAddress, (HMODULE module, const char* name), (override));
    MOCK_METHOD(bool, freeDLL, (HMODULE module), (override));
};

// Runs the constructor and hands back the message of the ModuleException it
// throws; empty when it throws nothing.
std::string ConstructionFailure(const LibraryDescriptor& descriptor,
                                std::shared_ptr<Ostrel::DllLoader> loader = nullptr)
{
    try
    {
        SharedLibrary library(descriptor, std::move(loader));
    }
    catch (const ModuleException& e)
    {
        return e.what();
    }
    return {};
}

bool IsLoaded(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

class SharedLibraryTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ScreenRelayTest::LogSourceAndFunction(log_);
    }

    // The level, source and function of the first record holding the text.
    LoggedRecord Record(const std::wstring& text) const { return FindLoggedRecord(log_.Text(), text); }

    // Copies a test library into a folder of the temporary folder and lists
    // it as trusted when asked.
    std::wstring Install(const wchar_t* library, const std::wstring& folder, const std::wstring& name,
                         bool trusted = true)
    {
        const std::wstring path = ScreenRelayTest::CopyTestLibrary(library, temp_.File(folder), name);
        EXPECT_FALSE(path.empty());
        if (trusted)
        {
            EXPECT_EQ(Ostrel::ListTrustedFile(path), 0u);
        }
        return path;
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_NORMAL};
    ScreenRelayTest::TempFolder temp_;
};

// The framework's install folder comes from the registry through its macro;
// the first folder does not hold the file, the second does.
TEST_F(SharedLibraryTest, LoadsFromTheFirstFolderHoldingTheFileAndUnloads)
{
    const std::wstring path = Install(kFullTestLibrary, L"install", kFullTestLibrary);
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\NORVANE\\RADADUV", L"Install Dir", REG_SZ,
                              temp_.File(L"install").c_str(),
                              static_cast<DWORD>((temp_.File(L"install").size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ASSERT_TRUE(CreateDirectoryW(temp_.File(L"empty").c_str(), nullptr));
    {
        SharedLibrary library({kFullTestLibrary, {temp_.File(L"empty"), L"$(VuzevaRevo.InstallDir)"}});

        const Ostrel::SharedLibraryFunctions* functions = library.getFunctions();
        ASSERT_TRUE(functions->CreateObject && functions->ReleaseObject && functions->GetVersionStr &&
                    functions->GetVersionNum);
        EXPECT_STREQ(functions->GetVersionStr(), "7.3.2");
        EXPECT_EQ(functions->GetVersionNum(), 7003002u);
        EXPECT_TRUE(IsLoaded(path));
    }
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ(Record(L"Loading PlatformTestFull.dll from " + temp_.File(L"install") + L"."),
              (LoggedRecord{L"Normal", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::loadLibrary"}));
}

TEST_F(SharedLibraryTest, BlockListRefusesListedVersionsOfOtherLibraries)
{
    struct Case
    {
        const wchar_t* fileName;
        const wchar_t* valueName; // null: no block-list key
        const wchar_t* data;
        bool blocked;
    };
    const Case cases[] = {
        {L"PlatformTestFull.dll", L"7.3.2.1", L"7.3.2.1", true},
        {L"PLATFORMTESTFULL.DLL", L"7.3.2.1", L"7.3.2.1", true},
        {L"PlatformTestFull.dll", L"7.3.2.0", L"7.3.2.0", false},
        {L"PlatformTestFull.dll", L"7.3.2.1", L"other", false},
        {L"PlatformTestFull.dll", nullptr, nullptr, false},
        {L"MessageBus.dll", L"7.3.2.1", L"7.3.2.1", false},
        {L"MESSAGEBUS.DLL", L"7.3.2.1", L"7.3.2.1", false},
        {L"ModuleManager.dll", L"7.3.2.1", L"7.3.2.1", false},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << index);
        const std::wstring folder = L"case" + std::to_wstring(index++);
        const std::wstring path = Install(kFullTestLibrary, folder, c.fileName);
        // Registry key names ignore case: the key of the lower-cased name is this one.
        const std::wstring key = L"SOFTWARE\\Norvane\\RadAduv\\List\\" + std::wstring(c.fileName);
        if (c.valueName != nullptr)
        {
            ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), c.valueName, REG_SZ, c.data,
                                      static_cast<DWORD>((wcslen(c.data) + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS);
        }

        const std::string failure = ConstructionFailure({c.fileName, {temp_.File(folder)}});

        EXPECT_EQ(failure, c.blocked ? "Failed to load library" : "");
        const LoggedRecord blocked{L"Information", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::loadLibrary"};
        EXPECT_EQ(Record(L"Blocked library: " + path + L"."), c.blocked ? blocked : LoggedRecord{});
        EXPECT_FALSE(IsLoaded(path));
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    }
}

TEST_F(SharedLibraryTest, LibraryWithoutReleaseObjectIsFreedAgain)
{
    const std::wstring path = Install(kNoReleaseTestLibrary, L"lib", kNoReleaseTestLibrary);

    EXPECT_EQ(ConstructionFailure({kNoReleaseTestLibrary, {temp_.File(L"lib")}}),
              "Failed to import functions from library");

    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ(Record(L"Failed to load ReleaseObject function from library: PlatformTestNoRelease.dll."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::importFunctions"}));
    EXPECT_EQ(Record(L"Failed to import functions from library: PlatformTestNoRelease.dll. Throwing ModuleException."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::SharedLibrary"}));
}

// A macro without a value stays in the folder as written, so the file is not
// found there.
TEST_F(SharedLibraryTest, FileInNoFolderFailsConstruction)
{
    Install(kFullTestLibrary, L"elsewhere", kFullTestLibrary);
    ASSERT_TRUE(CreateDirectoryW(temp_.File(L"empty").c_str(), nullptr));
    const std::vector<std::wstring> folderLists[] = {
        {},
        {L"$(VuzevaRevo.InstallDir)"},
        {temp_.File(L"empty"), L"$(VuzevaRevo.InstallDir)"},
    };
    for (const auto& folders : folderLists)
    {
        SCOPED_TRACE(folders.size());
        EXPECT_EQ(ConstructionFailure({kFullTestLibrary, folders}), "Failed to load library");
    }
    EXPECT_EQ(Record(L"Failed to find valid path for library: PlatformTestFull.dll."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::loadLibrary"}));
    EXPECT_EQ(Record(L"Failed to load library: PlatformTestFull.dll. Throwing ModuleException."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::SharedLibrary"}));
}

TEST_F(SharedLibraryTest, UntrustedLibraryIsRefusedWithoutLoading)
{
    const std::wstring path = Install(kFullTestLibrary, L"lib", kFullTestLibrary, false);
    const DWORD refusal = Ostrel::VerifyFileTrust(path);
    ASSERT_NE(refusal, 0u);

    EXPECT_EQ(ConstructionFailure({kFullTestLibrary, {temp_.File(L"lib")}}), "Failed to load library");

    EXPECT_FALSE(IsLoaded(path));
    EXPECT_EQ(Record(L"LoadLibrary Failed. GLE: " + std::to_wstring(refusal)),
              (LoggedRecord{L"Error", L"DllAPI.cpp", L"Ostrel::DllAPI::loadLibrary"}));
    EXPECT_EQ(Record(L"Failed to load library. Error code: MODULE_STATUS_UNSUCCESSFUL(2147483650)."),
              (LoggedRecord{L"Error", L"DllLoader.cpp", L"Ostrel::DllLoader::loadDLL"}));
    EXPECT_EQ(Record(L"Failed to load library: " + path + L"."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::loadLibrary"}));
}

// A failing or throwing free is contained: it is logged, and neither the
// destructor nor the failed constructor lets anything but ModuleException out.
TEST_F(SharedLibraryTest, FreeFailureIsLoggedAndContained)
{
    Install(kFullTestLibrary, L"lib", kFullTestLibrary, false);
    for (const bool throws : {false, true})
    {
        SCOPED_TRACE(throws);
        auto loader = std::make_shared<StrictMock<MockDllLoader>>();
        EXPECT_CALL(*loader, loadDLL(_, _)).WillOnce(DoAll(SetArgPointee<1>(kFakeModule), Return(true)));
        EXPECT_CALL(*loader, getProcAddress(kFakeModule, _)).Times(4).WillRepeatedly(Return(kFakeAddress));
        if (throws)
        {
            EXPECT_CALL(*loader, freeDLL(kFakeModule)).WillOnce(Throw(std::runtime_error("free")));
        }
        else
        {
            EXPECT_CALL(*loader, freeDLL(kFakeModule)).WillOnce(Return(false));
        }

        EXPECT_EQ(ConstructionFailure({kFullTestLibrary, {temp_.File(L"lib")}}, loader), "");
    }
    EXPECT_EQ(Record(L"Failed to free library: PlatformTestFull.dll."),
              (LoggedRecord{L"Error", L"SharedLibrary.cpp", L"Ostrel::SharedLibrary::unloadLibrary"}));
}

} // namespace
