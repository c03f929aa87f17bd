#include "uihost/qvshortpath.h"

#include "LoggedRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace Ostrel
{
namespace
{

TEST(QvGetShortPathNameTest, CopiesThePathWhenItFitsAndSaysWhenItDoesNot)
{
    ScreenRelayTest::RecordCapture log;
    const std::wstring path = L"C:\\Program Files\\Suite\\tool.exe";
    const DWORD length = static_cast<DWORD>(path.size());
    const struct
    {
        DWORD chars;
        DWORD result;
        std::wstring copied;
    } cases[] = {
        {MAX_PATH, length, path},
        {length + 1, length, path},
        {length, 0, L"untouched"},
    };
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.chars);
        wchar_t out[MAX_PATH] = L"untouched";
        EXPECT_EQ(QvGetShortPathName(path.c_str(), out, test.chars), test.result);
        EXPECT_EQ(std::wstring(out), test.copied);
    }
    ScreenRelayTest::ExpectRecord(
        log, {L"Error", L"qvshortpath.cpp", L"QvGetShortPathName",
              L"GetShortPathName " + path + L" buffer " + std::to_wstring(length) + L" is too small"});
}

} // namespace
} // namespace Ostrel
