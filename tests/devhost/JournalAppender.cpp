// Test helper: journals <count> calls "Append" with their index, one after
// another, to the journal its environment names, and exits with 0 when every
// append succeeded.
//
//   JournalAppender <count>

#include "Journal.h"

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    const unsigned long count = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 0;
    for (unsigned long i = 0; i < count; ++i)
    {
        if (DevHost::JournalCall(L"JournalAppender", L"Append", {{L"index", {}, static_cast<std::uint32_t>(i)}}) !=
            ERROR_SUCCESS)
        {
            return 1;
        }
    }
    return 0;
}
