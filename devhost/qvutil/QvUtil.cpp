// QvUtil.dll of the development installation: the suite's utility library,
// reduced to what the module calls. Each call is journaled.

#include "DevelopmentSwitches.h"
#include "Journal.h"
#include "platform/RuntimeReserveRelease.h"

#include <windows.h>

namespace
{

constexpr wchar_t kComponent[] = L"QvUtil";

BOOL ProcessIsAdministrator()
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sid);
    BOOL member = FALSE;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) ||
        !CheckTokenMembership(nullptr, sid, &member))
    {
        return FALSE;
    }
    return member;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    Ostrel::ReleaseRuntimeReserveOnUnload(reason, reserved);
    return TRUE;
}

// Non-zero when the process runs as an administrator; the development switch
// "QvIsNTAdmin" replaces the answer. The argument is not used.
extern "C" BOOL WINAPI QvIsNTAdmin(void* reserved)
{
    DevHost::JournalArgument argument{L"reserved", {}, {}};
    if (reserved != nullptr)
    {
        argument.value = L"non-null";
    }
    DevHost::JournalCall(kComponent, L"QvIsNTAdmin", {argument});
    const auto answer = DevHost::ReadDevelopmentSwitch(kComponent, L"QvIsNTAdmin");
    return answer ? static_cast<BOOL>(*answer) : ProcessIsAdministrator();
}
