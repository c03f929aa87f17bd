#include "RequestTraces.h"

#include "ModuleLogFiles.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <utility>

namespace PayloadFuzz
{

RequestTraces::RequestTraces(std::wstring logFolder, std::wstring journalPath)
    : logFolder_(std::move(logFolder))
    , journalPath_(std::move(journalPath))
{
}

void RequestTraces::take(std::wstring& logText, std::vector<DevHost::JournalEntry>& journal)
{
    logText.clear();
    WIN32_FIND_DATAW found;
    std::vector<std::wstring> files;
    {
        const Ostrel::UniqueFindHandle search(FindFirstFileW((logFolder_ + L"\\*.log").c_str(), &found));
        if (search)
        {
            do
            {
                files.push_back(logFolder_ + L"\\" + found.cFileName);
            } while (FindNextFileW(search.get(), &found));
        }
    }
    for (const std::wstring& file : files)
    {
        std::wstring text;
        if (RelayHost::ReadLogText(file, text) == ERROR_SUCCESS)
        {
            logText += text;
        }
        DeleteFileW(file.c_str());
    }
    journal = DevHost::ReadJournal(journalPath_);
    DeleteFileW(journalPath_.c_str());
}

std::size_t Occurrences(const std::wstring& logText, const std::wstring& text)
{
    std::size_t count = 0;
    for (std::size_t at = logText.find(text); at != std::wstring::npos; at = logText.find(text, at + text.size()))
    {
        ++count;
    }
    return count;
}

} // namespace PayloadFuzz
