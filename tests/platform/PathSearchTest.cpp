#include "platform/PathSearch.h"
#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
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

TEST_F(PathSearchTest, FoldersAreKeptInTheOrderTheyWereAdded)
{
    PathSearch search;
    EXPECT_TRUE(search.getSearchPaths().empty());
    search.addSearchPaths({L"a", L"b"});
    search.addSearchPath(L"c");
    search.addSearchPath(static_cast<const wchar_t*>(nullptr));
    search.addSearchPath(std::wstring(L"a"));
    EXPECT_EQ(search.getSearchPaths(), (std::vector<std::wstring>{L"a", L"b", L"c", L"a"}));
}

TEST_F(PathSearchTest, TheFirstFolderHoldingTheFileWinsAndAFolderOfThatNameDoesNotCount)
{
    ScreenRelayTest::LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    const std::wstring decoy = MakeFolder(L"decoy", L"Library.dll", true);
    const std::wstring holder = MakeFolder(L"holder", L"Library.dll");
    const std::wstring later = MakeFolder(L"later", L"Library.dll");
    PathSearch search;
    search.addSearchPaths({temp_.File(L"missing"), decoy, holder + L"\\", later});

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
}

TEST_F(PathSearchTest, AFileInNoFolderIsNotFound)
{
    ScreenRelayTest::LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    const std::wstring other = MakeFolder(L"other", L"Other.dll");
    std::wstring folder = L"unchanged";

    PathSearch search;
    EXPECT_FALSE(search.findFilePath(L"Library.dll", folder)) << "empty list";
    search.addSearchPaths({temp_.File(L"missing"), other, L"$(Unknown.Macro)"});
    EXPECT_FALSE(search.findFilePath(L"Library.dll", folder));
    EXPECT_EQ(folder, L"unchanged");
    EXPECT_TRUE(log.Contains(L"File not found.")) << log.Text();
}

} // namespace
} // namespace Ostrel
