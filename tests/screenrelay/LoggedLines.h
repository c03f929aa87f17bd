#pragma once

#include <string>
#include <vector>

namespace ScreenRelayTest
{

// The records of a file log text written with the default options, each as
// "<level>: <message>", in the order they were written.
inline std::vector<std::wstring> LoggedLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start < text.size())
    {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
        {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r')
        {
            line.pop_back();
        }
        const std::size_t levelStart = line.find(L" -- (");
        const std::size_t levelEnd = line.find(L")$ ", levelStart);
        if (levelStart != std::wstring::npos && levelEnd != std::wstring::npos)
        {
            lines.push_back(line.substr(levelStart + 5, levelEnd - levelStart - 5) + L": " + line.substr(levelEnd + 3));
        }
        start = end + 1;
    }
    return lines;
}

// The records written after the first `seen` ones.
inline std::vector<std::wstring> LoggedLinesAfter(const std::wstring& text, std::size_t seen)
{
    std::vector<std::wstring> lines = LoggedLines(text);
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(seen, lines.size())));
    return lines;
}

} // namespace ScreenRelayTest
