#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace Basekit
{

// Names of the string fields of a version resource that the module reads.
inline constexpr wchar_t kVersionCompanyName[] = L"CompanyName";
inline constexpr wchar_t kVersionFileVersion[] = L"FileVersion";
inline constexpr wchar_t kVersionFileDescription[] = L"FileDescription";
inline constexpr wchar_t kVersionProductName[] = L"ProductName";
inline constexpr wchar_t kVersionProductVersion[] = L"ProductVersion";
inline constexpr wchar_t kVersionLegalCopyright[] = L"LegalCopyright";

// One entry of a version resource's translation list.
struct VersionTranslation
{
    WORD language;
    WORD codePage;
};

// The version resource of one file, loaded once. Failures are reported as
// false or an empty text; nothing is logged.
class FileVersionInfo
{
public:
    FileVersionInfo() = default;
    virtual ~FileVersionInfo() = default;
    FileVersionInfo(const FileVersionInfo&) = delete;
    FileVersionInfo& operator=(const FileVersionInfo&) = delete;

    // Reads the version resource of the file. False when this object already
    // holds one (which it keeps), when the file has none or the read fails.
    virtual bool Load(const std::wstring& path);
    // The string field of the first translation that has it, even when it is
    // empty there; empty when nothing is loaded or no translation has it.
    virtual std::wstring GetString(const std::wstring& name) const;

    // The translation list of the loaded resource, in its order; empty when
    // nothing is loaded or the resource has no list.
    std::vector<VersionTranslation> GetTranslations() const;
    // The string field of one translation; nothing when it is absent.
    std::optional<std::wstring> QueryString(const VersionTranslation& translation, const std::wstring& name) const;

private:
    std::vector<BYTE> data_;
    bool loaded_ = false;
};

} // namespace Basekit
