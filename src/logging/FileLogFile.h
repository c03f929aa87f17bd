#pragma once

#include "logging/FileLogIndex.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ETWLogging
{

// An open log file, closed when the owner goes away.
using FileLogHandle = Ostrel::UniqueFileHandle;

// Where the log files of one logger are and how they are named:
// <folder>\<baseName>[_<host>]<index as three digits>.log
struct FileLogLocation
{
    const std::wstring& folder;
    const std::wstring& baseName;
    const std::optional<std::wstring>& host;
};

// Opens the log file the next line goes to, for appending only. The file of
// the current index is used until its size reaches maxSize; then the stored
// index is read again, and when another writer has moved it on, its file is
// used instead; otherwise the next index (back to 0 after maxEntries files) is
// started as a new, empty file and stored. An index of maxEntries or more
// starts again at 0. New files begin with the UTF-16LE byte-order mark. The caller serialises this with the
// other writers of the folder (FileLogWriterLock). Returns 0, 87 for an empty
// folder, base name or host, or the system error of creating or opening the
// file (the handle stays empty then).
DWORD OpenFileLogFile(const FileLogLocation& location, std::uint32_t maxSize, std::uint32_t maxEntries,
                      FileLogIndex& index, FileLogHandle& file);

} // namespace ETWLogging
