#include "messagebus/MessageProperties.h"
#include "module/ModuleHolder.h"
#include "module/ModuleInterface.h"
#include "platform/TrustVerification.h"
#include "screenrelay/ScreenRelay.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The eight entry points of the module function table, driven as a host
// drives them. This program carries the shipped mapping definition as its
// resource JSON 101.

namespace Ostrel
{
namespace
{

using namespace ::testing;

// Captures the records of the test. NewModule names the log context after
// the module, which counts only while no logger exists: the capture's logger
// is created first.
class LogCapture : public ScreenRelayTest::LogCapture
{
public:
    using ScreenRelayTest::LogCapture::LogCapture;
    LogCapture() { ETWLogging::LogIsEnabled(ETWLogging::LOG_LEVEL_ERROR); }
    explicit LogCapture(ETWLogging::LogLevel severity)
        : ScreenRelayTest::LogCapture(severity)
    {
        ETWLogging::LogIsEnabled(ETWLogging::LOG_LEVEL_ERROR);
    }
};

const ModuleFunctionTable& Table()
{
    return *GetModuleFunctionTable();
}

// The host's unload callback: counts the requests by module name.
struct Host
{
    static ModuleStatus Unload(void* context, const wchar_t* moduleName, void*)
    {
        static_cast<Host*>(context)->unloads.push_back(moduleName);
        return MODULE_STATUS_SUCCESS;
    }

    std::vector<std::wstring> unloads;
};

// A handle as NewModule makes it, destroyed at the end of the test.
class NewHandle
{
public:
    NewHandle() { EXPECT_EQ(Table().NewModule(&handle_, L"ScreenRelay"), MODULE_STATUS_SUCCESS); }
    ~NewHandle()
    {
        if (handle_ != nullptr)
        {
            EXPECT_EQ(Table().DestroyModule(handle_), MODULE_STATUS_SUCCESS);
        }
    }
    NewHandle(const NewHandle&) = delete;
    NewHandle& operator=(const NewHandle&) = delete;

    ModuleHandle Get() const { return handle_; }

private:
    ModuleHandle handle_ = nullptr;
};

TEST(ModuleFunctionsTest, AMissingHandleOrModuleIsAnInvalidParameterForEveryEntryPoint)
{
    LogCapture log;
    auto* emptyHolder = new ModuleHolder{{nullptr, destroyModule}};
    ModuleHandle emptyHandle = emptyHolder;
    int anything = 0;
    struct Case
    {
        const char* label;
        std::function<ModuleStatus()> call;
        const wchar_t* record;
    };
    const Case cases[] = {
        {"NewModule, no handle address", [] { return Table().NewModule(nullptr, L"ScreenRelay"); },
         L"Invalid handle address."},
        {"DestroyModule, null", [] { return Table().DestroyModule(nullptr); }, L"Invalid handle."},
        {"InitializeModule, null",
         [] { return Table().InitializeModule(nullptr, L"", L"", 0, nullptr, nullptr, nullptr, nullptr); },
         L"Invalid handle."},
        {"InitializeModule, no module",
         [&] { return Table().InitializeModule(emptyHandle, L"", L"", 0, nullptr, nullptr, nullptr, nullptr); },
         L"Invalid handle."},
        {"InitializeModuleV2, null",
         [&] {
             return Table().InitializeModuleV2(nullptr, L"", L"", 0, nullptr, nullptr, nullptr, nullptr, &anything,
                                               &anything);
         },
         L"Invalid handle."},
        {"InitializeModuleV2, no module",
         [&]
         {
             return Table().InitializeModuleV2(emptyHandle, L"", L"", 0, nullptr, nullptr, nullptr, nullptr, &anything,
                                               &anything);
         },
         L"Invalid handle."},
        {"StartModule, null", [] { return Table().StartModule(nullptr); }, L"Invalid handle."},
        {"StartModule, no module", [&] { return Table().StartModule(emptyHandle); }, L"Invalid handle."},
        {"StopModule, null", [] { return Table().StopModule(nullptr); }, L"Invalid handle."},
        {"StopModule, no module", [&] { return Table().StopModule(emptyHandle); }, L"Invalid handle."},
        {"UninitializeModule, null", [] { return Table().UninitializeModule(nullptr); }, L"Invalid handle."},
        {"UninitializeModule, no module", [&] { return Table().UninitializeModule(emptyHandle); }, L"Invalid handle."},
        {"DirectMessage, null", [] { return Table().DirectMessage(nullptr, nullptr, L"n", L"s", L"p"); },
         L"Invalid handle."},
        {"DirectMessage, no module", [&] { return Table().DirectMessage(emptyHandle, nullptr, L"n", L"s", L"p"); },
         L"Invalid handle."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::wstring before = log.Text();
        EXPECT_EQ(c.call(), MODULE_STATUS_INVALID_PARAMETER);
        const std::wstring added = log.Text().substr(before.size());
        EXPECT_THAT(added, HasSubstr(std::wstring(L"(Error)$ ") + c.record));
    }

    // DestroyModule accepts a holder without a module and only frees it.
    EXPECT_EQ(Table().DestroyModule(emptyHandle), MODULE_STATUS_SUCCESS);
    EXPECT_FALSE(log.Contains(L"Successfully destroyed module"));
}

TEST(ModuleFunctionsTest, NewModuleWithoutTheMappingResourceFailsAndLeavesTheHandleAlone)
{
    LogCapture log;
    SetLibraryInstance(GetModuleHandleW(L"kernel32.dll"));
    int placeholder = 0;
    ModuleHandle handle = &placeholder;
    EXPECT_EQ(Table().NewModule(&handle, L"ScreenRelay"), MODULE_STATUS_UNSUCCESSFUL);
    SetLibraryInstance(nullptr);
    EXPECT_EQ(handle, &placeholder);
    EXPECT_TRUE(log.Contains(L"Failed to load mapping definition"));
}

TEST(ModuleFunctionsTest, ANullHostBusForInitializeModuleV2IsAnExceptionAndTheModuleIsNotInitialized)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    NewHandle handle;
    Host host;
    int anything = 0;
    EXPECT_EQ(Table().InitializeModuleV2(handle.Get(), L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload,
                                         nullptr, &anything),
              MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_EQ(Table().InitializeModuleV2(handle.Get(), L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload,
                                         &anything, nullptr),
              MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_FALSE(log.Contains(L"Initializing module"));
    // Never initialized: there are no subscriptions to end and no bus to deliver on.
    EXPECT_EQ(Table().DirectMessage(handle.Get(), nullptr, L"ZTS.UI.ShowScreen", L"", L"{}"),
              MODULE_STATUS_INVALID_STATE);
    EXPECT_EQ(Table().UninitializeModule(handle.Get()), MODULE_STATUS_INVALID_STATE);
    EXPECT_TRUE(log.Contains(L"Failed to process direct message. Invalid message bus client."));
}

TEST(ModuleFunctionsTest, DirectMessageBeforeInitializationIsAnInvalidState)
{
    NewHandle handle;
    EXPECT_EQ(Table().StartModule(handle.Get()), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(Table().DirectMessage(handle.Get(), nullptr, L"ZTS.UI.ShowScreen", L"", L"{\"name\":\"x\"}"),
              MODULE_STATUS_INVALID_STATE);
    EXPECT_EQ(Table().StopModule(handle.Get()), MODULE_STATUS_SUCCESS);
}

class ModuleFunctionsLifecycleTest : public ScreenRelayTest::RegistryIsolatedTest
{
};

// Without a host bus the module loads the bus library itself, which has to
// pass the trust verification.
TEST_F(ModuleFunctionsLifecycleTest, InitializeModuleLoadsOnlyATrustedBusLibrary)
{
    NewHandle handle;
    Host host;
    EXPECT_EQ(Table().InitializeModule(handle.Get(), L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload),
              MODULE_STATUS_UNKNOWN_EXCEPTION);

    ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll"), 0u);
    const wchar_t* names[] = {L"mode", L"mode"};
    const wchar_t* values[] = {L"first", L"second"};
    EXPECT_EQ(Table().InitializeModule(handle.Get(), L"ScreenRelay", L"info", 2, names, values, &host, &Host::Unload),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(Table().UninitializeModule(handle.Get()), MODULE_STATUS_SUCCESS);
}

TEST_F(ModuleFunctionsLifecycleTest, ADirectMessageReachesItsHandlerWhichAsksTheHostForTheUnload)
{
    LogCapture log;
    ASSERT_EQ(ListTrustedFile(ScreenRelayTest::ProgramFolder() + L"MessageBus.dll"), 0u);
    NewHandle handle;
    Host host;
    ASSERT_EQ(Table().InitializeModule(handle.Get(), L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload),
              MODULE_STATUS_SUCCESS);
    ASSERT_EQ(Table().StartModule(handle.Get()), MODULE_STATUS_SUCCESS);

    // Handler results do not reach the caller of a direct delivery.
    EXPECT_EQ(Table().DirectMessage(handle.Get(), nullptr, L"ZTS.UI.ShowScreen", L"", L"{\"name\":\"no.such\"}"),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(host.unloads, std::vector<std::wstring>{L"ScreenRelay"});
    EXPECT_TRUE(log.Contains(L"No command for 'no.such' found"));

    MessageProperties properties = MessagePropertiesTemplate();
    EXPECT_EQ(Table().DirectMessage(handle.Get(), &properties, L"ZTS.UI.Unknown", L"Sender", L"{}"),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(host.unloads.size(), 1u) << "no handler for that name";

    ASSERT_EQ(Table().StopModule(handle.Get()), MODULE_STATUS_SUCCESS);
    ASSERT_EQ(Table().UninitializeModule(handle.Get()), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(Table().DirectMessage(handle.Get(), nullptr, L"ZTS.UI.ShowScreen", L"", L"{\"name\":\"no.such\"}"),
              MODULE_STATUS_SUCCESS);
    EXPECT_EQ(host.unloads.size(), 1u) << "unsubscribed";
}

} // namespace
} // namespace Ostrel
