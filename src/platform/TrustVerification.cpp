#include "platform/TrustVerification.h"

#include "platform/TrustFile.h"
#include "platform/TrustList.h"
#include "platform/TrustSignature.h"
#include "platform/VerifiedFile.h"

namespace Ostrel
{

namespace
{

// The publisher whose signature is trusted without being listed.
constexpr wchar_t kBuiltInPublisher[] = L"Norvane";

// A drive path ("C:\...") or a UNC or device path ("\\server\...", "\\?\...").
// A relative name would be resolved differently by the check and by a later
// load (current folder against the loader's search order), so it is refused.
bool IsFullPath(const std::wstring& path)
{
    if (path.find(L'\0') != std::wstring::npos)
    {
        return false;
    }
    const auto isSeparator = [](wchar_t c)
    {
        return c == L'\\' || c == L'/';
    };
    const auto isDriveLetter = [](wchar_t c)
    {
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    };
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && isSeparator(path[2]))
    {
        return true;
    }
    return path.size() >= 3 && isSeparator(path[0]) && isSeparator(path[1]);
}

// Whether a valid signature names a listed publisher; the refusal otherwise.
DWORD CheckPublisher(const std::wstring& path, const TrustFile& file)
{
    std::wstring organisation;
    const DWORD signature = VerifySignature(path, file.Handle(), organisation);
    if (signature != ERROR_SUCCESS)
    {
        return signature;
    }
    if (CompareStringOrdinal(organisation.c_str(), -1, kBuiltInPublisher, -1, TRUE) == CSTR_EQUAL)
    {
        return ERROR_SUCCESS;
    }
    // An empty name would look up the key's default value.
    const TrustList publishers(kTrustedPublishersKey);
    if (!organisation.empty() && publishers.Contains(organisation))
    {
        return ERROR_SUCCESS;
    }
    return publishers.Status() == ERROR_ACCESS_DENIED ? ERROR_ACCESS_DENIED
                                                      : static_cast<DWORD>(TRUST_E_SUBJECT_NOT_TRUSTED);
}

} // namespace

DWORD DecideFileTrust(const std::wstring& path, TrustFile& file)
{
    if (!IsFullPath(path))
    {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD error = file.Open(path);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    // The digest is computed only when there is a list to look it up in.
    const TrustList files(kTrustedFilesKey);
    if (files.Status() == ERROR_SUCCESS)
    {
        std::wstring digest;
        error = file.Sha256(digest);
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
        if (files.Contains(digest))
        {
            return ERROR_SUCCESS;
        }
    }
    error = CheckPublisher(path, file);
    if (error == ERROR_SUCCESS)
    {
        return ERROR_SUCCESS;
    }
    // A file list that exists but cannot be relied on is the reason to report:
    // fixing it is what would let a listed file through.
    return files.Status() == ERROR_SUCCESS || files.Status() == ERROR_FILE_NOT_FOUND ? error : files.Status();
}

DWORD VerifyFileTrust(const std::wstring& fullPath)
{
    VerifiedFile file;
    return file.Open(fullPath);
}

} // namespace Ostrel
