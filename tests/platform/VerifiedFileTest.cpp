#include "platform/VerifiedFile.h"

#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

namespace
{

using Ostrel::UniqueFileHandle;
using Ostrel::UniqueLibrary;
using Ostrel::VerifiedFile;
using ScreenRelayTest::FindLoggedRecord;
using ScreenRelayTest::LoggedRecord;

constexpr DWORD kNotTheVerifiedFile = static_cast<DWORD>(TRUST_E_NOSIGNATURE);

DWORD LastErrorUnless(BOOL succeeded)
{
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

DWORD OpenForWriting(const std::wstring& path)
{
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

class VerifiedFileTest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ScreenRelayTest::LogSourceAndFunction(log_);
    }

    // A file of its own content, listed as trusted.
    std::wstring MakeTrustedFile(const std::wstring& name)
    {
        const std::wstring path = temp_.File(name);
        EXPECT_TRUE(ScreenRelayTest::WriteFileBytes(path, "content of " + std::string(name.begin(), name.end())));
        EXPECT_EQ(Ostrel::ListTrustedFile(path), 0u);
        return path;
    }

    ScreenRelayTest::LogCapture log_;
    ScreenRelayTest::TempFolder temp_;
};

// Each attempt fails while the file is held (Wine and Windows differ in the
// error some of them give) and succeeds once it is let go.
TEST_F(VerifiedFileTest, HeldFileCannotBeRenamedReplacedWrittenOrDeleted)
{
    const struct
    {
        const char* label;
        std::function<DWORD(const std::wstring& path, const std::wstring& spare)> attempt;
    } cases[] = {
        {"rename",
         [](const std::wstring& path, const std::wstring& spare)
         {
             return LastErrorUnless(MoveFileExW(path.c_str(), (spare + L".renamed").c_str(), 0));
         }},
        {"move another file over it",
         [](const std::wstring& path, const std::wstring& spare)
         {
             return LastErrorUnless(MoveFileExW(spare.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
         }},
        {"replace it",
         [](const std::wstring& path, const std::wstring& spare)
         {
             return LastErrorUnless(ReplaceFileW(path.c_str(), spare.c_str(), nullptr, 0, nullptr, nullptr));
         }},
        {"open it for writing",
         [](const std::wstring& path, const std::wstring&)
         {
             return OpenForWriting(path);
         }},
        {"delete it",
         [](const std::wstring& path, const std::wstring&)
         {
             return LastErrorUnless(DeleteFileW(path.c_str()));
         }},
    };
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::wstring path = MakeTrustedFile(L"Held" + std::to_wstring(index) + L".dll");
        const std::wstring spare = temp_.File(L"Spare" + std::to_wstring(index++) + L".dll");
        ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(spare, "another content"));
        const std::string content = ScreenRelayTest::ReadFileBytes(path);
        {
            VerifiedFile file;
            ASSERT_EQ(file.Open(path), 0u);

            EXPECT_NE(c.attempt(path, spare), 0u);
            EXPECT_EQ(ScreenRelayTest::ReadFileBytes(path), content);
            EXPECT_EQ(file.ConfirmSameFile(path), 0u);
        }
        EXPECT_EQ(c.attempt(path, spare), 0u) << "once let go";
    }
}

TEST_F(VerifiedFileTest, RefusedFileIsNotHeld)
{
    const std::wstring path = temp_.File(L"Unlisted.dll");
    ASSERT_TRUE(ScreenRelayTest::WriteFileBytes(path, "unlisted"));
    VerifiedFile file;

    EXPECT_NE(file.Open(path), 0u);

    EXPECT_FALSE(file.IsHeld());
    EXPECT_EQ(OpenForWriting(path), 0u);
}

// Identity is the file's, not its name's: another spelling or a hard link of
// the held file is the same file, a copy of the same bytes is not.
TEST_F(VerifiedFileTest, SameFileMeansSameVolumeAndFileIndex)
{
    const std::wstring path = MakeTrustedFile(L"Held.dll");
    const std::wstring link = temp_.File(L"Link.dll");
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), path.c_str(), nullptr));
    const std::wstring copy = temp_.File(L"Copy.dll");
    ASSERT_TRUE(CopyFileW(path.c_str(), copy.c_str(), TRUE));
    std::wstring otherSpelling = path;
    CharUpperW(otherSpelling.data());
    VerifiedFile file;
    ASSERT_EQ(file.Open(path), 0u);

    const struct
    {
        const char* label;
        std::wstring path;
        DWORD expected;
    } cases[] = {
        {"the held path", path, 0},
        {"the held path in capitals", otherSpelling, 0},
        {"a hard link", link, 0},
        {"a copy", copy, kNotTheVerifiedFile},
        {"a missing file", temp_.File(L"Missing.dll"), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(file.ConfirmSameFile(c.path), c.expected);
    }
}

TEST_F(VerifiedFileTest, ModuleIsConfirmedOnlyWhenMappedFromTheHeldFile)
{
    const std::wstring held = ScreenRelayTest::CopyTestLibrary(ScreenRelayTest::kFullTestLibrary, temp_.File(L"held"),
                                                               ScreenRelayTest::kFullTestLibrary);
    const std::wstring other = ScreenRelayTest::CopyTestLibrary(ScreenRelayTest::kFullTestLibrary, temp_.File(L"other"),
                                                                ScreenRelayTest::kFullTestLibrary);
    ASSERT_EQ(Ostrel::ListTrustedFile(held), 0u);
    VerifiedFile file;
    ASSERT_EQ(file.Open(held), 0u);
    {
        const UniqueLibrary fromHeld(LoadLibraryExW(held.c_str(), nullptr, 0));
        ASSERT_TRUE(fromHeld);
        EXPECT_EQ(file.ConfirmModule(fromHeld.get()), 0u);
    }
    const UniqueLibrary fromOther(LoadLibraryExW(other.c_str(), nullptr, 0));
    ASSERT_TRUE(fromOther);

    EXPECT_EQ(file.ConfirmModule(fromOther.get()), kNotTheVerifiedFile);

    const std::wstring record = L"Module " + other + L" is not the verified file " + held + L". Error 0x800B0100.";
    EXPECT_EQ(FindLoggedRecord(log_.Text(), record),
              (LoggedRecord{L"Error", L"VerifiedFile.cpp", L"Ostrel::VerifiedFile::ConfirmModule"}))
        << log_.Text();
}

TEST_F(VerifiedFileTest, TrustRecordsNameTheirSourceAndFunction)
{
    const std::wstring missing = temp_.File(L"Missing.dll");
    VerifiedFile file;
    ASSERT_EQ(file.Open(missing), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(Ostrel::ListTrustedFile(missing), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    const std::wstring text = log_.Text();

    EXPECT_EQ(FindLoggedRecord(text, L"File " + missing + L" is not trusted. Error 0x00000002."),
              (LoggedRecord{L"Error", L"VerifiedFile.cpp", L"Ostrel::VerifiedFile::Open"}))
        << text;
    EXPECT_EQ(FindLoggedRecord(text, L"Failed to list file " + missing + L" as trusted. Error 2."),
              (LoggedRecord{L"Error", L"TrustList.cpp", L"Ostrel::ListTrustedFile"}))
        << text;
}

} // namespace
