#include "logging/FileLogSettings.h"

#include "registry/CObfuscatedIniReader.h"

#include <windows.h>

#include <climits>

namespace ETWLogging
{

namespace
{

constexpr wchar_t kSection[] = L"Config";

struct SettingKey
{
    const wchar_t* name;
    std::uint32_t FileLogSettings::*field;
    long long minimum;
    long long maximum;
};

// In the order they are read; the defaults are those of kDefaultFileLogSettings.
constexpr SettingKey kKeys[] = {
    {L"Enable", &FileLogSettings::enable, INT_MIN, INT_MAX},
    {L"MaxSize", &FileLogSettings::maxSize, kFileLogMinSize, kFileLogMaxSize},
    {L"MaxEntries", &FileLogSettings::maxEntries, kFileLogMinEntries, kFileLogMaxEntries},
    {L"Severity", &FileLogSettings::severity, 0, 6},
    {L"Options", &FileLogSettings::options, INT_MIN, INT_MAX},
};

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Accepted(const SettingKey& key, int value)
{
    return value >= key.minimum && value <= key.maximum;
}

} // namespace

FileLogSettings ReadFileLogSettings(const std::wstring& moduleSettingsPath, const std::wstring& globalSettingsPath,
                                    const FileLogSettings& current)
{
    FileLogSettings settings = current;
    if (!FileExists(moduleSettingsPath) && !FileExists(globalSettingsPath))
    {
        return settings;
    }
    Basekit::CObfuscatedIniReader moduleFile;
    Basekit::CObfuscatedIniReader globalFile;
    moduleFile.Load(moduleSettingsPath);
    globalFile.Load(globalSettingsPath);

    for (const SettingKey& key : kKeys)
    {
        const auto defaultValue = static_cast<int>(kDefaultFileLogSettings.*key.field);
        int value = 0;
        if (moduleFile.GetInt(kSection, key.name, value))
        {
            if (Accepted(key, value))
            {
                settings.*key.field = static_cast<std::uint32_t>(value);
                continue;
            }
            if (!moduleFile.SetInt(kSection, key.name, defaultValue))
            {
                continue;
            }
        }
        if (!globalFile.GetInt(kSection, key.name, value))
        {
            settings.*key.field = static_cast<std::uint32_t>(defaultValue);
        }
        else if (Accepted(key, value))
        {
            settings.*key.field = static_cast<std::uint32_t>(value);
        }
        else if (globalFile.SetInt(kSection, key.name, defaultValue))
        {
            settings.*key.field = static_cast<std::uint32_t>(defaultValue);
        }
    }
    return settings;
}

} // namespace ETWLogging
