#pragma once

#include <string>
#include <utility>
#include <vector>

namespace RelayHost
{

// Writes settings of the file log ("Enable", "MaxSize", "MaxEntries",
// "Severity", "Options") into the "Config" section of the "log.ini" at path,
// in the scrambled form the logger reads, creating its folder. Other entries
// of the file stay. False with a description in error when one cannot be
// written.
bool WriteLogIniSettings(const std::wstring& path, const std::vector<std::pair<std::wstring, int>>& settings,
                         std::wstring& error);

} // namespace RelayHost
