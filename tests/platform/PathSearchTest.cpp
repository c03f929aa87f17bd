#include "platform/PathSearch.h"
#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace Ostrel
{
namespace
{

class PathSearchTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    // A new folder in the temporary folder holding a file or a folder of the given name.
    std::wstring MakeFolder(const std::wstring& name, const std::wstring& file, bool fileIsFolder = false)
    {
        const std::wstring folder = temp_.File(name);
        EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        const std::wstring entry = folder + L"\\" + file;
        EXPECT_TRUE(fileIsFolder ? CreateDirectoryW(entry.c_str(), nullptr) != FALSE
                                 : ScreenRelayTest::WriteFileBytes(entry, "MZ"));
        return folder;
    }

    ScreenRelayTest::TempFolder temp_;
};

// Folders are searched in the order they were added, whichever way they were
// added; a null folder adds nothing.
TEST_F(PathSearchTest, TheFirstFolderHoldingTheFileWinsAndAFolderOfThatNameDoesNotCount)
{
    ScreenRelayTest::LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ScreenRelayTest::LogSourceAndFunction(log);
    const std::wstring decoy = MakeFolder(L"decoy", L"Library.dll", true);
    const std::wstring holder = MakeFolder(L"holder", L"Library.dll");
    const std::wstring later = MakeFolder(L"later", L"Library.dll");
    const std::wstring last = MakeFolder(L"last", L"Library.dll");
    PathSearch search;
    search.addSearchPath(temp_.File(L"missing").c_str());
    search.addSearchPath(static_cast<const wchar_t*>(nullptr));
    search.addSearchPaths({decoy, holder + L"\\"});
    search.addSearchPath(later);
    search.addSearchPaths({last});

    std::wstring folder;
    ASSERT_TRUE(search.findFilePath(L"Library.dll", folder));
    EXPECT_EQ(folder, holder) << "the closing backslash is removed";

    const std::wstring text = log.Text();
    const std::wstring records[] = {
        L"Entering findFilePath for file Library.dll",
        L"Entering checkIfExists for " + decoy + L"\\Library.dll",
        L"File does not exist.",
        L"Entering checkIfExists for " + holder + L"\\\\Library.dll",
        L"File exists",
        L"File found at path " + holder + L". Returning success.",
    };
    for (const auto& record : records)
    {
        EXPECT_NE(text.find(record), std::wstring::npos) << "no record: " << record << "\n" << text;
    }
    EXPECT_EQ(text.find(L"checkIfExists for " + later), std::wstring::npos) << "the search stops at the first";
    EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(text, L"File found at path "),
              (ScreenRelayTest::LoggedRecord{L"Normal", L"PathSearch.cpp", L"Ostrel::PathSearch::findFilePath"}));
    EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(text, L"File does not exist."),
              (ScreenRelayTest::LoggedRecord{L"Warning", L"PathSearch.cpp", L"Ostrel::PathSearch::checkIfExists"}));
}

TEST_F(PathSearchTest, AFileInNoFolderIsNotFound)
{
    ScreenRelayTest::LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    ScreenRelayTest::LogSourceAndFunction(log);
    const std::wstring other = MakeFolder(L"other", L"Other.dll");
    std::wstring folder = L"unchanged";

    PathSearch search;
    EXPECT_FALSE(search.findFilePath(L"Library.dll", folder)) << "empty list";
    search.addSearchPaths({temp_.File(L"missing"), other, L"$(Unknown.Macro)"});
    EXPECT_FALSE(search.findFilePath(L"Library.dll", folder));
    EXPECT_EQ(folder, L"unchanged");
    EXPECT_EQ(ScreenRelayTest::FindLoggedRecord(log.Text(), L"File not found."),
              (ScreenRelayTest::LoggedRecord{L"Warning", L"PathSearch.cpp", L"Ostrel::PathSearch::findFilePath"}))
        << log.Text();
}

} // namespace
} // namespace Ostrel
