#pragma once

// What one request left behind: the module's file log lines and the journal
// of the development components. Both are read and then removed after each
// request, while the module is unloaded, so that each request is judged by
// its own traces alone.

#include "JournalReader.h"

#include <string>
#include <vector>

namespace PayloadFuzz
{

class RequestTraces
{
public:
    // logFolder is the module's log folder for its group; journalPath the
    // file the development components journal to.
    RequestTraces(std::wstring logFolder, std::wstring journalPath);

    // The lines logged since the last take, and the journal entries written.
    void take(std::wstring& logText, std::vector<DevHost::JournalEntry>& journal);

private:
    std::wstring logFolder_;
    std::wstring journalPath_;
};

// How often text occurs in logText.
std::size_t Occurrences(const std::wstring& logText, const std::wstring& text);

} // namespace PayloadFuzz
