#include "registry/FileVersionInfo.h"

#include <cwchar>
#include <utility>

namespace Basekit
{

bool FileVersionInfo::Load(const std::wstring& path)
{
    if (loaded_)
    {
        return false;
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
    {
        return false;
    }
    data_.resize(size);
    loaded_ = GetFileVersionInfoW(path.c_str(), 0, size, data_.data()) != FALSE;
    if (!loaded_)
    {
        data_.clear();
    }
    return loaded_;
}

std::wstring FileVersionInfo::GetString(const std::wstring& name) const
{
    for (const auto& translation : GetTranslations())
    {
        if (auto value = QueryString(translation, name))
        {
            return std::move(*value);
        }
    }
    return {};
}

std::vector<VersionTranslation> FileVersionInfo::GetTranslations() const
{
    if (!loaded_)
    {
        return {};
    }
    void* list = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &list, &bytes) || list == nullptr)
    {
        return {};
    }
    const auto* words = static_cast<const WORD*>(list);
    std::vector<VersionTranslation> translations;
    for (UINT i = 0; i < bytes / sizeof(DWORD); ++i)
    {
        translations.push_back({words[2 * i], words[2 * i + 1]});
    }
    return translations;
}

std::optional<std::wstring> FileVersionInfo::QueryString(const VersionTranslation& translation,
                                                         const std::wstring& name) const
{
    if (!loaded_)
    {
        return std::nullopt;
    }
    // The hexadecimal block name is formatted alone: %s in a wide format has
    // a different meaning in the C99 and the Microsoft formatters.
    wchar_t block[9];
    std::swprintf(block, 9, L"%04X%04X", translation.language, translation.codePage);
    const std::wstring subBlock = L"\\StringFileInfo\\" + std::wstring(block) + L"\\" + name;
    void* value = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(data_.data(), subBlock.c_str(), &value, &chars) || value == nullptr)
    {
        return std::nullopt;
    }
    const auto* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, wcsnlen(text, chars));
}

} // namespace Basekit
