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

bool SameContent(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           Value(a.ftLastWriteTime) == Value(b.ftLastWriteTime);
}

} // namespace

FileLogIndex::FileLogIndex(std::wstring settingsPath)
    : path_(std::move(settingsPath))
{
    Read();
}

FileLogIndex::FileState FileLogIndex::CurrentState() const
{
    FileState state;
    state.exists = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &state.attributes) != FALSE;
    return state;
}

bool FileLogIndex::ParsedCopyCurrent(const WIN32_FILE_ATTRIBUTE_DATA& state) const
{
    // A write after the state was taken gets a later time stamp than the one
    // seen, unless the one seen was still within the tick of that moment.
    return parsed_ && SameContent(state, parsedState_) &&
           Value(parsedState_.ftLastWriteTime) + kTimestampGranularity < parsedAt_;
}

std::uint32_t FileLogIndex::Read()
{
    // The state is taken before parsing: a change in between makes the next
    // look-up parse again rather than miss it.
    const ULONGLONG now = Now();
    const FileState state = CurrentState();
    if (unsaved_)
    {
        if (state.exists == unsavedState_.exists &&
            (!state.exists || SameContent(state.attributes, unsavedState_.attributes)))
        {
            Write(lastKnown_);
            return lastKnown_;
        }
        // Another writer has stored an index since; it counts from now on.
        unsaved_ = false;
    }
    if (!state.exists)
    {
        parsed_ = false;
        lastKnown_ = 0;
        return lastKnown_;
    }
    if (!ParsedCopyCurrent(state.attributes))
    {
        parsed_ = file_.Load(path_);
        parsedState_ = state.attributes;
        parsedAt_ = now;
    }
    int index = 0;
    if (parsed_ && file_.GetInt(kSection, kIndexKey, index))
    {
        lastKnown_ = static_cast<std::uint32_t>(index);
    }
    return lastKnown_;
}

bool FileLogIndex::Write(std::uint32_t index)
{
    lastKnown_ = index;
    if (!parsed_)
    {
        // Gives the reader its path; a missing file is created by the write.
        file_.Load(path_);
    }
    if (!file_.SetInt(kSection, kIndexKey, static_cast<int>(index)))
    {
        parsed_ = false;
        unsaved_ = true;
        unsavedState_ = CurrentState();
        return false;
    }
    unsaved_ = false;
    // The parsed copy now holds what was written.
    parsedAt_ = Now();
    parsed_ = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &parsedState_) != FALSE;
    return true;
}

} // namespace ETWLogging
