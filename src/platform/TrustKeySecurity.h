#pragma once

#include <windows.h>

namespace Ostrel
{

// Whether only administrators (and the system) can change a registry key, so
// that what it lists can be relied on. The key needs READ_CONTROL.
//
// The check reads the key's owner and access list: it refuses a key without an
// access list, a key owned by one of the broad groups every ordinary account
// belongs to (Everyone, Users, Authenticated Users, Interactive, Guests,
// Anonymous), and a key whose access list allows such a group to set values,
// create subkeys, or change its access list or owner (directly or through
// GENERIC_WRITE / GENERIC_ALL). Entries that only pass on to subkeys do not
// apply to the key itself and are skipped; denying entries only take rights
// away and are skipped too.
//
// 0 when the key is sound, ERROR_ACCESS_DENIED when ordinary accounts can
// change it, another Win32 error when its security cannot be read.
DWORD CheckAdministratorsOnlyWrite(HKEY key);

// The same decision on a security descriptor that holds an owner and an
// access list.
DWORD CheckAdministratorsOnlyDescriptor(PSECURITY_DESCRIPTOR descriptor);

} // namespace Ostrel
