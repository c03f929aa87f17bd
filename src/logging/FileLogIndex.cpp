#include "logging/FileLogIndex.h"

#include <utility>

namespace ETWLogging
{

namespace
{

constexpr wchar_t kSection[] = L"Config";
constexpr wchar_t kIndexKey[] = L"LastLogIdx";
// Coarser than the last-write time granularity of the file systems the log
// folder lives on (a timer tick, 10 to 16 ms), in 100 ns units.
constexpr ULONGLONG kTimestampGranularity = 100 * 10000;

ULONGLONG Value(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ULONGLONG Now()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Value(now);
}

} // namespace

FileLogIndex::FileLogIndex(std::wstring settingsPath)
    : path_(std::move(settingsPath))
{
}

bool FileLogIndex::ParsedCopyCurrent(const WIN32_FILE_ATTRIBUTE_DATA& state) const
{
    // A write after the state was taken gets a later time stamp than the one
    // seen, unless the one seen was still within the tick of that moment.
    return parsed_ && state.nFileSizeLow == parsedState_.nFileSizeLow &&
           state.nFileSizeHigh == parsedState_.nFileSizeHigh &&
           Value(state.ftLastWriteTime) == Value(parsedState_.ftLastWriteTime) &&
           Value(parsedState_.ftLastWriteTime) + kTimestampGranularity < parsedAt_;
}

std::uint32_t FileLogIndex::Read()
{
    // The state is taken before parsing: a change in between makes the next
    // look-up parse again rather than miss it.
    const ULONGLONG now = Now();
    WIN32_FILE_ATTRIBUTE_DATA state{};
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &state))
    {
        parsed_ = false;
        return 0;
    }
    if (!ParsedCopyCurrent(state))
    {
        parsed_ = file_.Load(path_);
        parsedState_ = state;
        parsedAt_ = now;
    }
    int index = 0;
    return parsed_ && file_.GetInt(kSection, kIndexKey, index) ? static_cast<std::uint32_t>(index) : 0;
}

bool FileLogIndex::Write(std::uint32_t index)
{
    if (!parsed_)
    {
        // Gives the reader its path; a missing file is created by the write.
        file_.Load(path_);
    }
    if (!file_.SetInt(kSection, kIndexKey, static_cast<int>(index)))
    {
        parsed_ = false;
        return false;
    }
    // The parsed copy now holds what was written.
    parsedAt_ = Now();
    parsed_ = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &parsedState_) != FALSE;
    return true;
}

} // namespace ETWLogging
