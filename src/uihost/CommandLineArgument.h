#pragma once

#include <string>

namespace Ostrel
{

// The text that a program's command-line parser (CommandLineToArgvW and the C
// runtime's) reads back as exactly this one argument: unchanged when it holds
// no blank and no double quote, otherwise enclosed in double quotes with
// quotes and the backslashes before them escaped. Values from a link go onto a
// command line only through this, so that they cannot add arguments.
std::wstring QuoteCommandLineArgument(const std::wstring& argument);

} // namespace Ostrel
