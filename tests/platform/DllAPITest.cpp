#include "platform/wrappers/DllAPI.h"

#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "platform/dllTestSupport/TestLibraries.h"
#include "support/LogCapture.h"
#include "support/LoggedRecord.h"
#include "support/RegistryIsolation.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

namespace
{

using ScreenRelayTest::CopyTestLibrary;
using ScreenRelayTest::FindLoggedRecord;
using ScreenRelayTest::kFullTestLibrary;
using ScreenRelayTest::kNoReleaseTestLibrary;
using ScreenRelayTest::LoggedRecord;

constexpr DWORD kNotTheVerifiedFile = static_cast<DWORD>(TRUST_E_NOSIGNATURE);

DWORD LastErrorUnless(BOOL succeeded)
{
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

// Runs an action between the trust decision and the load.
class InterposingDllAPI : public Ostrel::DllAPI
{
public:
    explicit InterposingDllAPI(std::function<void()> beforeLoad)
        : beforeLoad_(std::move(beforeLoad))
    {
    }
    HMODULE loadLibraryEx(const wchar_t* path, DWORD flags) override
    {
        beforeLoad_();
        return DllAPI::loadLibraryEx(path, flags);
    }

private:
    std::function<void()> beforeLoad_;
};

// Makes a folder the process's current folder for the object's lifetime.
class CurrentFolder
{
public:
    explicit CurrentFolder(const std::wstring& folder)
    {
        GetCurrentDirectoryW(MAX_PATH, previous_);
        changed_ = SetCurrentDirectoryW(folder.c_str()) != FALSE;
    }
    ~CurrentFolder() { SetCurrentDirectoryW(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

    bool Changed() const { return changed_; }

private:
    wchar_t previous_[MAX_PATH] = {};
    bool changed_ = false;
};

class DllAPITest : public ScreenRelayTest::RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ScreenRelayTest::LogSourceAndFunction(log_);
    }

    std::wstring InstallTrusted(const wchar_t* library, const std::wstring& folder)
    {
        const std::wstring path = CopyTestLibrary(library, temp_.File(folder), library);
        EXPECT_FALSE(path.empty());
        EXPECT_EQ(Ostrel::ListTrustedFile(path), 0u);
        return path;
    }

    ScreenRelayTest::LogCapture log_;
    ScreenRelayTest::TempFolder temp_;
};

// Whoever can write in the library's folder tries to swap the verified file
// after the decision. Swaps of the file itself fail while it is held, so the
// verified file is what gets loaded. Wine lets the folder be renamed even so:
// the loader then maps another file, which is noticed, freed and refused.
TEST_F(DllAPITest, SwapBetweenDecisionAndLoadIsRefused)
{
    const struct
    {
        const char* label;
        std::function<DWORD(const std::wstring& folder, const std::wstring& path, const std::wstring& impostor)> swap;
        bool swapTakesEffect;
    } cases[] = {
        {"rename the file and put another in its place",
         [](const std::wstring&, const std::wstring& path, const std::wstring& impostor)
         {
             const DWORD error = LastErrorUnless(MoveFileExW(path.c_str(), (path + L".old").c_str(), 0));
             return error != ERROR_SUCCESS ? error : LastErrorUnless(CopyFileW(impostor.c_str(), path.c_str(), TRUE));
         },
         false},
        {"move another file over it",
         [](const std::wstring&, const std::wstring& path, const std::wstring& impostor)
         { return LastErrorUnless(MoveFileExW(impostor.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)); },
         false},
        {"write another content into it",
         [](const std::wstring&, const std::wstring& path, const std::wstring& impostor)
         { return LastErrorUnless(CopyFileW(impostor.c_str(), path.c_str(), FALSE)); },
         false},
        {"rename the folder and put another folder in its place",
         [](const std::wstring& folder, const std::wstring& path, const std::wstring& impostor)
         {
             const DWORD error = LastErrorUnless(MoveFileExW(folder.c_str(), (folder + L".old").c_str(), 0));
             if (error != ERROR_SUCCESS)
             {
                 return error;
             }
             return LastErrorUnless(CreateDirectoryW(folder.c_str(), nullptr) &&
                                    CopyFileW(impostor.c_str(), path.c_str(), TRUE));
         },
         true},
    };
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::wstring folderName = L"lib" + std::to_wstring(index++);
        const std::wstring path = InstallTrusted(kFullTestLibrary, folderName);
        const std::wstring impostor =
            CopyTestLibrary(kNoReleaseTestLibrary, temp_.File(folderName + L"-impostor"), kNoReleaseTestLibrary);
        DWORD swapError = ERROR_INVALID_FUNCTION;
        InterposingDllAPI api([&] { swapError = c.swap(temp_.File(folderName), path, impostor); });
        HMODULE module = nullptr;

        const bool loaded = api.loadLibrary(path, module);
        const DWORD error = GetLastError();

        if (c.swapTakesEffect)
        {
            ASSERT_EQ(swapError, 0u) << "the swap this case needs";
            EXPECT_FALSE(loaded);
            EXPECT_EQ(error, kNotTheVerifiedFile);
            EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr) << "the impostor is freed";
            EXPECT_EQ(FindLoggedRecord(log_.Text(), L"LoadLibrary Failed. GLE: 2148204800"),
                      (LoggedRecord{L"Error", L"DllAPI.cpp", L"Ostrel::DllAPI::loadLibrary"}))
                << log_.Text();
        }
        else
        {
            EXPECT_NE(swapError, 0u);
            ASSERT_TRUE(loaded) << error;
            const Ostrel::UniqueLibrary owner(module);
            EXPECT_NE(GetProcAddress(module, "GetVersionNum"), nullptr) << "the verified library";
        }
    }
}

// A library's imports come from its own folder and the system folder, never
// from the current folder.
TEST_F(DllAPITest, ImportsComeFromTheLibrarysFolderOnly)
{
    const std::wstring dependencyBuilt =
        std::wstring(ScreenRelayTest::kDependencyTestFolder) + ScreenRelayTest::kDependencyTestLibrary;
    const struct
    {
        const char* label;
        bool importBesideLibrary; // otherwise only in the current folder
        DWORD expected;
    } cases[] = {
        {"import beside the library", true, ERROR_SUCCESS},
        {"import only in the current folder", false, ERROR_MOD_NOT_FOUND},
    };
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const std::wstring folderName = L"lib" + std::to_wstring(index);
        const std::wstring currentName = L"current" + std::to_wstring(index++);
        const std::wstring path = InstallTrusted(ScreenRelayTest::kDependentTestLibrary, folderName);
        ASSERT_EQ(SHCreateDirectoryExW(nullptr, temp_.File(currentName).c_str(), nullptr), ERROR_SUCCESS);
        const std::wstring importFolder = c.importBesideLibrary ? folderName : currentName;
        ASSERT_FALSE(
            CopyTestLibrary(dependencyBuilt.c_str(), temp_.File(importFolder), ScreenRelayTest::kDependencyTestLibrary)
                .empty());
        const CurrentFolder current(temp_.File(currentName));
        ASSERT_TRUE(current.Changed());
        Ostrel::DllAPI api;
        HMODULE module = nullptr;

        const bool loaded = api.loadLibrary(path, module);
        const DWORD error = loaded ? ERROR_SUCCESS : GetLastError();
        const Ostrel::UniqueLibrary owner(loaded ? module : nullptr);

        EXPECT_EQ(error, c.expected);
        const HMODULE dependency = GetModuleHandleW(ScreenRelayTest::kDependencyTestLibrary);
        EXPECT_EQ(dependency != nullptr, loaded);
    }
}

} // namespace
