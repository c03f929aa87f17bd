#include "registry/CObfuscatedIniReader.h"

#include <windows.h>

#include <cwchar>
#include <utility>

namespace Basekit
{

namespace
{

constexpr std::size_t kInitialBuckets = 17;
constexpr float kMaxLoadFactor = 0.75f;

// An empty hash map with the bucket count and growth limit every map of the
// reader starts with. Maps are only ever emptied as a whole, by replacing
// them with a new one, which gives the bucket count back.
template <typename Map>
Map NewHashMap()
{
    Map map;
    map.max_load_factor(kMaxLoadFactor);
    map.rehash(kInitialBuckets);
    return map;
}

} // namespace

CObfuscatedIniReader::CObfuscatedIniReader()
{
    Clear();
}

void CObfuscatedIniReader::Clear()
{
    sections_ = NewHashMap<decltype(sections_)>();
    pending_ = NewHashMap<decltype(pending_)>();
}

bool CObfuscatedIniReader::Load(const std::wstring& path)
{
    Clear();
    const bool loaded = CBaseIniReader::Load(path);
    for (const auto& pending : pending_)
    {
        const PendingEntry& entry = pending.second;
        if (const auto value = Unscramble(entry.stored))
        {
            Store(entry.section, entry.key, {value->text, true, value->kind});
        }
    }
    pending_ = NewHashMap<decltype(pending_)>();
    return loaded;
}

const CObfuscatedIniReader::Entry* CObfuscatedIniReader::Find(const std::wstring& fullKey) const
{
    const auto dot = fullKey.find(L'.');
    if (dot == std::wstring::npos)
    {
        return nullptr;
    }
    const auto section = sections_.find(fullKey.substr(0, dot));
    if (section == sections_.end())
    {
        return nullptr;
    }
    const auto entry = section->second.find(fullKey.substr(dot + 1));
    if (entry == section->second.end() || (strict_ && !entry->second.verified))
    {
        return nullptr;
    }
    return &entry->second;
}

bool CObfuscatedIniReader::GetIntByFullKey(const std::wstring& fullKey, int& value)
{
    std::wstring text;
    if (!GetStringByFullKey(fullKey, text))
    {
        return false;
    }
    value = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
    return true;
}

bool CObfuscatedIniReader::GetStringByFullKey(const std::wstring& fullKey, std::wstring& text)
{
    const Entry* entry = Find(fullKey);
    if (entry == nullptr)
    {
        return false;
    }
    text = entry->value;
    return true;
}

bool CObfuscatedIniReader::GetSection(const std::wstring& section, IniSectionValues& values)
{
    const auto found = sections_.find(section);
    if (found == sections_.end())
    {
        return false;
    }
    for (const auto& [key, entry] : found->second)
    {
        values.insert_or_assign(key, entry.value);
    }
    return true;
}

bool CObfuscatedIniReader::SetInt(const std::wstring& section, const std::wstring& key, int value)
{
    if (!WriteScrambled(section, key, ScrambleNumber(value)))
    {
        return false;
    }
    Store(section, key, {std::to_wstring(value), true, IniValueKind::Number});
    return true;
}

bool CObfuscatedIniReader::SetString(const std::wstring& section, const std::wstring& key, const std::wstring& text)
{
    const auto scrambled = ScrambleText(text);
    if (!scrambled || !WriteScrambled(section, key, *scrambled))
    {
        return false;
    }
    Store(section, key, {text, true, IniValueKind::Text});
    return true;
}

bool CObfuscatedIniReader::AddEntry(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                                    bool replace)
{
    const auto found = sections_.find(section);
    if (!replace && found != sections_.end() && found->second.contains(key))
    {
        return false;
    }
    if (key.starts_with(L'_') && LooksScrambled(value))
    {
        const std::wstring realKey = key.substr(1);
        pending_.try_emplace(section + L"." + realKey, PendingEntry{section, realKey, value});
        return false;
    }
    Store(section, key, {value, false, IniValueKind::Text});
    return true;
}

bool CObfuscatedIniReader::WriteScrambled(const std::wstring& section, const std::wstring& key,
                                          ScrambledValue scrambled)
{
    if (Path().empty())
    {
        return false;
    }
    const std::wstring storedKey = L"_" + key;
    return WritePrivateProfileStructW(section.c_str(), storedKey.c_str(), scrambled.data(),
                                      static_cast<UINT>(scrambled.size()), Path().c_str()) != FALSE;
}

void CObfuscatedIniReader::Store(const std::wstring& section, const std::wstring& key, Entry entry)
{
    auto& entries = sections_.try_emplace(section, NewHashMap<Section>()).first->second;
    entries.insert_or_assign(key, std::move(entry));
}

} // namespace Basekit
