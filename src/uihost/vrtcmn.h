#pragma once

#include <windows.h>

namespace Ostrel
{

// Turns a link into its final text: a "substlink:name" link is first replaced
// by the entry "name" of the settings override's "Links" key; then the
// suite's substitute values fill the placeholders and its query parameters are
// appended. On success *expanded holds text from the COM task allocator that
// the caller frees; on failure it is null. Returns a Win32 status: 87 for a
// missing argument or an external-link verb, the override lookup's own status
// when the name is not found, 8 when memory runs out, or the expansion's
// status (see LinkExpansion.h).
DWORD QvExpandKespUrl(const wchar_t* link, wchar_t** expanded);

// Opens an application of the suite in the UI host: one "OpenApp" call on
// the UI host's helper (VrtHelperCall.h). Its HRESULT, or 87 for a null
// application.
HRESULT OpenApp(const wchar_t* application);

// Opens a target through the shell and returns a Win32 status: 87 for a
// missing target; ShellExecuteW's value when it is 32 or less (8 when that
// value is 0, out of resources).
// - An http or https link goes to the suite's updater ("/link:<target>"),
//   unless this process is the updater (its command line names
//   "qvupdate.exe"), which opens it itself.
// - Otherwise the target is resolved (LaunchTarget.h) and its program started
//   with its command line; a target that does not resolve is handed to the
//   shell whole.
// Whatever the path, a target that would run a file it names (a program, or a
// file of a type that runs code: ExecutableFileTypes.h) is started only when
// that file passes the trust verification, and while it is held so; otherwise
// the result is 5 and nothing is started.
DWORD QvShellExecute(const wchar_t* target);

// Starts the suite's updater, "QvUpdate.exe" in the folder of the registered
// server of its class, with this command line, when the updater passes the
// trust verification; the utility library is bound meanwhile. 0 when started;
// the binding's status when it fails; 3 when the class has no server; 123
// when the server path has no folder; the trust verification's status; or
// ShellExecuteW's value when it is 32 or less (8 when that value is 0).
DWORD LaunchUpdaterWithArgs(const wchar_t* arguments);

} // namespace Ostrel
