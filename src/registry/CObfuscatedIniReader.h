#pragma once

#include "registry/CBaseIniReader.h"
#include "registry/IniScrambler.h"

#include <string>
#include <unordered_map>

namespace Basekit
{

// The INI reader that writes values in scrambled form: key "_" + key, value
// the 74-character profile struct text of a scrambled value (IniScrambler.h).
// In strict mode, the default, lookups of one key see only values that were
// unscrambled successfully or written by this object; plain key=value lines
// are kept but read as missing there. GetSection copies every entry. A text that does not fit into a scrambled value
// (more than 25 bytes in UTF-8) is refused by SetString, not cut.
class CObfuscatedIniReader : public CBaseIniReader
{
public:
    CObfuscatedIniReader();
    ~CObfuscatedIniReader() override = default;

    bool Load(const std::wstring& path) override;
    // The leading decimal digits of the text (with an optional sign); 0 when
    // it has none.
    bool GetIntByFullKey(const std::wstring& fullKey, int& value) override;
    bool GetStringByFullKey(const std::wstring& fullKey, std::wstring& text) override;
    // Copies every entry of the section, plain or verified, in either mode.
    bool GetSection(const std::wstring& section, IniSectionValues& values) override;
    bool SetInt(const std::wstring& section, const std::wstring& key, int value) override;
    bool SetString(const std::wstring& section, const std::wstring& key, const std::wstring& text) override;
    // A key "_" + name whose value looks scrambled is set aside until the end
    // of Load and reported as not stored.
    bool AddEntry(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                  bool replace) override;

    void SetStrictMode(bool strict) { strict_ = strict; }

private:
    struct Entry
    {
        std::wstring value;
        bool verified;
        IniValueKind kind;
    };
    struct PendingEntry
    {
        std::wstring section;
        std::wstring key;
        std::wstring stored;
    };
    using Section = std::unordered_map<std::wstring, Entry>;

    const Entry* Find(const std::wstring& fullKey) const;
    bool WriteScrambled(const std::wstring& section, const std::wstring& key, ScrambledValue scrambled);
    void Store(const std::wstring& section, const std::wstring& key, Entry entry);
    void Clear();

    std::unordered_map<std::wstring, Section> sections_;
    // Scrambled entries met while parsing, by section "." key.
    std::unordered_map<std::wstring, PendingEntry> pending_;
    bool strict_ = true;
};

} // namespace Basekit
