// QvUpdate.exe of the development installation: the suite's updater, which
// the module starts to open web links. It journals the link it was given
// ("/link:<target>") and its whole command line, and exits with 0.

#include "Journal.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace
{

constexpr wchar_t kLinkPrefix[] = L"/link:";

DevHost::JournalValue LinkArgument(int argc, wchar_t** argv)
{
    const std::size_t prefixLength = std::wcslen(kLinkPrefix);
    for (int i = 1; i < argc; ++i)
    {
        if (_wcsnicmp(argv[i], kLinkPrefix, prefixLength) == 0)
        {
            return std::wstring(argv[i] + prefixLength);
        }
    }
    return {};
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    DevHost::JournalCall(L"QvUpdate", L"Run",
                         {{L"link", {}, LinkArgument(argc, argv)}, {L"commandLine", {}, GetCommandLineW()}});
    return 0;
}
