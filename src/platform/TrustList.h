#pragma once

#include "registry/CRegKey.h"

#include <windows.h>

#include <string>

namespace Ostrel
{

// The machine's trust lists under HKEY_LOCAL_MACHINE (64-bit view): one value
// per entry, named by the entry. They lie beneath the suite's key, which must be
// as closely held as the lists themselves.
inline constexpr wchar_t kSuiteKey[] = L"SOFTWARE\\Norvane";
inline constexpr wchar_t kTrustedFilesKey[] = L"SOFTWARE\\Norvane\\TrustedFiles";
inline constexpr wchar_t kTrustedPublishersKey[] = L"SOFTWARE\\Norvane\\TrustedPublishers";

// One trust list, opened for reading and usable only when nobody but
// administrators can change it or any key above it up to the suite's key
// (OpenAdministratorsOnlyKey).
class TrustList
{
public:
    explicit TrustList(const wchar_t* subKey);

    // 0 when the list can be used; ERROR_FILE_NOT_FOUND when the key does not
    // exist; ERROR_ACCESS_DENIED when non-administrators can change it or a
    // key above it;
    // another Win32 error when it cannot be opened or its security read.
    DWORD Status() const { return status_; }
    // Whether a usable list has a value of this name (without regard to case).
    bool Contains(const std::wstring& name) const;

private:
    mutable Basekit::CRegKey key_;
    DWORD status_ = ERROR_FILE_NOT_FOUND;
};

} // namespace Ostrel
