#pragma once

#include "JournalReader.h"
#include "support/TempFolder.h"

#include <chrono>
#include <string>
#include <vector>

namespace DevHostTest
{

// A fresh journal for the test: RELAYHOST_JOURNAL names a file in a temporary
// folder while the object lives (child processes started meanwhile inherit
// it), and is unset afterwards.
class JournalFile
{
public:
    JournalFile();
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    std::vector<DevHost::JournalEntry> Entries() const;

    // Polls the journal until it holds count entries of component and call,
    // for at most timeout; the matching entries found by then, in file order.
    std::vector<DevHost::JournalEntry> WaitFor(const std::wstring& component, const std::wstring& call,
                                               std::size_t count = 1,
                                               std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

    const std::wstring& Path() const { return path_; }
    const ScreenRelayTest::TempFolder& Folder() const { return folder_; }

private:
    ScreenRelayTest::TempFolder folder_;
    std::wstring path_;
};

} // namespace DevHostTest
