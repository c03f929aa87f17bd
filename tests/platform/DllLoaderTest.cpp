#include "platform/dll/DllLoader.h"
#include "platform/wrappers/DllAPI.h"

#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
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
        path_ = ScreenRelayTest::CopyTestLibrary(ScreenRelayTest::kFullTestLibrary, temp_.File(L"lib"),
                                                 ScreenRelayTest::kFullTestLibrary);
        ASSERT_FALSE(path_.empty());
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_NORMAL};
    ScreenRelayTest::TempFolder temp_;
    std::wstring path_;
};

TEST_F(DllLoaderTest, NullOutputIsRefusedBeforeAnyCall)
{
    Ostrel::DllLoader loader(std::make_shared<StrictMock<MockDllAPI>>());

    EXPECT_FALSE(loader.loadDLL(path_, nullptr));
    EXPECT_TRUE(log_.Contains(L"Invalid pHandle specified. Exiting."));
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
    EXPECT_TRUE(log_.Contains(L"Failed to load library. Error code: MODULE_STATUS_UNKNOWN_EXCEPTION(2147483663)."));
}

// A library already in the process is taken with one more reference, without
// the trust check (the copy here is not trusted), and stays loaded until both
// references are released.
TEST_F(DllLoaderTest, LibraryAlreadyLoadedGainsAReference)
{
    const HMODULE loadedByTest = LoadLibraryExW(path_.c_str(), nullptr, 0);
    ASSERT_NE(loadedByTest, nullptr);
    Ostrel::DllLoader loader;
    HMODULE module = nullptr;

    ASSERT_TRUE(loader.loadDLL(path_, &module));
    EXPECT_EQ(module, loadedByTest);
    EXPECT_NE(loader.getProcAddress(module, "GetVersionNum"), nullptr);
    EXPECT_EQ(loader.getProcAddress(module, "Missing"), nullptr);
    EXPECT_TRUE(log_.Contains(L"getProcAddress was unsuccessful in finding the handle's address"));
    ASSERT_TRUE(FreeLibrary(loadedByTest));
    EXPECT_EQ(GetModuleHandleW(path_.c_str()), module);
    EXPECT_TRUE(loader.freeDLL(module));
    EXPECT_EQ(GetModuleHandleW(path_.c_str()), nullptr);
}

} // namespace
