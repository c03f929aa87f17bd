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
//
// A file that exists but yields no index (held open by another program,
// written in a form the reader does not read) answers the last index known
// rather than 0, which would make a full file 000 rotate into 001 on every
// line. Not thread-safe; the logger's lock covers it.
class FileLogIndex
{
public:
    // Learns the index stored now.
    explicit FileLogIndex(std::wstring settingsPath);

    // The stored index; 0 when the file does not exist; the last index known
    // when the file exists but yields none, or when the last Write failed and
    // the file has not changed since (the write is then tried again).
    std::uint32_t Read();
    // Stores the index in the file (scrambled, creating the file if needed).
    // Read answers this index from now on even when storing it fails.
    bool Write(std::uint32_t index);

private:
    struct FileState
    {
        bool exists = false;
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
    };

    FileState CurrentState() const;
    bool ParsedCopyCurrent(const WIN32_FILE_ATTRIBUTE_DATA& state) const;

    std::wstring path_;
    Basekit::CObfuscatedIniReader file_;
    bool parsed_ = false;
    // The file's state when the parsed copy was last brought up to date, and
    // the system time just before that state was taken.
    WIN32_FILE_ATTRIBUTE_DATA parsedState_{};
    ULONGLONG parsedAt_ = 0;
    std::uint32_t lastKnown_ = 0;
    // Set while lastKnown_ could not be stored; the file's state at the
    // failed write tells whether anyone has written it since.
    bool unsaved_ = false;
    FileState unsavedState_;
};

} // namespace ETWLogging
