#pragma once

#include "platform/UniqueHandles.h"

#include <windows.h>

#include <string>

namespace ETWLogging
{

// How long a writer waits for the other writers of its log folder before it
// writes without them: far above what one line takes, short enough that a
// stuck or hostile holder cannot stall the caller.
inline constexpr DWORD kFileLogWriterWaitMs = 500;

// Serialises every process that writes the log files of one log folder (they
// share its "log.ini" and its rotation): a named mutex in the global
// namespace whose name is derived from the folder's path, case-insensitively.
// Anyone may wait for it, so that processes of other accounts and sessions
// share it. When the mutex cannot be created or opened, or not obtained in
// time, writing goes ahead unserialised rather than blocking.
class FileLogWriterLock
{
public:
    // A held lock, released when the guard goes away. It may hold nothing.
    class Guard
    {
    public:
        Guard() = default;
        explicit Guard(HANDLE owned) noexcept
            : owned_(owned)
        {
        }
        ~Guard();
        Guard(Guard&& other) noexcept;
        Guard& operator=(Guard&&) = delete;
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

        bool Held() const { return owned_ != nullptr; }

    private:
        HANDLE owned_ = nullptr;
    };

    FileLogWriterLock() = default;
    explicit FileLogWriterLock(const std::wstring& logFolder);

    // Waits up to kFileLogWriterWaitMs. A mutex left behind by a writer that
    // died counts as obtained.
    [[nodiscard]] Guard Acquire() const;

    // The mutex name for a log folder.
    static std::wstring NameFor(const std::wstring& logFolder);

private:
    Ostrel::UniqueHandle mutex_;
};

} // namespace ETWLogging
