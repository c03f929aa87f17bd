#pragma once

#include "logging/LogFrontEnd.h"
#include "registry/CObfuscatedIniReader.h"
#include "support/TestFiles.h"

#include <shlobj.h>

#include <string>

namespace ScreenRelayTest
{

// Sends the process's log records to the file log under a group of the test's
// own, and reads back what was written. Create it before the first log call
// of the test (the logger takes its context once per process); the group's
// folder is removed afterwards.
class LogCapture
{
public:
    // Records of the file log's default severity (3) and above.
    LogCapture()
        : group_(UniqueLogGroup())
    {
        ETWLogging::SetLogContext(nullptr, group_.c_str(), nullptr, nullptr, 1);
    }

    // Records of this severity and above, set in the group's own "log.ini".
    explicit LogCapture(ETWLogging::LogLevel severity)
        : LogCapture()
    {
        const std::wstring folder = LogGroupFolder(group_) + L"\\" + ProgramBaseName();
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        Basekit::CObfuscatedIniReader settings;
        settings.Load(folder + L"\\log.ini");
        settings.SetInt(L"Config", L"Severity", static_cast<int>(severity));
    }
    ~LogCapture() { RemoveLogGroup(group_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line logged so far by this process.
    std::wstring Text() const { return ReadLoggedText(group_, ProgramBaseName()); }
    bool Contains(const std::wstring& text) const { return Text().find(text) != std::wstring::npos; }
    const std::wstring& Group() const { return group_; }

private:
    std::wstring group_;
};

} // namespace ScreenRelayTest
