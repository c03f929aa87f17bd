#include "platform/TrustFile.h"

#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"

#include <bcrypt.h>

#include <vector>

namespace Ostrel
{

namespace
{

constexpr DWORD kChunkBytes = 64 * 1024;
constexpr DWORD kSha256Bytes = 32;

// CNG reports NTSTATUS values; they travel on as HRESULTs of the NT facility.
DWORD FromNtStatus(NTSTATUS status)
{
    return static_cast<DWORD>(HRESULT_FROM_NT(status));
}

DWORD Rewind(HANDLE file)
{
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ? ERROR_SUCCESS : GetLastError();
}

// The SHA-256 digest of everything from the file's current position on.
DWORD DigestFrom(HANDLE file, std::wstring& lowerHexDigest)
{
    UniqueHashAlgorithm algorithm;
    NTSTATUS status = BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        return FromNtStatus(status);
    }
    UniqueHash hash;
    status = BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        return FromNtStatus(status);
    }
    std::vector<UCHAR> chunk(kChunkBytes);
    for (;;)
    {
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), kChunkBytes, &read, nullptr))
        {
            return GetLastError();
        }
        if (read == 0)
        {
            break;
        }
        status = BCryptHashData(hash.get(), chunk.data(), read, 0);
        if (!BCRYPT_SUCCESS(status))
        {
            return FromNtStatus(status);
        }
    }
    UCHAR digest[kSha256Bytes];
    status = BCryptFinishHash(hash.get(), digest, kSha256Bytes, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        return FromNtStatus(status);
    }
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    lowerHexDigest.clear();
    for (const UCHAR byte : digest)
    {
        lowerHexDigest.push_back(kDigits[byte >> 4]);
        lowerHexDigest.push_back(kDigits[byte & 0x0F]);
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD TrustFile::Open(const std::wstring& path)
{
    if (handle_)
    {
        return ERROR_ALREADY_INITIALIZED;
    }
    handle_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return handle_ ? ERROR_SUCCESS : GetLastError();
}

DWORD TrustFile::Sha256(std::wstring& lowerHexDigest) const
{
    DWORD error = Rewind(handle_.get());
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    std::wstring digest;
    error = DigestFrom(handle_.get(), digest);
    const DWORD rewound = Rewind(handle_.get());
    if (error == ERROR_SUCCESS)
    {
        error = rewound;
    }
    if (error == ERROR_SUCCESS)
    {
        lowerHexDigest = digest;
    }
    return error;
}

DWORD ComputeFileSha256(const std::wstring& path, std::wstring& lowerHexDigest)
{
    TrustFile file;
    const DWORD error = file.Open(path);
    return error != ERROR_SUCCESS ? error : file.Sha256(lowerHexDigest);
}

} // namespace Ostrel
