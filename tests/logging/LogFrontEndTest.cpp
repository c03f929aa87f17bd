#include "logging/CETWLogging.h"
#include "logging/CLogBuilder.h"
#include "logging/CLogging.h"
#include "logging/Log.h"
#include "logging/LogHolder.h"
#include "logging/Logging/internal_logging.h"
#include "registry/CRegKey.h"
#include "support/LogCapture.h"
#include "support/RegistryIsolation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

LOG_SOURCE_FILE(L"LogFrontEndTest.cpp")

namespace ETWLogging
{
namespace
{

using ScreenRelayTest::LogCapture;
using ScreenRelayTest::RegistryIsolatedTest;

TEST(LogFrontEndTest, ContextSetAfterTheFirstLogCallChangesNothing)
{
    LogCapture log;
    LOG_ERROR(L"Test::first", L"first %d", 1);
    const std::wstring otherGroup = ScreenRelayTest::UniqueLogGroup();
    SetLogContext(nullptr, otherGroup.c_str(), nullptr, nullptr, 1);
    LOG_ERROR(L"Test::second", L"second %ls", L"record");

    EXPECT_TRUE(log.Contains(L"(Error)$ first 1\r\n")) << log.Text();
    EXPECT_TRUE(log.Contains(L"(Error)$ second record\r\n")) << log.Text();
    EXPECT_EQ(ScreenRelayTest::ReadLoggedText(otherGroup, ScreenRelayTest::ProgramBaseName()), L"");
}

TEST(LogFrontEndTest, EmptyGroupLeavesTheModuleWithoutALogger)
{
    SetLogContext(nullptr, L"", nullptr, nullptr, 1);
    EXPECT_FALSE(LogIsEnabled(LOG_LEVEL_ERROR));
    EXPECT_EQ(LogRecord(LOG_LEVEL_ERROR, L"f.cpp", L"f", 1, L"lost"), 1627u);
    EXPECT_EQ(Basekit::CLogger::RegisteredHandler(), nullptr) << "no bridge without a logger";
}

TEST(LogFrontEndTest, OverlongMessagesReachTheFileLogAsTheirFirstHalf)
{
    LogCapture log;
    const std::wstring whole(4160, L'w');
    const std::wstring overlong = std::wstring(2080, L'a') + std::wstring(2081, L'b');
    EXPECT_EQ(LogRecord(LOG_LEVEL_ERROR, L"f.cpp", L"f", 1, L"%ls", whole.c_str()), 0u);
    EXPECT_EQ(LogRecord(LOG_LEVEL_ERROR, L"f.cpp", L"f", 2, L"%ls", overlong.c_str()), 0u);

    const std::wstring text = log.Text();
    EXPECT_NE(text.find(L"$ " + whole + L"\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"$ " + std::wstring(2080, L'a') + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L'b'), std::wstring::npos);
}

TEST(LogFrontEndTest, FixedArityFormsFormatTheirValues)
{
    LogCapture log;
    const unsigned char byte = 7;
    EXPECT_EQ(LogRecord(LOG_LEVEL_WARNING, L"f.cpp", L"f", 3, L"%lu|%llx|%d|%ls", std::uint32_t{4000000000u},
                        std::uint64_t{0x123456789ull}, byte, L"text"),
              0u);
    EXPECT_TRUE(log.Contains(L"(Warning)$ 4000000000|123456789|7|text\r\n")) << log.Text();
}

TEST(LogFrontEndTest, CoreLibraryMessagesGoThroughTheBridge)
{
    LogCapture log;
    ASSERT_TRUE(LogIsEnabled(LOG_LEVEL_ERROR));
    Basekit::ILoggingHandler* bridge = Basekit::CLogger::RegisteredHandler();
    ASSERT_NE(bridge, nullptr);
    ASSERT_NE(bridge, Basekit::CLogger::DefaultHandler());

    Basekit::CLogger::Log(Basekit::BASEKIT_LOG_ERROR, L"core.cpp", L"Core::f", 5, L"core %d", 2);
    Basekit::CLogger::Log(Basekit::BASEKIT_LOG_INFORMATION, L"core.cpp", L"Core::g", 6, L"core info");
    EXPECT_TRUE(log.Contains(L"(Error)$ core 2\r\n")) << log.Text();
    EXPECT_TRUE(log.Contains(L"(Normal)$ core info\r\n")) << log.Text();

    // A second, different handler is refused and the bridge stays.
    Basekit::CDefaultLoggingHandler other;
    EXPECT_EQ(Basekit::CLogger::RegisterHandler(&other), 5023u);
    EXPECT_EQ(Basekit::CLogger::RegisteredHandler(), bridge);
    EXPECT_TRUE(log.Contains(L"cannot be replaced with 0x")) << log.Text();
}

// Records every message a core library handler receives.
class RecordingHandler : public Basekit::ILoggingHandler
{
public:
    struct Entry
    {
        std::uint32_t level;
        std::wstring file, function;
        std::uint32_t line;
        std::wstring message;
        bool operator==(const Entry&) const = default;
    };
    std::vector<Entry> entries;

    DWORD Handle(std::uint32_t level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                 const wchar_t* message) override
    {
        entries.push_back({level, file, function, line, message});
        return 0;
    }
};

TEST(LogFrontEndTest, CoreLibraryBridgeThatCannotRegisterLeavesTheLoggerInstalled)
{
    RecordingHandler other;
    ASSERT_EQ(Basekit::CLogger::RegisterHandler(&other), 0u);
    LogCapture log;

    LOG_ERROR(L"Test::installed", L"logger %ls", L"installed");
    EXPECT_EQ(Basekit::CLogger::RegisteredHandler(), &other);
    EXPECT_TRUE(log.Contains(L"(Error)$ logger installed\r\n")) << log.Text();
    ASSERT_EQ(other.entries.size(), 1u) << "the refused registration is reported to the registered handler";
    EXPECT_EQ(other.entries[0].line, 72u);

    Basekit::CLogger::Log(Basekit::BASEKIT_LOG_ERROR, L"core.cpp", L"Core::f", 5, L"core %d", 3);
    ASSERT_EQ(other.entries.size(), 2u);
    EXPECT_EQ(other.entries[1].level, Basekit::BASEKIT_LOG_ERROR);
    EXPECT_EQ(other.entries[1].message, L"core 3");
    EXPECT_FALSE(log.Contains(L"core 3")) << log.Text();
    EXPECT_EQ(Basekit::CLogger::UnregisterHandler(&other), 0u);
}

TEST(BasekitLoggerTest, RecordsNameTheirSourceFileAndFunction)
{
    using Basekit::CLogger;
    RecordingHandler registered;
    RecordingHandler requested;
    ASSERT_EQ(CLogger::RegisterHandler(&registered), 0u);
    const struct
    {
        bool unregister;
        RecordingHandler* handler;
        std::uint32_t line;
    } cases[] = {{false, &requested, 72}, {false, nullptr, 62}, {true, nullptr, 97}, {true, &requested, 115}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.unregister ? "unregister " : "register ") << c.handler);
        registered.entries.clear();
        EXPECT_NE(c.unregister ? CLogger::UnregisterHandler(c.handler) : CLogger::RegisterHandler(c.handler), 0u);
        ASSERT_FALSE(registered.entries.empty());
        const RecordingHandler::Entry& record = registered.entries[0];
        EXPECT_EQ(record.level, Basekit::BASEKIT_LOG_ERROR);
        EXPECT_EQ(record.file, L"Logging\\internal_logging.cpp");
        EXPECT_EQ(record.function,
                  c.unregister ? L"Basekit::CLogger::UnregisterHandler" : L"Basekit::CLogger::RegisterHandler");
        EXPECT_EQ(record.line, c.line);
    }
    EXPECT_EQ(CLogger::UnregisterHandler(&registered), 0u);
}

TEST(BasekitLoggerTest, AMessageThatCannotBeFormattedIsReportedAsSuch)
{
    RecordingHandler handler;
    ASSERT_EQ(Basekit::CLogger::RegisterHandler(&handler), 0u);
    // Longer than a formatted length can be.
    Basekit::CLogger::Log(Basekit::BASEKIT_LOG_INFORMATION, L"core.cpp", L"Core::f", 8, L"%2147483647d%2147483647d", 1,
                          2);
    Basekit::CLogger::UnregisterHandler(&handler);

    EXPECT_EQ(handler.entries,
              (std::vector<RecordingHandler::Entry>{{Basekit::BASEKIT_LOG_ERROR, L"core.cpp", L"Core::f", 8,
                                                     L"General formatting failure in Basekit logger."}}));
}

TEST(BasekitLoggerTest, UnregisteringTellsTheHandlersInvolved)
{
    using Basekit::CLogger;
    RecordingHandler registered;
    RecordingHandler requested;

    // With none registered, the requested handler hears why it failed.
    EXPECT_EQ(CLogger::UnregisterHandler(&requested), 5023u);
    EXPECT_EQ(CLogger::RegisteredHandler(), nullptr);
    ASSERT_EQ(requested.entries.size(), 1u);
    EXPECT_EQ(requested.entries[0].line, 107u);
    EXPECT_NE(requested.entries[0].message.find(L"but none are registered"), std::wstring::npos);

    // A null handler is refused; the message about it installs the default handler.
    EXPECT_EQ(CLogger::UnregisterHandler(nullptr), 87u);
    EXPECT_EQ(CLogger::RegisteredHandler(), CLogger::DefaultHandler());

    // With another registered, both hear it and the registered one stays.
    requested.entries.clear();
    ASSERT_EQ(CLogger::RegisterHandler(&registered), 0u);
    EXPECT_EQ(CLogger::UnregisterHandler(&requested), 5023u);
    EXPECT_EQ(CLogger::RegisteredHandler(), &registered);
    ASSERT_EQ(registered.entries.size(), 1u);
    EXPECT_EQ(registered.entries[0].line, 115u);
    ASSERT_EQ(requested.entries.size(), 1u);
    EXPECT_EQ(requested.entries[0].line, 120u);
    EXPECT_EQ(requested.entries[0].function, L"Basekit::CLogger::UnregisterHandler");
    EXPECT_NE(requested.entries[0].message.find(L"Failed to Unregister Logging handler (requested handler 0x"),
              std::wstring::npos);

    EXPECT_EQ(CLogger::UnregisterHandler(&registered), 0u);
    EXPECT_EQ(CLogger::RegisteredHandler(), nullptr);

    EXPECT_EQ(CLogger::RegisterHandler(nullptr), 87u);
    EXPECT_EQ(CLogger::RegisteredHandler(), CLogger::DefaultHandler());
}

class LogBuilderTest : public RegistryIsolatedTest
{
protected:
    // Builds with the given mechanism and reports whether the file logger came out.
    static bool BuildsFileLog(std::uint32_t mechanism, Basekit::CRegKey* key = nullptr)
    {
        CDefaultLogBuilder builder;
        CLoggingIf* logger = nullptr;
        const std::wstring group = ScreenRelayTest::UniqueLogGroup();
        EXPECT_TRUE(builder.BuildEx(nullptr, group.c_str(), nullptr, nullptr, mechanism, &logger, key));
        std::unique_ptr<CLoggingIf> owned(logger);
        EXPECT_NE(logger, nullptr);
        return dynamic_cast<CLogging*>(logger) != nullptr;
    }

    static void SetMechanism(DWORD value, const wchar_t* path = L"SOFTWARE\\Norvane\\Logging")
    {
        Basekit::CRegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, path, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), 0);
        ASSERT_EQ(key.SetDWORDValue(L"Logging Mechanism", value), 0);
    }
};

TEST_F(LogBuilderTest, RegistryChoosesTheLogger)
{
    EXPECT_FALSE(BuildsFileLog(0)) << "key missing: event tracing";
    Basekit::CRegKey key;
    ASSERT_EQ(
        key.Create(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\Logging", nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), 0);
    EXPECT_FALSE(BuildsFileLog(0)) << "value missing: event tracing";
    for (const DWORD value : {0ul, 2ul})
    {
        SetMechanism(value);
        EXPECT_FALSE(BuildsFileLog(0)) << value;
    }
    SetMechanism(1);
    EXPECT_TRUE(BuildsFileLog(0));
    EXPECT_TRUE(BuildsFileLog(2)) << "only mechanism 1 is special";
    SetMechanism(0);
    EXPECT_TRUE(BuildsFileLog(1)) << "mechanism 1 forces the file log without reading the registry";

    // A key object passed in is read instead, whatever the default key holds.
    SetMechanism(1);
    SetMechanism(0, L"SOFTWARE\\Norvane\\PassedLogging");
    Basekit::CRegKey passed;
    ASSERT_EQ(passed.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane\\PassedLogging"), 0);
    EXPECT_FALSE(BuildsFileLog(0, &passed));
    SetMechanism(0);
    ASSERT_EQ(passed.SetDWORDValue(L"Logging Mechanism", 1), 0);
    EXPECT_TRUE(BuildsFileLog(0, &passed));
}

TEST_F(LogBuilderTest, RefusesAnOccupiedSlotAndEmptyNames)
{
    CDefaultLogBuilder builder;
    CLogging existing;
    CLoggingIf* occupied = &existing;
    EXPECT_FALSE(builder.Build(L"group", nullptr, nullptr, 1, &occupied, nullptr));
    EXPECT_EQ(occupied, &existing);

    CLoggingIf* logger = nullptr;
    EXPECT_FALSE(builder.Build(L"", nullptr, nullptr, 1, &logger, nullptr));
    EXPECT_FALSE(builder.Build(L"group", nullptr, L"", 1, &logger, nullptr));
    EXPECT_EQ(logger, nullptr);
}

} // namespace
} // namespace ETWLogging
