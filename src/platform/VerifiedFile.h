#pragma once

#include "platform/TrustFile.h"

#include <windows.h>

#include <string>

namespace Ostrel
{

// A file that passed the library trust verification, held open so that the
// verdict stays true while the file is used: the handle shares reading only,
// so nobody can write, replace, rename or delete the file until this object
// goes away. Whoever loads, starts or hands the file to COM holds one of these
// across that step and then confirms that what got used is this very file
// (ConfirmModule, ConfirmSameFile).
class VerifiedFile
{
public:
    VerifiedFile() = default;

    // Opens the file at fullPath and decides on that open handle whether it is
    // trusted (statuses of VerifyFileTrust; a refusal is logged). On 0 the file
    // is held; on a refusal nothing is held. An object opens one file only
    // (ERROR_ALREADY_INITIALIZED for a second).
    DWORD Open(const std::wstring& fullPath);

    bool IsHeld() const { return file_.Handle() != INVALID_HANDLE_VALUE; }
    const std::wstring& Path() const { return path_; }
    HANDLE Handle() const { return file_.Handle(); }

    // Whether the file now at path is the held file: the same volume serial
    // number and file index, whatever the name. 0 when it is;
    // TRUST_E_NOSIGNATURE when it is another file (nothing vouches for it);
    // the Win32 error when either cannot be read.
    DWORD ConfirmSameFile(const std::wstring& path) const;
    // ConfirmSameFile for the file a loaded module was mapped from; anything
    // but 0 is logged.
    DWORD ConfirmModule(HMODULE module) const;

private:
    TrustFile file_;
    std::wstring path_;
};

} // namespace Ostrel
