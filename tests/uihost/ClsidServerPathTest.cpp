#include "uihost/ClsidServerPath.h"

#include "ClassesRootIsolation.h"

#include <gtest/gtest.h>

#include <string>

namespace Ostrel
{
namespace
{

using ScreenRelayTest::SetClassesDefault;

constexpr wchar_t kClass[] = L"{0B4A7C55-1D2E-4F60-8A9B-3C4D5E6F7081}";
constexpr wchar_t kInproc[] = L"CLSID\\{0B4A7C55-1D2E-4F60-8A9B-3C4D5E6F7081}\\InprocServer32";
constexpr wchar_t kLocal[] = L"CLSID\\{0B4A7C55-1D2E-4F60-8A9B-3C4D5E6F7081}\\LocalServer32";

using ClsidServerPathTest = ScreenRelayTest::ClassesRootIsolatedTest;

struct Found
{
    bool found;
    std::wstring path;

    bool operator==(const Found&) const = default;
};

Found ServerPath(const wchar_t* classId, DWORD chars = MAX_PATH)
{
    wchar_t path[MAX_PATH] = L"untouched";
    const bool found = GetClsidServerPath(classId, path, chars);
    return {found, found ? path : L""};
}

TEST_F(ClsidServerPathTest, RegisteredValueLosesOnlyEnclosingQuotes)
{
    const struct
    {
        const char* label;
        std::wstring value;
        Found expected;
    } cases[] = {
        {"quoted", L"\"C:\\Suite\\Server.exe\"", {true, L"C:\\Suite\\Server.exe"}},
        {"unquoted", L"C:\\Suite\\Server.dll", {true, L"C:\\Suite\\Server.dll"}},
        {"exactly two quotes", L"\"\"", {true, L"\"\""}},
        {"quote at one end", L"\"C:\\Suite\\Server.exe", {true, L"\"C:\\Suite\\Server.exe"}},
        {"one quoted character", L"\"a\"", {true, L"a"}},
        {"empty", L"", {false, L""}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        ASSERT_EQ(SetClassesDefault(kInproc, test.value), ERROR_SUCCESS);
        EXPECT_EQ(ServerPath(kClass), test.expected);
    }
}

TEST_F(ClsidServerPathTest, InProcessServerComesBeforeLocalServerAndTheDefaultViewBeforeThe32BitView)
{
    ASSERT_EQ(SetClassesDefault(std::wstring(L"Wow6432Node\\") + kLocal, L"C:\\Suite32\\Local.exe"), ERROR_SUCCESS);
    EXPECT_EQ(ServerPath(kClass), (Found{true, L"C:\\Suite32\\Local.exe"}));
    ASSERT_EQ(SetClassesDefault(kLocal, L"C:\\Suite\\Local.exe"), ERROR_SUCCESS);
    EXPECT_EQ(ServerPath(kClass), (Found{true, L"C:\\Suite\\Local.exe"}));
    ASSERT_EQ(SetClassesDefault(kInproc, L"C:\\Suite\\InProcess.dll"), ERROR_SUCCESS);
    EXPECT_EQ(ServerPath(kClass), (Found{true, L"C:\\Suite\\InProcess.dll"}));
}

TEST_F(ClsidServerPathTest, ClassIdGetsItsBracesAndBadArgumentsFindNothing)
{
    ASSERT_EQ(SetClassesDefault(kInproc, L"C:\\Suite\\Server.dll"), ERROR_SUCCESS);
    const std::wstring bare = std::wstring(kClass).substr(1, 36);
    const struct
    {
        const char* label;
        const wchar_t* classId;
        DWORD chars;
        Found expected;
    } cases[] = {
        {"braced", kClass, MAX_PATH, {true, L"C:\\Suite\\Server.dll"}},
        {"without braces", bare.c_str(), MAX_PATH, {true, L"C:\\Suite\\Server.dll"}},
        {"lower case", L"{0b4a7c55-1d2e-4f60-8a9b-3c4d5e6f7081}", MAX_PATH, {true, L"C:\\Suite\\Server.dll"}},
        {"another class", L"{0B4A7C55-1D2E-4F60-8A9B-3C4D5E6F7082}", MAX_PATH, {false, L""}},
        {"empty class id", L"", MAX_PATH, {false, L""}},
        {"no room", kClass, 0, {false, L""}},
        {"too small for the value", kClass, 10, {false, L""}},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        EXPECT_EQ(ServerPath(test.classId, test.chars), test.expected);
    }
}

} // namespace
} // namespace Ostrel
