#pragma once

#include <cstdint>
#include <string>

namespace ETWLogging
{

// The settings of the file log as the "Config" section of "log.ini" holds them.
struct FileLogSettings
{
    std::uint32_t enable;
    std::uint32_t maxSize;
    std::uint32_t maxEntries;
    std::uint32_t severity;
    std::uint32_t options;
};

inline constexpr std::uint32_t kFileLogMinSize = 0x40000;  // 262144 bytes
inline constexpr std::uint32_t kFileLogMaxSize = 0xA00000; // 10485760 bytes
inline constexpr std::uint32_t kFileLogMinEntries = 2;
inline constexpr std::uint32_t kFileLogMaxEntries = 100;

inline constexpr FileLogSettings kDefaultFileLogSettings{1, kFileLogMinSize, 3, 3, 16};

// Reads "Enable", "MaxSize", "MaxEntries", "Severity" and "Options" from the
// module's "log.ini", then from the machine-wide one for keys the module file
// lacks. Only scrambled entries count. A value out of range is replaced in its
// file by the key's default, after which the module file defers to the
// machine-wide one and the machine-wide one gives the default. When neither
// file exists, or a correction cannot be written, the current value stays.
FileLogSettings ReadFileLogSettings(const std::wstring& moduleSettingsPath, const std::wstring& globalSettingsPath,
                                    const FileLogSettings& current);

} // namespace ETWLogging
