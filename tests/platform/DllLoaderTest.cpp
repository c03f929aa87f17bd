#include "platform/dll/DllLoader.h"
#include "platform/UniqueHandles.h"
#include "platform/wrappers/DllAPI.h"

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

using ScreenRelayTest::FindLoggedRecord;
using ScreenRelayTest::LoggedRecord;
using ::testing::_;
using ::testing::Return;
using ::testing::StrEq;
using ::testing::StrictMock;
using ::testing::Throw;

class MockDllAPI : public Ostrel::DllAPI
{
public:
    MOCK_METHOD(bool, loadLibrary, (const std::wstring& path, HMODULE& module), (override));
    MOCK_METHOD(FARPROC, getProcAddress, (HMODULE module, const char* name), (override));
    MOCK_METHOD(bool, verifyFile, (const std::wstring& path), (override));
    MOCK_METHOD(bool, freeLibrary, (HMODULE module), (override));
    MOCK_METHOD(bool, getModuleHandleEx, (DWORD flags, const wchar_t* name, HMODULE* module), (override));
};

class DllLoaderTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ScreenRelayTest::LogSourceAndFunction(log_);
        path_ = ScreenRelayTest::CopyTestLibrary(ScreenRelayTest::kFullTestLibrary, temp_.File(L"lib"),
                                                 ScreenRelayTest::kFullTestLibrary);
        ASSERT_FALSE(path_.empty());
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_NORMAL};
    ScreenRelayTest::TempFolder temp_;
    std::wstring path_;
};

const LoggedRecord kLoadWarning{L"Warning", L"DllLoader.cpp", L"Ostrel::DllLoader::loadDLL"};
const LoggedRecord kLoadError{L"Error", L"DllLoader.cpp", L"Ostrel::DllLoader::loadDLL"};
const LoggedRecord kProcAddressWarning{L"Warning", L"DllLoader.cpp", L"Ostrel::DllLoader::getProcAddress"};

TEST_F(DllLoaderTest, NullOutputIsRefusedBeforeAnyCall)
{
    Ostrel::DllLoader loader(std::make_shared<StrictMock<MockDllAPI>>());

    EXPECT_FALSE(loader.loadDLL(path_, nullptr));
    EXPECT_EQ(FindLoggedRecord(log_.Text(), L"Invalid pHandle specified. Exiting."), kLoadWarning);
}

// An exception from the loader facade is contained and reported like a failed load.
TEST_F(DllLoaderTest, ThrowingLoadIsLoggedAsFailure)
{
    auto api = std::make_shared<StrictMock<MockDllAPI>>();
    EXPECT_CALL(*api, getModuleHandleEx(0u, StrEq(path_), _)).WillOnce(Return(false));
    EXPECT_CALL(*api, loadLibrary(path_, _)).WillOnce(Throw(std::runtime_error("load")));
    Ostrel::DllLoader loader(api);
    HMODULE module = nullptr;

    EXPECT_FALSE(loader.loadDLL(path_, &module));
    EXPECT_EQ(FindLoggedRecord(log_.Text(),
                               L"Failed to load library. Error code: MODULE_STATUS_UNKNOWN_EXCEPTION(2147483663)."),
              kLoadError);
}

// A library already in the process is taken with one more reference, without
// the trust check (the copy here is not trusted), and stays loaded until both
// references are released.
TEST_F(DllLoaderTest, LibraryAlreadyLoadedGainsAReference)
{
    Ostrel::UniqueLibrary loadedByTest(LoadLibraryExW(path_.c_str(), nullptr, 0));
    ASSERT_TRUE(loadedByTest);
    Ostrel::DllLoader loader;
    HMODULE module = nullptr;

    ASSERT_TRUE(loader.loadDLL(path_, &module));
    EXPECT_EQ(module, loadedByTest.get());
    EXPECT_NE(loader.getProcAddress(module, "GetVersionNum"), nullptr);
    EXPECT_EQ(loader.getProcAddress(module, "Missing"), nullptr);
    EXPECT_EQ(FindLoggedRecord(log_.Text(), L"getProcAddress was unsuccessful in finding the handle's address"),
              kProcAddressWarning);
    loadedByTest.reset();
    EXPECT_EQ(GetModuleHandleW(path_.c_str()), module);
    EXPECT_TRUE(loader.freeDLL(module));
    EXPECT_EQ(GetModuleHandleW(path_.c_str()), nullptr);
}

} // namespace
