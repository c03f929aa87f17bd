#include "LogIniSettings.h"

#include "registry/CObfuscatedIniReader.h"

#include <windows.h>
#include <shlobj.h>

namespace RelayHost
{

namespace
{

constexpr wchar_t kConfigSection[] = L"Config";
constexpr const wchar_t* kSettingNames[] = {L"Enable", L"MaxSize", L"MaxEntries", L"Severity", L"Options"};

bool IsSettingName(const std::wstring& name)
{
    for (const wchar_t* known : kSettingNames)
    {
        if (name == known)
        {
            return true;
        }
    }
    return false;
}

} // namespace

bool WriteLogIniSettings(const std::wstring& path, const std::vector<std::pair<std::wstring, int>>& settings,
                         std::wstring& error)
{
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    const int created = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS)
    {
        error = L"cannot create " + folder + L" (error " + std::to_wstring(created) + L")";
        return false;
    }
    Basekit::CObfuscatedIniReader ini;
    ini.Load(path);
    for (const auto& [name, value] : settings)
    {
        if (!IsSettingName(name))
        {
            error = L"not a file log setting: " + name;
            return false;
        }
        if (!ini.SetInt(kConfigSection, name, value))
        {
            error = L"cannot write " + name + L" to " + path;
            return false;
        }
    }
    return true;
}

} // namespace RelayHost
