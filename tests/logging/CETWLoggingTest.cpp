#include "logging/CETWLogging.h"
#include "registry/CObfuscatedRegKey.h"
#include "registry/OwnModuleInfo.h"

#include "logging/FakeTracingAPI.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace ETWLogging
{
namespace
{

using ScreenRelayTest::FakeTracingAPI;

constexpr GUID kEventClass = {0xCD1DAAD0, 0x54CC, 0x11E0, {0xB8, 0xAF, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66}};
constexpr GUID kDefaultProvider = {0xE16CA450, 0x55CC, 0x11E0, {0xB8, 0xAF, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66}};
constexpr GUID kOwnProvider = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr TRACEHANDLE kSessionA = 0xA1;
constexpr TRACEHANDLE kSessionB = 0xB2;
constexpr wchar_t kProviderPath[] = L"SOFTWARE\\Norvane\\Logging\\Provider";
constexpr wchar_t kZtsKey[] = L"SOFTWARE\\Norvane.logging\\ZTS";

// Reads little-endian fields in order from captured bytes.
struct Reader
{
    const std::vector<std::uint8_t>& bytes;
    std::size_t offset = 0;

    template <typename T>
    T Next()
    {
        T value{};
        std::memcpy(&value, bytes.data() + std::min(offset, bytes.size() - sizeof(T)), sizeof(T));
        offset += sizeof(T);
        return value;
    }
    std::wstring Counted()
    {
        std::wstring text(Next<std::uint16_t>(), L'\0');
        for (wchar_t& unit : text)
        {
            unit = static_cast<wchar_t>(Next<std::uint16_t>());
        }
        return text;
    }
};

std::wstring ExecutableName(bool stripExtension)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = std::wcsrchr(path, L'\\') + 1;
    return stripExtension ? name.substr(0, name.rfind(L'.')) : name;
}

std::wstring ProgramData()
{
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramData", folder, MAX_PATH);
    return folder;
}

void SetDword(const std::wstring& path, const wchar_t* name, DWORD value)
{
    Basekit::CRegKey key;
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path.c_str()), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORDValue(name, value), ERROR_SUCCESS);
}

// Writes the application key of "ZTS" in scrambled form, without the one value named.
void WriteZtsKey(const std::wstring& omitted)
{
    const struct
    {
        const wchar_t* subkey;
        const wchar_t* name;
        const wchar_t* text; // null: the GUID
    } values[] = {
        {L"", L"Log Path", L"\\Own\\Logs"},
        {L"\\Controller", L"Controller Path", L"C:\\Own\\Controller.exe"},
        {L"\\Controller", L"Owner Mutex Name", L"Global\\OwnMutex"},
        {L"\\Session", L"Session ID Guid", nullptr},
        {L"\\Session", L"Session Name", L"OwnSession"},
        {L"\\Provider", L"Provider Guid", nullptr},
    };
    for (const auto& v : values)
    {
        Basekit::CObfuscatedRegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, (kZtsKey + std::wstring(v.subkey)).c_str()), ERROR_SUCCESS);
        if (omitted != v.name)
        {
            ASSERT_EQ(v.text ? key.SetStringValue(v.name, v.text) : key.SetGUIDValue(v.name, kOwnProvider), 0);
        }
    }
}

class CETWLoggingTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    std::shared_ptr<FakeTracingAPI> tracing = std::make_shared<FakeTracingAPI>();
    std::unique_ptr<CETWLogging> logger = std::make_unique<CETWLogging>(tracing);

    void Open()
    {
        ASSERT_EQ(logger->OpenEx(nullptr, L"Relay", nullptr, nullptr, nullptr), 0u);
        ASSERT_EQ(logger->Register(), 0u);
    }
    // Opens, registers and attaches a session that enables level 1.
    void OpenAndAttach()
    {
        Open();
        FakeTracingAPI::Session session{kSessionA, 1, 0};
        ASSERT_EQ(tracing->Control(WMI_ENABLE_EVENTS, &session), 0u);
    }
};

TEST_F(CETWLoggingTest, EventCarriesHeaderRecordAndUtf8Message)
{
    OpenAndAttach();
    const struct
    {
        const wchar_t* file;
        std::wstring function;
        const wchar_t* text;
        std::string utf8;
    } cases[] = {
        {L"dll\\DllLoader.cpp", L"Ostrel::DllLoader::load", L"Gr\u00F6\u00DFe \u20AC \U0001F600 100% %d",
         "Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80 100% %d"},
        // A record larger than the inline room of its buffer.
        {L"ModuleFunctions.cpp", std::wstring(300, L'F'), L"", ""},
    };
    for (const auto& c : cases)
    {
        tracing->events.clear();
        // The stub's failure to send is not reported.
        EXPECT_EQ(logger->LogTextEx(LOG_LEVEL_ERROR, c.file, c.function.c_str(), 42, c.text), 0u);
        ASSERT_EQ(tracing->events.size(), 1u);
        const FakeTracingAPI::Event& event = tracing->events[0];
        EXPECT_EQ(event.session, kSessionA);
        EXPECT_EQ(std::string(event.message.begin(), event.message.end()), c.utf8);

        Reader header{event.header};
        EXPECT_EQ(header.Next<std::uint16_t>(), 80u);
        header.Next<std::uint16_t>();
        EXPECT_EQ(header.Next<std::uint8_t>(), 1u);  // type: information
        EXPECT_EQ(header.Next<std::uint8_t>(), 4u);  // level
        EXPECT_EQ(header.Next<std::uint16_t>(), 2u); // version
        header.offset += 16;                         // thread and process id, time stamp
        EXPECT_EQ(header.Next<GUID>(), kEventClass);
        EXPECT_EQ(header.Next<std::uint64_t>() >> 32, 0x00120000u);
        header.Next<std::uint64_t>();
        EXPECT_EQ(header.Next<std::uint64_t>() & 0xFFFFFFFF, event.record.size());
        header.Next<std::uint64_t>();
        EXPECT_EQ(header.Next<std::uint64_t>() & 0xFFFFFFFF, c.utf8.size());

        Reader record{event.record};
        EXPECT_EQ(record.Next<std::uint32_t>(), GetCurrentProcessId());
        EXPECT_EQ(record.Next<std::uint32_t>(), GetCurrentThreadId());
        EXPECT_EQ(record.Counted(), ExecutableName(false));
        EXPECT_EQ(record.Counted(), c.file);
        EXPECT_EQ(record.Counted(), c.function);
        EXPECT_EQ(record.Next<std::uint32_t>(), 42u);
        const std::wstring folder = record.Counted();
        EXPECT_EQ(folder, Basekit::GetOwnModuleInfo().folder);
        EXPECT_EQ(folder.find_last_of(L'\\'), folder.size() - 1);
        EXPECT_EQ(record.Counted(), Basekit::GetOwnModuleInfo().version);
        EXPECT_EQ(record.Counted(), L"Relay");
        EXPECT_EQ(record.Next<std::uint64_t>(), c.utf8.size());
        EXPECT_EQ(record.offset, event.record.size());
    }
}

TEST_F(CETWLoggingTest, LongMessagesAreCutTo2079Characters)
{
    OpenAndAttach();
    std::string accents;
    for (int i = 0; i < 1500; ++i)
    {
        accents += "\xC3\xA9";
    }
    const struct
    {
        std::wstring text;
        std::string utf8;
    } cases[] = {
        {std::wstring(2079, L'x'), std::string(2079, 'x')},
        // A cut message is sent with the buffer's terminating zero.
        {std::wstring(3000, L'x'), std::string(2079, 'x') + '\0'},
        {std::wstring(1500, L'\u00E9'), accents},
    };
    for (const auto& c : cases)
    {
        tracing->events.clear();
        logger->Log(LOG_LEVEL_ERROR, L"f.cpp", L"f", 1, L"%ls", c.text.c_str());
        ASSERT_EQ(tracing->events.size(), 1u);
        EXPECT_EQ(std::string(tracing->events[0].message.begin(), tracing->events[0].message.end()), c.utf8);
    }
}

TEST_F(CETWLoggingTest, FilterPassesInformationAlwaysAndMapsHeaderLevel)
{
    OpenAndAttach();
    logger->SetSeverity(5);
    const struct
    {
        LogLevel level;
        int headerLevel; // -1: not sent
    } cases[] = {{1, -1}, {2, -1}, {3, 3}, {4, -1}, {5, 5}, {6, 3}, {9, 3}};
    for (const auto& c : cases)
    {
        tracing->events.clear();
        EXPECT_EQ(logger->IsLevelEnabled(c.level), c.headerLevel >= 0) << c.level;
        logger->LogEx(c.level, L"f.cpp", L"f", 1, L"m");
        ASSERT_EQ(tracing->events.size(), c.headerLevel >= 0 ? 1u : 0u) << c.level;
        if (c.headerLevel >= 0)
        {
            EXPECT_EQ(tracing->events[0].header[5], c.headerLevel) << c.level;
        }
    }
    logger->SetEnabled(false);
    logger->LogEx(LOG_LEVEL_INFORMATION, L"f.cpp", L"f", 1, L"m");
    EXPECT_EQ(tracing->events.size(), 1u);
}

TEST_F(CETWLoggingTest, OneSessionAttachesUntilItDisables)
{
    Open();
    FakeTracingAPI::Session a{kSessionA, 4, 0x10};
    FakeTracingAPI::Session b{kSessionB, 1, 0};
    FakeTracingAPI::Session unknown{static_cast<TRACEHANDLE>(-1), 2, 0};
    FakeTracingAPI::Session levelZero{kSessionA, 0, 0};
    const struct
    {
        ULONG request;
        FakeTracingAPI::Session* session;
        ULONG result;
        TRACEHANDLE attached;
        bool enabled;
        LogLevel severity;
    } steps[] = {
        {WMI_ENABLE_EVENTS, &unknown, ERROR_INVALID_HANDLE, 0, true, 3},
        {WMI_ENABLE_EVENTS, &a, 0, kSessionA, true, 4},
        {WMI_ENABLE_EVENTS, &b, 0, kSessionA, true, 4},   // ignored
        {WMI_DISABLE_EVENTS, &b, 0, kSessionA, false, 4}, // not attached: only turns the logger off
        {WMI_DISABLE_EVENTS, &a, 0, 0, false, 4},
        {WMI_ENABLE_EVENTS, &b, 0, kSessionB, true, 1},
        {WMI_DISABLE_EVENTS, &b, 0, 0, false, 1},
        {WMI_ENABLE_EVENTS, &levelZero, 0, kSessionA, false, 1}, // attaches without applying settings
        {WMI_GET_ALL_DATA, &b, ERROR_INVALID_PARAMETER, kSessionA, false, 1},
    };
    for (const auto& step : steps)
    {
        EXPECT_EQ(tracing->Control(step.request, step.session), step.result);
        EXPECT_TRUE(logger->IsSessionHandle(step.attached));
        EXPECT_EQ(logger->IsEnabled(), step.enabled);
        EXPECT_EQ(logger->GetSeverity(), step.severity);
    }
    ULONG size = 0;
    EXPECT_EQ(tracing->callback(WMI_ENABLE_EVENTS, nullptr, &size, &b), 87u);
}

TEST_F(CETWLoggingTest, RegistrySettingsOverrideFromProviderToGroupToModule)
{
    const std::wstring provider = kProviderPath;
    const std::wstring group = provider + L"\\Relay";
    const std::wstring module = group + L"\\" + ExecutableName(true);
    const struct
    {
        std::vector<std::tuple<std::wstring, const wchar_t*, DWORD>> values;
        LogLevel severity;
        bool enabled;
    } cases[] = {
        {{{provider, L"Severity", 5}}, 5, true},
        {{{provider, L"Severity", 5}, {group, L"Severity", 2}}, 2, true},
        {{{provider, L"Severity", 5}, {group, L"Severity", 2}, {module, L"Severity", 4}}, 4, true},
        {{{provider, L"Enable", 0}, {group, L"Enable", 1}}, 3, true},
        {{{provider, L"Enable", 0}, {group, L"Severity", 9}}, 6, false},
    };
    for (const auto& c : cases)
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane");
        for (const auto& [path, name, value] : c.values)
        {
            SetDword(path, name, value);
        }
        CETWLogging opened(tracing);
        ASSERT_EQ(opened.OpenEx(nullptr, L"Relay", nullptr, nullptr, nullptr), 0u);
        EXPECT_EQ(opened.GetSeverity(), c.severity);
        EXPECT_EQ(opened.IsEnabled(), c.enabled);
    }
    // The registry overrides a session's enable request as well.
    OpenAndAttach();
    EXPECT_EQ(logger->GetSeverity(), 6u);
    EXPECT_FALSE(logger->IsEnabled());
}

TEST_F(CETWLoggingTest, RegistersOnceAndCloseUnregisters)
{
    Open();
    EXPECT_EQ(logger->Register(), 0u);
    EXPECT_EQ(tracing->registrations, 1);
    EXPECT_EQ(tracing->controlGuid, kDefaultProvider);
    EXPECT_EQ(tracing->traceGuid, kEventClass);
    EXPECT_EQ(logger->OpenEx(nullptr, L"Relay", nullptr, nullptr, nullptr), 20001u);
    logger->Close();
    EXPECT_FALSE(logger->IsEnabled());
    EXPECT_EQ(tracing->unregistered, std::vector<TRACEHANDLE>{tracing->registration});
}

TEST_F(CETWLoggingTest, AFailedRegistrationIsReportedToOneCallerAndNotTriedAgain)
{
    tracing->registerResult = ERROR_ACCESS_DENIED;
    ASSERT_EQ(logger->OpenEx(nullptr, L"Relay", nullptr, nullptr, nullptr), 0u);
    constexpr int kCallers = 8;
    std::vector<DWORD> results(kCallers, 0);
    std::latch start(kCallers);
    {
        std::vector<std::jthread> callers;
        for (int caller = 0; caller < kCallers; ++caller)
        {
            callers.emplace_back(
                [&, caller]
                {
                    start.arrive_and_wait();
                    results[caller] = logger->Register();
                });
        }
    }
    EXPECT_EQ(std::count(results.begin(), results.end(), DWORD{ERROR_ACCESS_DENIED}), 1);
    EXPECT_EQ(std::count(results.begin(), results.end(), DWORD{0}), kCallers - 1);
    EXPECT_EQ(logger->Register(), 0u);
    EXPECT_EQ(tracing->registrations, 1);
}

TEST_F(CETWLoggingTest, OpenExTakesPropertiesFromTheApplicationKeyOrBuiltIn)
{
    const std::wstring data = ProgramData();
    const struct
    {
        const wchar_t* omittedValue; // null: no application key
        const wchar_t* application;
        const wchar_t* group;
        const wchar_t* host;
        DWORD result;
        GUID provider{};
        std::wstring providerPath{};
        std::wstring logFolder{};
    } cases[] = {
        {nullptr, nullptr, L"Relay", nullptr, 0, kDefaultProvider, kProviderPath, data + L"\\Norvane\\QVLOGS"},
        {nullptr, L"", L"Relay", nullptr, 0, kDefaultProvider, kProviderPath, data + L"\\Norvane\\QVLOGS"},
        {L"", L"ZTS", L"Relay", nullptr, 0, kOwnProvider, kZtsKey + std::wstring(L"\\Provider"), data + L"\\Own\\Logs"},
        {L"Session Name", nullptr, L"Relay", nullptr, 87},
        {L"Provider Guid", nullptr, L"Relay", nullptr, 87},
        {nullptr, L"Other", L"Relay", nullptr, 87},
        {nullptr, nullptr, L"", nullptr, 87},
        {nullptr, nullptr, L"Relay", L"", 87},
    };
    for (const auto& c : cases)
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane.logging");
        if (c.omittedValue != nullptr)
        {
            WriteZtsKey(c.omittedValue);
        }
        CETWLogging opened(tracing);
        ASSERT_EQ(opened.OpenEx(c.application, c.group, GetModuleHandleW(L"kernel32.dll"), c.host, nullptr), c.result);
        if (c.result != 0)
        {
            // The front end's fallback fails the same way.
            EXPECT_EQ(opened.Open(c.group, nullptr, c.host, nullptr), 87u);
            continue;
        }
        const internal::ETWAppProperties& properties = opened.GetAppProperties();
        EXPECT_EQ(properties.ApplicationName(), L"ZTS");
        EXPECT_EQ(properties.ProviderGuid(), c.provider);
        EXPECT_EQ(properties.ProviderRegistryPath(), c.providerPath);
        EXPECT_EQ(properties.LogFolder(), c.logFolder);
        EXPECT_EQ(properties.TraceFile(), data + L"\\Norvane\\QVLOGS\\ETW\\qvlogs.etl");
        EXPECT_STREQ(opened.GetLogName(), L"Relay\\kernel32");
    }
}

} // namespace
} // namespace ETWLogging
