#include "messagebus/FailingAllocation.h"
#include "messagebus/MessageBusLib.h"
#include "platform/ModuleException.h"
#include "platform/PathHelpers.h"
#include "platform/TrustVerification.h"
#include "platform/dll/SharedLibrary.h"

#include "platform/UniqueHandles.h"
#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

namespace Ostrel
{
namespace
{

// Stand-ins for the bus library, built next to the test program.
constexpr wchar_t kTestBus[] = L"TestBus.dll";
constexpr wchar_t kTestBusNoTable[] = L"TestBusNoTable.dll";
constexpr wchar_t kTestBusNoHandle[] = L"TestBusNoHandle.dll";
constexpr wchar_t kTestBusReleaseFails[] = L"TestBusReleaseFails.dll";

bool IsLoaded(const std::wstring& path)
{
    return GetModuleHandleW(path.c_str()) != nullptr;
}

// Every call the loaded stand-in received so far, one line each.
std::wstring Journal(const std::wstring& path)
{
    using JournalFunction = const wchar_t* (*)();
    const FARPROC address = GetProcAddress(GetModuleHandleW(path.c_str()), "TestBusJournal");
    return address != nullptr ? reinterpret_cast<JournalFunction>(reinterpret_cast<void*>(address))() : L"";
}

class MessageBusLibTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ScreenRelayTest::LogSourceAndFunction(log_);
    }

    // Puts a stand-in as "MessageBus.dll" into a folder of the temporary
    // folder and lists it as trusted.
    std::wstring InstallBus(const wchar_t* testBus, const std::wstring& folder)
    {
        const std::wstring path = ScreenRelayTest::CopyTestLibrary(testBus, temp_.File(folder), L"MessageBus.dll");
        EXPECT_FALSE(path.empty());
        EXPECT_EQ(ListTrustedFile(path), 0u);
        return path;
    }

    void SetInstallFolder(const std::wstring& folder)
    {
        const std::wstring path = temp_.File(folder);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\NORVANE\\RADADUV", L"Install Dir", REG_SZ,
                                  path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    // The bus library found through the default descriptor, for a host
    // application living in the temporary folder's "app" folder (the test
    // program's own folder may hold a development bus library).
    std::shared_ptr<SharedLibrary> DefaultLibrary()
    {
        auto pathHelpers =
            std::make_shared<PathHelpers>(nullptr, nullptr, nullptr, splitPath(temp_.File(L"app\\relayhost.exe")));
        return std::make_shared<SharedLibrary>(MessageBusLib::defaultDescriptor(), nullptr, nullptr,
                                               std::move(pathHelpers));
    }

    ScreenRelayTest::LogCapture log_{ETWLogging::LOG_LEVEL_NORMAL};
    ScreenRelayTest::TempFolder temp_;
};

TEST_F(MessageBusLibTest, ForwardsToTheLoadedBusAndReleasesInReverseOrder)
{
    const std::wstring path = InstallBus(kTestBus, L"install");
    SetInstallFolder(L"install");
    auto bus = std::make_unique<MessageBusLib>(DefaultLibrary());

    const auto message = createMessage(L"ZTS.UI.ShowScreen", L"Sender.dll", L"{}");
    SubscribedHandler handler{MessageHandler()};
    ReplyFunction replyFunction;
    EXPECT_EQ(bus->publish(message, false), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(bus->publish(message, true), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(bus->request(message, 3, &replyFunction, 5000, false), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(bus->request(message, 4, &replyFunction, 5000, true), MODULE_STATUS_SUCCESS);
    EXPECT_EQ(bus->subscribe(L"ZTS.UI.ShowHelp", &handler), 14u);
    EXPECT_EQ(bus->subscribeFilter(L"ZTS\\..*", &handler), 15u);
    bus->unsubscribe(14);
    bus->releaseReplyCallback();

    // One more reference keeps the library readable after the binding let go.
    UniqueLibrary module;
    ASSERT_TRUE(GetModuleHandleExW(0, path.c_str(), module.put()));
    bus.reset();
    EXPECT_EQ(Journal(path), L"CreateObject 2001000\n0\n2 ZTS.UI.ShowScreen\n8 ZTS.UI.ShowScreen\n"
                             L"3 3 ZTS.UI.ShowScreen 5000\n9 4 ZTS.UI.ShowScreen 5000\n4 ZTS.UI.ShowHelp\n"
                             L"5 ZTS\\..*\n6 14\n7\n7\n1\n");
    module.reset();
    EXPECT_FALSE(IsLoaded(path));
    EXPECT_TRUE(log_.Contains(L"M12NPerfTimer|MessageBusLib::MessageBusLib|"));
}

TEST_F(MessageBusLibTest, TheHostApplicationsFolderComesFirst)
{
    const std::wstring path = InstallBus(kTestBus, L"app");
    InstallBus(kTestBusNoTable, L"install");
    SetInstallFolder(L"install");

    MessageBusLib bus(DefaultLibrary());

    EXPECT_TRUE(IsLoaded(path));
}

TEST_F(MessageBusLibTest, FailingStepsThrowOrLogAndTheLibraryIsUnloaded)
{
    struct Case
    {
        const wchar_t* testBus;
        const char* exception; // empty: construction succeeds
        const wchar_t* level;
        const wchar_t* function;
        const wchar_t* record;
    };
    const Case cases[] = {
        {kTestBusNoTable, "Failed to get message bus functions object", L"Error",
         L"Ostrel::MessageBusLib::MessageBusLib",
         L"Failed to get message bus functions object. Throwing ModuleException."},
        {kTestBusNoHandle, "Failed to get message bus handle", L"Error", L"Ostrel::MessageBusLib::MessageBusLib",
         L"Failed to get message bus handle. Error code: MODULE_STATUS_TIMEOUT(2147483661). Throwing ModuleException."},
        {kTestBusReleaseFails, "", L"Warning", L"Ostrel::MessageBusLib::{dtor}",
         L"Failed to release message bus. Error code MODULE_STATUS_UNSUCCESSFUL(2147483650)."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.exception);
        const std::wstring folder = c.testBus;
        const std::wstring path = InstallBus(c.testBus, folder);
        SetInstallFolder(folder);
        std::string exception;
        try
        {
            MessageBusLib bus(DefaultLibrary());
        }
        catch (const ModuleException& e)
        {
            exception = e.what();
        }
        EXPECT_EQ(exception, c.exception);
        EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(log_.Text(), c.record),
                  (ScreenRelayTest::LoggedRecord{c.level, L"MessageBusLib.cpp", c.function}));
        EXPECT_FALSE(IsLoaded(path));
    }
}

// Every allocation the construction makes fails in turn: whenever a handle had
// been created, it is released before the library goes.
TEST_F(MessageBusLibTest, FailureAfterTheHandleWasCreatedReleasesIt)
{
    const std::wstring path = InstallBus(kTestBus, L"install");
    SetInstallFolder(L"install");
    for (std::size_t index = 0;; ++index)
    {
        SCOPED_TRACE(testing::Message() << "allocation " << index);
        const std::shared_ptr<SharedLibrary> library = DefaultLibrary();
        std::unique_ptr<MessageBusLib> bus;
        bool failed = false;
        {
            ScreenRelayTest::FailingAllocation failing(index);
            try
            {
                bus = std::make_unique<MessageBusLib>(library);
            }
            catch (...)
            {
            }
            failed = failing.Happened();
        }
        if (!failed)
        {
            EXPECT_NE(bus, nullptr);
            break;
        }
        bus.reset();
        const std::wstring journal = Journal(path);
        EXPECT_EQ(journal.find(L"\n0\n") != std::wstring::npos, journal.find(L"\n1\n") != std::wstring::npos)
            << journal;
    }
}

// The isolated registry names no install folder and trusts no file, so no bus
// library can be loaded.
TEST_F(MessageBusLibTest, WithoutAReachableBusConstructionFails)
{
    try
    {
        MessageBusLib bus;
        FAIL() << "no exception";
    }
    catch (const ModuleException& e)
    {
        EXPECT_STREQ(e.what(), "Failed to load library");
    }
}

} // namespace
} // namespace Ostrel
