#pragma once

#include <windows.h>

#include <string>

namespace Ostrel
{

// Checks the Authenticode signature of an open file with WinVerifyTrust
// (generic verify v2, no revocation check, no network retrieval, no UI) and
// reads the organisation (O=) of the signer's certificate.
//
// 0 with the organisation (empty when the certificate names none) when the
// signature is valid. TRUST_E_NOSIGNATURE when the file has no signature or is
// of a kind that cannot carry one; otherwise the WinVerifyTrust status, or the
// Win32 error of reading the signer. The organisation is untouched on failure.
DWORD VerifySignature(const std::wstring& path, HANDLE file, std::wstring& organisation);

} // namespace Ostrel
