#pragma once

#include <string>

namespace RelayHost
{

// Writes one line of text to standard output as UTF-8.
void PrintLine(const std::wstring& text);

// Text from UTF-8, and UTF-8 from text.
std::wstring FromUtf8(const std::string& text);
std::string ToUtf8(const std::wstring& text);

} // namespace RelayHost
