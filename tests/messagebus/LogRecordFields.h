#pragma once

#include "logging/FileLogLine.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace ScreenRelayTest
{

// Makes the capture's lines carry the image name, the source file with the line
// and the function. Call before the test's first record.
inline void LogSourceAndFunction(const LogCapture& log)
{
    const std::wstring folder = LogGroupFolder(log.Group()) + L"\\" + ProgramBaseName();
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    Basekit::CObfuscatedIniReader settings;
    settings.Load(folder + L"\\log.ini");
    settings.SetInt(L"Config", L"Options",
                    ETWLogging::kFileLogOptionImageName | ETWLogging::kFileLogOptionSource |
                        ETWLogging::kFileLogOptionFunction);
}

// The logged line that holds the text; empty when there is none.
inline std::wstring LoggedLine(const LogCapture& log, const std::wstring& text)
{
    const std::wstring logged = log.Text();
    const std::size_t at = logged.find(text);
    if (at == std::wstring::npos)
    {
        return {};
    }
    const std::size_t begin = logged.rfind(L'\n', at);
    const std::size_t start = begin == std::wstring::npos ? 0 : begin + 1;
    return logged.substr(start, logged.find(L'\n', at) - start);
}

// A column as the file log fills it: the text cut to the width, right-aligned.
inline std::wstring LogColumn(const std::wstring& text, std::size_t width)
{
    const std::wstring cut = text.substr(0, width);
    return std::wstring(width - cut.size(), L' ') + cut;
}

// Expects the line to name the level ("Error", "Warning", ...), the source file
// and the function, in the columns of 20 and 40 characters the file log gives
// the last two.
inline void ExpectRecordFields(const std::wstring& line, const std::wstring& level, const std::wstring& sourceFile,
                               const std::wstring& function)
{
    EXPECT_THAT(line, testing::HasSubstr(L" -- (" + level + L")$"));
    EXPECT_THAT(line, testing::HasSubstr(L" [" + LogColumn(sourceFile, 20) + L":"));
    EXPECT_THAT(line, testing::HasSubstr(L" [" + LogColumn(function, 40) + L"()]$"));
}

} // namespace ScreenRelayTest
