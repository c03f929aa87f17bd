#pragma once

#include "Journal.h"
#include "RequestOutcome.h"

#include <string>
#include <vector>

namespace RelayHost
{

// One journal entry as a call: "UiHostHelper.OpenInternal(pageId="x")".
std::wstring DescribeJournalEntry(const DevHost::JournalEntry& entry);

// Prints a request: the message, each call the host made into the module
// with its status, the unload request, and what the development components
// were asked to do (their journal entries written meanwhile).
void PrintRequestReport(const std::wstring& name, const std::wstring& payload, const RequestOutcome& outcome,
                        const std::vector<DevHost::JournalEntry>& journal);

} // namespace RelayHost
