#include "logging/FileLogIndex.h"

#include <utility>

namespace ETWLogging
{

namespace
{

constexpr wchar_t kSection[] = L"Config";
constexpr wchar_t kIndexKey[] = L"LastLogIdx";

bool SameContent(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

} // namespace

FileLogIndex::FileLogIndex(std::wstring settingsPath)
    : path_(std::move(settingsPath))
{
    Reload();
}

FileLogIndex::FileState FileLogIndex::CurrentState() const
{
    FileState state;
    state.exists = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &state.attributes) != FALSE;
    return state;
}

std::uint32_t FileLogIndex::Current()
{
    return unsaved_ ? Reload() : lastKnown_;
}

std::uint32_t FileLogIndex::Reload()
{
    if (unsaved_)
    {
        const FileState state = CurrentState();
        if (state.exists == unsavedState_.exists &&
            (!state.exists || SameContent(state.attributes, unsavedState_.attributes)))
        {
            Write(lastKnown_);
            return lastKnown_;
        }
        // Another writer has stored an index since; it counts from now on.
        unsaved_ = false;
    }
    parsed_ = file_.Load(path_);
    if (!parsed_ && GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        lastKnown_ = 0;
        return lastKnown_;
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
    return true;
}

} // namespace ETWLogging
