#include "JournalFile.h"

#include <windows.h>

namespace DevHostTest
{

JournalFile::JournalFile()
    : path_(folder_.File(L"journal.jsonl"))
{
    SetEnvironmentVariableW(DevHost::kJournalVariable, path_.c_str());
}

JournalFile::~JournalFile()
{
    SetEnvironmentVariableW(DevHost::kJournalVariable, nullptr);
}

std::vector<DevHost::JournalEntry> JournalFile::Entries() const
{
    return DevHost::ReadJournal(path_);
}

std::vector<DevHost::JournalEntry> JournalFile::WaitFor(const std::wstring& component, const std::wstring& call,
                                                        std::size_t count, std::chrono::milliseconds timeout) const
{
    constexpr DWORD kPollIntervalMs = 20;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        std::vector<DevHost::JournalEntry> matching;
        for (auto& entry : Entries())
        {
            if (entry.component == component && entry.call == call)
            {
                matching.push_back(std::move(entry));
            }
        }
        if (matching.size() >= count || std::chrono::steady_clock::now() >= deadline)
        {
            return matching;
        }
        Sleep(kPollIntervalMs);
    }
}

} // namespace DevHostTest
