#pragma once

#include "logging/LogLevel.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ETWLogging
{

// Option bits of the file log: what a line carries besides the timestamp, the
// level and the message, and where else it goes.
inline constexpr std::uint32_t kFileLogOptionDebugger = 1;   // also sent to the debugger output
inline constexpr std::uint32_t kFileLogOptionIds = 4;        // process and thread id
inline constexpr std::uint32_t kFileLogOptionSource = 8;     // source file name and line
inline constexpr std::uint32_t kFileLogOptionImageName = 16; // process image name (the default)
inline constexpr std::uint32_t kFileLogOptionFunction = 32;  // function name

// What one line of the file log is made of. Null (or empty) strings leave
// their piece out.
struct FileLogLineFields
{
    SYSTEMTIME time;
    LogLevel level;
    std::uint32_t options;
    const wchar_t* imageName;
    DWORD processId;
    DWORD threadId;
    const wchar_t* file;
    const wchar_t* function;
    std::uint32_t line;
    const wchar_t* message;
};

// Builds one line of the file log:
//   03/07/2026 02:05:09 PM$ -- (Error)$ [PID: 1234 TID:  567]$ [ ModuleFunctions.cpp:  192]$ [...()]$ message
// ended with CR LF unless the message already ends with a line feed. Returns 0;
// 87 when the message is empty or the level is not 1 to 6 (the line is then
// untouched); 14 when memory runs out.
DWORD FormatFileLogLine(const FileLogLineFields& fields, std::wstring& line);

} // namespace ETWLogging
