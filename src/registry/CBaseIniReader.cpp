#include "registry/CBaseIniReader.h"

#include "platform/UniqueHandles.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>

namespace Basekit
{

namespace
{

// A read gives at most this many bytes of a line.
constexpr int kLineBufferBytes = 1024;
constexpr wchar_t kWhitespace[] = L" \t\r\n\v\f";

std::wstring Trim(const std::wstring& text)
{
    const auto first = text.find_first_not_of(kWhitespace);
    if (first == std::wstring::npos)
    {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kWhitespace) - first + 1);
}

std::wstring Widen(const std::string& line)
{
    if (line.empty())
    {
        return {};
    }
    const int chars = MultiByteToWideChar(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    if (chars <= 0)
    {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(), chars);
    return wide;
}

// Relative paths are made full here: the profile functions would otherwise
// look for the file in the Windows folder rather than the current one.
std::wstring FullPath(const std::wstring& path)
{
    const DWORD chars = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (chars == 0)
    {
        return path;
    }
    std::wstring full(chars, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), chars, full.data(), nullptr);
    if (length == 0 || length >= chars)
    {
        return path;
    }
    full.resize(length);
    return full;
}

} // namespace

bool CBaseIniReader::Load(const std::wstring& path)
{
    if (path.empty())
    {
        return false;
    }
    path_ = FullPath(path);
    currentSection_.clear();
    sectionCount_ = 0;

    const Ostrel::UniqueCFile file(_wfopen(path_.c_str(), L"rt"));
    if (!file)
    {
        if (errno != ENOENT)
        {
            path_.clear();
        }
        return false;
    }
    char buffer[kLineBufferBytes];
    while (std::fgets(buffer, kLineBufferBytes, file.get()) != nullptr)
    {
        std::string line(buffer);
        // The rest of a line longer than one read is dropped rather than
        // taken for a line of its own.
        bool complete = line.ends_with('\n');
        ParseLine(line);
        while (!complete && std::fgets(buffer, kLineBufferBytes, file.get()) != nullptr)
        {
            complete = std::string(buffer).ends_with('\n');
        }
    }
    return true;
}

bool CBaseIniReader::GetInt(const std::wstring& section, const std::wstring& key, int& value)
{
    return GetIntByFullKey(section + L"." + key, value);
}

bool CBaseIniReader::GetString(const std::wstring& section, const std::wstring& key, std::wstring& text)
{
    return GetStringByFullKey(section + L"." + key, text);
}

bool CBaseIniReader::SetInt(const std::wstring& section, const std::wstring& key, int value)
{
    return SetString(section, key, std::to_wstring(value));
}

bool CBaseIniReader::SetString(const std::wstring& section, const std::wstring& key, const std::wstring& text)
{
    if (path_.empty() || !WritePrivateProfileStringW(section.c_str(), key.c_str(), text.c_str(), path_.c_str()))
    {
        return false;
    }
    return AddEntry(section, key, text, true);
}

bool CBaseIniReader::ParseLine(const std::string& line)
{
    const std::wstring text = Trim(Widen(line));
    if (text.empty() || text.front() == L';')
    {
        return false;
    }
    if (text.size() >= 2 && text.front() == L'[' && text.back() == L']')
    {
        const std::wstring section = Trim(text.substr(1, text.size() - 2));
        if (section.empty())
        {
            return false;
        }
        currentSection_ = section;
        ++sectionCount_;
        return true;
    }
    const auto equals = text.find(L'=');
    if (equals == std::wstring::npos)
    {
        return false;
    }
    return AddEntry(currentSection_, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)), false);
}

} // namespace Basekit
