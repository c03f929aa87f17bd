#pragma once

// Switches of a development installation that make a component answer
// differently, so that failure paths of the module can be exercised.
//
// Under HKEY_LOCAL_MACHINE "SOFTWARE\Norvane\VRT\DevHost\<component>", a
// REG_DWORD value named after a call replaces that call's outcome:
//
//   UiHostHelper          "OpenApp", "OpenInternal", "OpenUrl",
//                         "OpenUrlInContainer", "OpenHelp": the HRESULT the
//                         method returns (the call is still journaled)
//   QvUtil                "QvIsNTAdmin": the answer (0 = not an administrator)
//   AdminPrivilegeHelper  "SetRegistryValue": the HRESULT returned instead of
//                         writing
//   SettingsService       "PartnerInstallation": non-zero makes the settings
//                         service answer as a partner installation
//
// A missing value (or key) leaves the call as it is. Read at every call.

#include <windows.h>

#include <optional>

namespace DevHost
{

inline constexpr wchar_t kSwitchesKey[] = L"SOFTWARE\\Norvane\\VRT\\DevHost";

// The switch set for a call, or nullopt.
std::optional<DWORD> ReadDevelopmentSwitch(const wchar_t* component, const wchar_t* call);

// Sets the switch for a call, creating its key. 0 or the Win32 error.
DWORD WriteDevelopmentSwitch(const wchar_t* component, const wchar_t* call, DWORD value);

} // namespace DevHost
