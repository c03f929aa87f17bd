#pragma once

#include "registry/CObfuscatedIniReader.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ETWLogging
{

// The index of the current log file, kept as "LastLogIdx" in the "Config"
// section of the module's "log.ini". It is looked up for every line, so the
// parsed file is kept and parsed again only when it may have changed since:
// when its size or last-write time differs, or when its last write was so
// recent that another write within the same timestamp tick would go unseen.
// Not thread-safe; the logger's lock covers it.
class FileLogIndex
{
public:
    explicit FileLogIndex(std::wstring settingsPath);

    // The stored index; 0 when the file does not exist or holds none.
    std::uint32_t Read();
    // Stores the index in the file (scrambled, creating the file if needed).
    bool Write(std::uint32_t index);

private:
    bool ParsedCopyCurrent(const WIN32_FILE_ATTRIBUTE_DATA& state) const;

    std::wstring path_;
    Basekit::CObfuscatedIniReader file_;
    bool parsed_ = false;
    // The file's state when the parsed copy was last brought up to date, and
    // the system time just before that state was taken.
    WIN32_FILE_ATTRIBUTE_DATA parsedState_{};
    ULONGLONG parsedAt_ = 0;
};

} // namespace ETWLogging
