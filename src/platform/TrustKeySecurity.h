#pragma once

#include "platform/UniqueHandles.h"

#include <windows.h>

namespace Ostrel
{

// Whether only the system and administrators can change a registry key, so
// that what it lists can be relied on.
//
// The decision is an allow-list. The key's owner must be SYSTEM, the
// Administrators group or TrustedInstaller, and every entry of its access list
// that grants a right to change the key (set values, create subkeys or links,
// delete, change the access list or the owner, or GENERIC_WRITE / GENERIC_ALL,
// which the registry maps onto those) must name one of the three. Entries
// that only pass on to subkeys count too: they decide who may change the keys
// created beneath it later. The one exception is CREATOR OWNER in such an
// entry, which Windows places on every key under SOFTWARE: it stands for
// whoever creates a subkey, and creating one already needs a change right here.
// Denying entries take rights away and are accepted; an entry of any other
// type (callback, object, compound or unknown) makes the key unusable, as does
// a missing owner or a missing access list (which grants everything to all).
//
// 0 when the key is sound, ERROR_ACCESS_DENIED when anyone else can change it,
// another Win32 error when its security cannot be read.
DWORD CheckAdministratorsOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor);

// The same decision on a key opened with READ_CONTROL.
DWORD CheckAdministratorsOnlyWrite(HKEY key);

// Opens root\path for reading (64-bit view) when that key and each key above
// it, up to and including root\anchor, can be changed by administrators only:
// whoever can change a parent can delete the key and create their own. Each
// key is opened beneath the handle of its checked parent. path must be anchor
// or lie beneath it (ERROR_INVALID_PARAMETER otherwise). Results as for
// CheckAdministratorsOnlyWrite; a key that cannot be opened gives the
// registry's error (ERROR_FILE_NOT_FOUND when it does not exist), whatever the
// security of the keys above it.
DWORD OpenAdministratorsOnlyKey(HKEY root, const wchar_t* anchor, const wchar_t* path, UniqueRegKey& key);

} // namespace Ostrel
