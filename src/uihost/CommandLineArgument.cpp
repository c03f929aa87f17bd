#include "uihost/CommandLineArgument.h"

namespace Ostrel
{

std::wstring QuoteCommandLineArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t character : argument)
    {
        if (character == L'\\')
        {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a double quote follows them.
        const std::size_t written = character == L'"' ? backslashes * 2 + 1 : backslashes;
        quoted.append(written, L'\\');
        quoted += character;
        backslashes = 0;
    }
    // Before the closing quote every backslash is doubled.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

} // namespace Ostrel
