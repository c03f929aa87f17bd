#include "JournalFile.h"
#include "RegistrationLock.h"
#include "RelayHostProcess.h"
#include "platform/UniqueHandles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace
{

// The module's name for this run, which is also its log group, so that this
// test reads a file log of its own.
std::wstring UniqueModuleName()
{
    return L"ShowScreenE2E" + std::to_wstring(GetCurrentProcessId());
}

std::wstring LogGroupFolder(const std::wstring& group)
{
    Ostrel::UniqueTaskString data;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, data.put())))
    {
        return {};
    }
    return std::wstring(data.get()) + L"\\Norvane\\QVLOGS\\" + group;
}

// The first line of the text that holds the word; empty when none does.
std::string LineWith(const std::string& text, const std::string& word)
{
    const std::size_t found = text.find(word);
    if (found == std::string::npos)
    {
        return {};
    }
    const std::size_t start = text.rfind('\n', found) + 1;
    return text.substr(start, text.find('\n', found) - start);
}

void RemoveFolder(const std::wstring& folder)
{
    std::wstring from = folder;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationW(&operation);
}

TEST(ShowScreenScenarioTest, AMappedScreenOpensItsPageAndTheModuleIsUnloadedWithItsRecordsInTheFileLog)
{
    // The set-up registers the development COM servers for real: no other
    // test may remove them while this one runs.
    DevHost::RegistrationLock registrations;
    ASSERT_TRUE(registrations.Held());
    const E2ETest::RelayHostRun setUp = E2ETest::RunRelayHost({L"setup"});
    ASSERT_EQ(setUp.exitCode, 0u) << setUp.output;

    const std::wstring name = UniqueModuleName();
    const std::wstring logGroup = LogGroupFolder(name);
    ASSERT_EQ(E2ETest::RunRelayHost({L"--name=" + name, L"logini", L"Severity=1"}).exitCode, 0u);

    for (const wchar_t* busPassing : {L"--v1", L"--v2"})
    {
        SCOPED_TRACE(testing::Message() << (busPassing[3] == L'1' ? "InitializeModule" : "InitializeModuleV2"));
        DevHostTest::JournalFile journal;
        const E2ETest::RelayHostRun sent = E2ETest::RunRelayHost(
            {busPassing, L"--name=" + name, L"send", L"ZTS.UI.ShowScreen", LR"({"name":"scan.quick"})"});

        EXPECT_EQ(sent.exitCode, 0u) << sent.output;
        EXPECT_NE(LineWith(sent.output, "DirectMessage").find("MODULE_STATUS_SUCCESS"), std::string::npos)
            << sent.output;
        EXPECT_NE(sent.output.find("the module asked to be unloaded (\"" + std::string(name.begin(), name.end())),
                  std::string::npos)
            << sent.output;
        EXPECT_NE(sent.output.find("FreeLibrary"), std::string::npos) << sent.output;
        EXPECT_NE(sent.output.find("module unloaded"), std::string::npos) << sent.output;

        const auto opened = journal.WaitFor(L"UiHostHelper", L"OpenInternal", 1, std::chrono::seconds(5));
        ASSERT_EQ(opened.size(), 1u);
        ASSERT_FALSE(opened[0].arguments.empty());
        EXPECT_EQ(opened[0].arguments[0].value, DevHost::JournalValue(std::wstring(L"scan_quick_start")));
    }

    const E2ETest::RelayHostRun log = E2ETest::RunRelayHost({L"--name=" + name, L"log"});
    EXPECT_EQ(log.exitCode, 0u) << log.output;
    EXPECT_NE(log.output.find("Successfully created module"), std::string::npos) << log.output;
    EXPECT_NE(log.output.find("Successfully destroyed module"), std::string::npos) << log.output;
    RemoveFolder(logGroup);
}

} // namespace
