#pragma once

#include "logging/FileLogLine.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/LogCapture.h"
#include "support/TestFiles.h"

#include <shlobj.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace ScreenRelayTest
{

// Makes the captured lines name the image, the source file and the function.
// Call it before the test's first record.
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

// The fields of one line of the file log, as written after
// LogSourceAndFunction: "<time>$ -- (<level>)$ [<image>]$ [<source>:<line>]$ [<function>()]$ <message>".
// The source is the file name without its folder; both it and the function
// are as the log cuts them to their columns (20 and 40 characters).
struct LoggedRecord
{
    std::wstring level;
    std::wstring source;
    std::wstring function;

    bool operator==(const LoggedRecord&) const = default;
    friend void PrintTo(const LoggedRecord& record, std::ostream* out)
    {
        const auto narrow = [](const std::wstring& text)
        {
            return std::string(text.begin(), text.end());
        };
        *out << "{" << narrow(record.level) << ", " << narrow(record.source) << ", " << narrow(record.function) << "}";
    }
};

// The fields of the line start that precedes a message.
inline LoggedRecord ParseLoggedRecord(const std::wstring& line)
{
    const auto trimmed = [](const std::wstring& text)
    {
        const std::size_t first = text.find_first_not_of(L' ');
        return first == std::wstring::npos ? std::wstring() : text.substr(first);
    };
    LoggedRecord record;
    const std::size_t levelStart = line.find(L" -- (");
    const std::size_t levelEnd = line.find(L")$", levelStart);
    if (levelStart != std::wstring::npos && levelEnd != std::wstring::npos)
    {
        record.level = line.substr(levelStart + 5, levelEnd - levelStart - 5);
    }
    // The bracketed pieces: the source is "<name>:<line>", the function ends
    // with "()".
    for (std::size_t open = line.find(L" ["); open != std::wstring::npos; open = line.find(L" [", open + 1))
    {
        const std::size_t close = line.find(L"]$", open);
        if (close == std::wstring::npos)
        {
            break;
        }
        const std::wstring piece = trimmed(line.substr(open + 2, close - open - 2));
        if (piece.size() > 2 && piece.compare(piece.size() - 2, 2, L"()") == 0)
        {
            record.function = piece.substr(0, piece.size() - 2);
        }
        else if (const std::size_t colon = piece.find(L':');
                 colon != std::wstring::npos &&
                 piece.find_first_not_of(L" 0123456789", colon + 1) == std::wstring::npos)
        {
            record.source = piece.substr(0, colon);
        }
    }
    return record;
}

// The fields of every line of logText that contains message, in the order
// written.
inline std::vector<LoggedRecord> FindLoggedRecords(const std::wstring& logText, const std::wstring& message)
{
    std::vector<LoggedRecord> records;
    for (std::size_t at = logText.find(message); at != std::wstring::npos; at = logText.find(message, at + 1))
    {
        const std::size_t lineFeed = logText.rfind(L'\n', at);
        const std::size_t lineStart = lineFeed == std::wstring::npos ? 0 : lineFeed + 1;
        records.push_back(ParseLoggedRecord(logText.substr(lineStart, at - lineStart)));
        at = std::min(logText.find(L'\n', at), logText.size() - 1);
    }
    return records;
}

// The fields of the first line of logText that contains message; all empty
// when no line does.
inline LoggedRecord FindLoggedRecord(const std::wstring& logText, const std::wstring& message)
{
    const std::vector<LoggedRecord> records = FindLoggedRecords(logText, message);
    return records.empty() ? LoggedRecord{} : records.front();
}

} // namespace ScreenRelayTest
