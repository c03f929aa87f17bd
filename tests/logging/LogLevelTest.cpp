#include "logging/LogLevel.h"

#include <gtest/gtest.h>

#include <string>

namespace ETWLogging
{
namespace
{

TEST(LogLevelTest, NamesTheSixValidLevelsOnly)
{
    EXPECT_EQ(LogLevelName(0), nullptr);
    EXPECT_EQ(std::wstring(LogLevelName(1)), L"Normal");
    EXPECT_EQ(std::wstring(LogLevelName(2)), L"Warning");
    EXPECT_EQ(std::wstring(LogLevelName(3)), L"Information");
    EXPECT_EQ(std::wstring(LogLevelName(4)), L"Error");
    EXPECT_EQ(std::wstring(LogLevelName(5)), L"Critical");
    EXPECT_EQ(std::wstring(LogLevelName(6)), L"Information");
    EXPECT_EQ(LogLevelName(7), nullptr);
    EXPECT_EQ(LogLevelName(0xFFFFFFFF), nullptr);
}

TEST(LogLevelTest, SeverityIsClampedToTheValidRange)
{
    EXPECT_EQ(ClampSeverity(0), 1u);
    EXPECT_EQ(ClampSeverity(1), 1u);
    EXPECT_EQ(ClampSeverity(6), 6u);
    EXPECT_EQ(ClampSeverity(7), 6u);
    EXPECT_EQ(ClampSeverity(9), 6u);
    EXPECT_EQ(ClampSeverity(0xFFFFFFFF), 6u);
}

} // namespace
} // namespace ETWLogging
