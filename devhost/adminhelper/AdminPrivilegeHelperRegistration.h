#pragma once

// The elevated registry helper, served by the process that registers it: its
// class object is registered for CLSCTX_LOCAL_SERVER with REGCLS_MULTIPLEUSE,
// so that CoGetClassObject(CLSCTX_LOCAL_SERVER) from any thread of the
// process's multithreaded apartment receives it directly. Register from a
// thread in the multithreaded apartment, and revoke before leaving it.

#include <windows.h>

namespace DevHost
{

// Registers the class object; cookie receives what RevokeAdminPrivilegeHelper takes.
HRESULT RegisterAdminPrivilegeHelper(DWORD* cookie);

HRESULT RevokeAdminPrivilegeHelper(DWORD cookie);

} // namespace DevHost
