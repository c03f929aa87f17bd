#pragma once

// Reading a journal back, for the development host and for tests.

#include "Journal.h"

#include <optional>
#include <string>
#include <vector>

namespace DevHost
{

// Every complete line of the journal file (without line ends), in file order;
// empty when the file is missing.
std::vector<std::string> ReadJournalLines(const std::wstring& path);

// The entry a line holds; nullopt when the line is not a journal entry.
std::optional<JournalEntry> ParseJournalLine(const std::string& line);

// Every entry of the journal, in file order; lines that are not entries are
// left out.
std::vector<JournalEntry> ReadJournal(const std::wstring& path);

} // namespace DevHost
