#pragma once

// The stand-in browser as the shell's handler for http and https links and
// for .html files: the "open" command of HKEY_CLASSES_ROOT "http", "https"
// and "htmlfile" becomes "<browser>" "%1", and ".html" is associated with
// "htmlfile". Under Wine, ShellExecuteW reads these commands (by default they
// start Wine's browser launcher). Registration is real, so whoever registers
// for a while keeps what it replaced and restores it.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace DevHost
{

// What the registration replaced, key by key.
struct ShellHandlerBackup
{
    struct Entry
    {
        std::wstring key;
        std::optional<std::wstring> previousValue;
        bool keyCreated = false;
    };
    std::vector<Entry> entries;
};

// Registers the browser at browserPath. backup (optional) receives what was
// replaced, also when a later step failed. 0 or the Win32 error.
DWORD RegisterBrowser(const std::wstring& browserPath, ShellHandlerBackup* backup = nullptr);

// Puts back what a registration replaced, in reverse order. 0 or the first Win32 error.
DWORD RestoreShellHandlers(const ShellHandlerBackup& backup);

} // namespace DevHost
