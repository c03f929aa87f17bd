#include "platform/TrustFile.h"

#include "platform/TrustVerification.h"

#include <bcrypt.h>

#include <memory>
#include <vector>

namespace Ostrel
{

namespace
{

constexpr DWORD kChunkBytes = 64 * 1024;
constexpr DWORD kSha256Bytes = 32;

struct AlgorithmCloser
{
    void operator()(BCRYPT_ALG_HANDLE algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct HashDestroyer
{
    void operator()(BCRYPT_HASH_HANDLE hash) const { BCryptDestroyHash(hash); }
};
using UniqueAlgorithm = std::unique_ptr<void, AlgorithmCloser>;
using UniqueHash = std::unique_ptr<void, HashDestroyer>;

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
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    NTSTATUS status = BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        return FromNtStatus(status);
    }
    const UniqueAlgorithm algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    status = BCryptCreateHash(rawAlgorithm, &rawHash, nullptr, 0, nullptr, 0, 0);
    if (!BCRYPT_SUCCESS(status))
    {
        return FromNtStatus(status);
    }
    const UniqueHash hash(rawHash);
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
        status = BCryptHashData(rawHash, chunk.data(), read, 0);
        if (!BCRYPT_SUCCESS(status))
        {
            return FromNtStatus(status);
        }
    }
    UCHAR digest[kSha256Bytes];
    status = BCryptFinishHash(rawHash, digest, kSha256Bytes, 0);
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

TrustFile::~TrustFile()
{
    if (handle_ != INVALID_HANDLE_VALUE)
    {
        CloseHandle(handle_);
    }
}

DWORD TrustFile::Open(const std::wstring& path)
{
    if (handle_ != INVALID_HANDLE_VALUE)
    {
        return ERROR_ALREADY_INITIALIZED;
    }
    handle_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return handle_ != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : GetLastError();
}

DWORD TrustFile::Sha256(std::wstring& lowerHexDigest) const
{
    DWORD error = Rewind(handle_);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    std::wstring digest;
    error = DigestFrom(handle_, digest);
    const DWORD rewound = Rewind(handle_);
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
