// RelayBrowser.exe: the stand-in browser of the development installation,
// registered as the shell's handler for http, https and .html. It opens
// nothing: it journals what it was asked to open (its first argument) and its
// whole command line, and exits with 0.

#include "Journal.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    DevHost::JournalValue target;
    if (argc > 1)
    {
        target = std::wstring(argv[1]);
    }
    DevHost::JournalCall(L"Browser", L"Open", {{L"target", {}, target}, {L"commandLine", {}, GetCommandLineW()}});
    return 0;
}
