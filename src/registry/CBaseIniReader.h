#pragma once

#include <map>
#include <string>

namespace Basekit
{

// Keys and values of one INI section, as GetSection hands them out.
using IniSectionValues = std::map<std::wstring, std::wstring>;

// Reads an INI file into memory once and answers lookups from memory; writes
// single values back to the file with the Windows profile functions. How
// entries are stored and looked up belongs to the derived class. Every
// operation reports failure as false, leaves its out-parameter untouched then
// and logs nothing. Not safe for concurrent use.
class CBaseIniReader
{
public:
    CBaseIniReader() = default;
    virtual ~CBaseIniReader() = default;
    CBaseIniReader(const CBaseIniReader&) = delete;
    CBaseIniReader& operator=(const CBaseIniReader&) = delete;

    // Parses the file line by line. False for an empty path and for a file
    // that cannot be read; a missing file keeps its path, so that a later
    // write creates it, any other failure forgets it.
    virtual bool Load(const std::wstring& path);
    virtual bool GetInt(const std::wstring& section, const std::wstring& key, int& value);
    virtual bool GetString(const std::wstring& section, const std::wstring& key, std::wstring& text);
    // fullKey is the section, "." and the key.
    virtual bool GetIntByFullKey(const std::wstring& fullKey, int& value) = 0;
    virtual bool GetStringByFullKey(const std::wstring& fullKey, std::wstring& text) = 0;
    // Adds the section's keys and values to the caller's map; false when
    // there is no such section.
    virtual bool GetSection(const std::wstring& section, IniSectionValues& values) = 0;
    // Writes to the file first; memory changes only when the write succeeded.
    virtual bool SetInt(const std::wstring& section, const std::wstring& key, int value);
    virtual bool SetString(const std::wstring& section, const std::wstring& key, const std::wstring& text);
    // Stores one entry; an existing key is replaced only when asked to.
    virtual bool AddEntry(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                          bool replace) = 0;
    // Handles one line of the file (narrow text in the thread's code page).
    virtual bool ParseLine(const std::string& line);

    // Number of named sections seen by the last Load.
    unsigned GetSectionCount() const { return sectionCount_; }

protected:
    // Full path of the file; empty when there is none to write to.
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    std::wstring currentSection_;
    unsigned sectionCount_ = 0;
};

} // namespace Basekit
