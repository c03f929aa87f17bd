#include "ProcessResources.h"
#include "module/ModuleInterface.h"
#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{

constexpr int kLoads = 200;
// Without giving back the C++ runtime's reserve, 200 loads keep about 15 MB.
constexpr std::uint64_t kAllowedGrowthBytes = 2 * 1024 * 1024;

// Each DLL of ours, loaded and unloaded again and again as the host does with
// the module per request, leaves the process's private memory and handles
// where they were.
TEST(DllUnloadTest, LoadingAndUnloadingOurDllsKeepsNeitherMemoryNorHandles)
{
    for (const wchar_t* name : {L"ScreenRelay.dll", L"MessageBus.dll", L"UiHostHelper.dll", L"QvUtil.dll"})
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        const std::wstring path = ScreenRelayTest::ProgramFolder() + name;
        const auto loadAndUnload = [&path]
        {
            const Ostrel::UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, 0));
            ASSERT_TRUE(library) << "LoadLibraryExW failed with " << GetLastError();
        };
        loadAndUnload();
        const RelayHost::ProcessResources before = RelayHost::MeasureProcessResources();
        for (int load = 0; load < kLoads && !testing::Test::HasFatalFailure(); ++load)
        {
            loadAndUnload();
        }
        const RelayHost::ProcessResources after = RelayHost::MeasureProcessResources();
        EXPECT_LE(after.privateBytes, before.privateBytes + kAllowedGrowthBytes)
            << "grew by " << (after.privateBytes - before.privateBytes) << " bytes";
        EXPECT_LE(after.handles, before.handles);
    }
}

// The module created and destroyed from this thread, which the threads library
// did not start, once per load: what the library keeps for such a thread while
// the module starts its log and reads its own file must go with the module.
TEST(DllUnloadTest, ModuleCreatedAndDestroyedOncePerLoadKeepsNoHandles)
{
    const std::wstring path = ScreenRelayTest::ProgramFolder() + L"ScreenRelay.dll";
    const auto createAndDestroy = [&path]
    {
        const Ostrel::UniqueLibrary library(LoadLibraryExW(path.c_str(), nullptr, 0));
        ASSERT_TRUE(library) << "LoadLibraryExW failed with " << GetLastError();
        const auto createObject = reinterpret_cast<decltype(&CreateObject)>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), "CreateObject")));
        ASSERT_NE(createObject, nullptr);
        const Ostrel::ModuleFunctionTable* table = createObject(Ostrel::kModuleVersionNumber);
        ASSERT_NE(table, nullptr);
        Ostrel::ModuleHandle module = nullptr;
        ASSERT_EQ(table->NewModule(&module, L"DllUnloadTest"), Ostrel::MODULE_STATUS_SUCCESS);
        EXPECT_EQ(table->DestroyModule(module), Ostrel::MODULE_STATUS_SUCCESS);
    };
    createAndDestroy();
    const RelayHost::ProcessResources before = RelayHost::MeasureProcessResources();
    for (int load = 0; load < kLoads && !testing::Test::HasFatalFailure(); ++load)
    {
        createAndDestroy();
    }
    const RelayHost::ProcessResources after = RelayHost::MeasureProcessResources();
    EXPECT_LE(after.handles, before.handles + 10);
    EXPECT_LE(after.privateBytes, before.privateBytes + kAllowedGrowthBytes)
        << "grew by " << (after.privateBytes - before.privateBytes) << " bytes";
}

} // namespace
