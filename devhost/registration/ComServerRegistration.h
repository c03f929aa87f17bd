#pragma once

// Registration of the development COM servers in the registry, for real: COM
// reads class registrations from HKEY_CLASSES_ROOT only (under Wine that is
// HKEY_LOCAL_MACHINE\Software\Classes, and a predefined-key override is not
// honoured), so these write there. Writes through HKEY_CLASSES_ROOT are not
// redirected by an override of HKEY_LOCAL_MACHINE either, so registering
// works the same inside a test's registry isolation. Functions return 0 or the
// Win32 error.

#include <windows.h>

#include <string>

namespace DevHost
{

// The UI host helper class served in-process by UiHostHelper.dll at dllPath
// (InprocServer32, ThreadingModel Both).
DWORD RegisterUiHostHelper(const std::wstring& dllPath);
DWORD UnregisterUiHostHelper();

// The updater's class, whose server's folder is where the module looks for
// QvUpdate.exe: registered as the local server QvUpdate.exe at updaterPath
// (LocalServer32, the path in double quotes).
DWORD RegisterUpdater(const std::wstring& updaterPath);
DWORD UnregisterUpdater();

} // namespace DevHost
