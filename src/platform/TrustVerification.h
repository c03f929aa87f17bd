#pragma once

// Library trust verification: whether a file may be loaded, or a COM object
// served by it used. A file is trusted when either
//
// - it carries a valid Authenticode signature (checked without revocation and
//   without network retrieval) whose signer certificate names a listed
//   publisher as its organisation (O=). "Norvane" is always listed; more
//   publishers are the value names under HKEY_LOCAL_MACHINE
//   "SOFTWARE\Norvane\TrustedPublishers" (value data is ignored), or
// - its SHA-256 digest is listed under HKEY_LOCAL_MACHINE
//   "SOFTWARE\Norvane\TrustedFiles": one REG_SZ value per file, named by the
//   lower-case hexadecimal digest, whose data is the file's name for people.
//
// Both keys are read in the 64-bit view, and only when nobody but the system
// and administrators can change them or any key above them up to
// "SOFTWARE\Norvane" (see OpenAdministratorsOnlyKey); otherwise the key is not
// used. Names are compared as registry value names are, without regard to case.
//
// The file is opened once, refusing other writers and deleters, and both
// checks read it through that handle, so the verdict is about one content.
// The verdict holds only while that handle stays open: whoever uses the file
// holds a VerifiedFile (VerifiedFile.h) until the file is in use and has been
// confirmed to be the one decided on.
//
// Statuses (0 trusted, otherwise refused):
//   ERROR_INVALID_PARAMETER (87)      the path is not a full path (drive or UNC)
//   ERROR_FILE_NOT_FOUND (2) etc.     the file cannot be opened (any CreateFileW
//                                     error: 3 no folder, 5 a folder, 32 open for
//                                     writing elsewhere)
//   ERROR_ACCESS_DENIED (5)           a trust key is writable by non-administrators
//                                     and nothing else trusts the file
//   TRUST_E_NOSIGNATURE (0x800B0100)  not signed (or not a signable file) and its
//                                     digest is not listed, which includes a listed
//                                     file changed since
//   TRUST_E_SUBJECT_NOT_TRUSTED       validly signed by a publisher not listed
//   (0x800B0004)
//   other WinVerifyTrust statuses     the signature is invalid (bad digest,
//                                     untrusted root, expired certificate...)
//   other Win32 errors                reading the file or the registry failed
//
// Each refusal writes one log record at level 4 naming the path and the status.

#include <windows.h>

#include <string>

namespace Ostrel
{

class TrustFile;

// 0 when the file at fullPath is trusted at the moment of the call, otherwise
// the status of the refusal. The file is let go again: to use it, hold a
// VerifiedFile instead.
DWORD VerifyFileTrust(const std::wstring& fullPath);

// The decision itself: opens file from fullPath and decides through that
// handle, whatever the verdict leaving the file open for the caller to hold or
// drop. Nothing is logged.
DWORD DecideFileTrust(const std::wstring& fullPath, TrustFile& file);

// The SHA-256 digest of a file's content as 64 lower-case hexadecimal digits.
// 0 on success; otherwise the Win32 error (the digest is left untouched).
// Nothing is logged.
DWORD ComputeFileSha256(const std::wstring& path, std::wstring& lowerHexDigest);

// Lists the file's current content as trusted: writes its digest under
// "SOFTWARE\Norvane\TrustedFiles", creating the key. For the development
// installation's set-up and for tests. 0 or the Win32 error, which is logged.
DWORD ListTrustedFile(const std::wstring& path);

} // namespace Ostrel
