#pragma once

#include "platform/UniqueHandles.h"

#include <windows.h>

#include <string>

namespace Ostrel
{

// The file under a trust check, opened once for reading while refusing other
// writers and deleters, so that its content cannot change while it is open.
class TrustFile
{
public:
    TrustFile() = default;

    // 0 or the CreateFileW error. An object opens one file only.
    DWORD Open(const std::wstring& path);
    HANDLE Handle() const { return handle_.get(); }
    // The SHA-256 digest of the whole content as 64 lower-case hexadecimal
    // digits, read from the start with CNG. 0 or the Win32 error (the digest
    // is then untouched). Leaves the file position at the start.
    DWORD Sha256(std::wstring& lowerHexDigest) const;

private:
    UniqueFileHandle handle_;
};

} // namespace Ostrel
