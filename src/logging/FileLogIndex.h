#pragma once

#include "registry/CObfuscatedIniReader.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ETWLogging
{

// The index of the current log file, kept as "LastLogIdx" in the "Config"
// section of the module's "log.ini". Lines go to the index this writer last
// read or stored; the file is read again only when that log file is full,
// because a writer moves the index on only after finding the current file full
// (see OpenFileLogFile), so a file with room is still the current one.
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

    // The index last read or stored; while storing it has failed, as Reload.
    std::uint32_t Current();
    // Reads the stored index again: 0 when the file does not exist; the last
    // index known when the file exists but yields none. While storing the
    // last index has failed and nobody has written the file since, the store
    // is tried again and that index kept.
    std::uint32_t Reload();
    // Stores the index in the file (scrambled, creating the file if needed).
    // Current answers this index from now on even when storing it fails.
    bool Write(std::uint32_t index);

private:
    struct FileState
    {
        bool exists = false;
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
    };

    FileState CurrentState() const;

    std::wstring path_;
    Basekit::CObfuscatedIniReader file_;
    // The last Load read the file, so the reader holds its path for writing.
    bool parsed_ = false;
    std::uint32_t lastKnown_ = 0;
    // Set while lastKnown_ could not be stored; the file's state at the
    // failed write tells whether anyone has written it since.
    bool unsaved_ = false;
    FileState unsavedState_;
};

} // namespace ETWLogging
