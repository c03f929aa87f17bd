#pragma once

// The journal of the development components: every call a component receives
// becomes one JSON line appended to the file named by the environment variable
// RELAYHOST_JOURNAL (inherited by child processes). When the variable is unset
// nothing is written.
//
// A line: {"component":"UiHostHelper","call":"OpenUrl","arguments":[...],"processId":1234,"time":5678}
// Each argument is an object with "value" (a string, a number or null) and,
// where the component knows them, "name" and "type" (the VARIANT type name of
// a COM argument, e.g. "VT_BSTR").

#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace DevHost
{

inline constexpr wchar_t kJournalVariable[] = L"RELAYHOST_JOURNAL";

// null, text or number.
using JournalValue = std::variant<std::monostate, std::wstring, std::uint32_t>;

struct JournalArgument
{
    std::wstring name;
    std::wstring type;
    JournalValue value;

    bool operator==(const JournalArgument&) const = default;
};

struct JournalEntry
{
    std::wstring component;
    std::wstring call;
    std::vector<JournalArgument> arguments;
    DWORD processId = 0;
    std::int64_t time = 0;
};

// The line for an entry, without its line end (UTF-8).
std::string FormatJournalLine(const JournalEntry& entry);

// Appends one line for a call of this process to the journal. 0 when written
// or when no journal is configured; otherwise the Win32 error.
DWORD JournalCall(const wchar_t* component, const wchar_t* call, std::vector<JournalArgument> arguments);

// Appends a line to the file: opened for appending only, under the named
// mutex that every writer of a journal holds, because appends from several
// processes can interleave under Wine. 0 or the Win32 error.
DWORD AppendJournalLine(const std::wstring& path, const std::string& line);

} // namespace DevHost
