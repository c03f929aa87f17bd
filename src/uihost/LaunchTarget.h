#pragma once

// How the shell launcher turns a target (a URL, a file: URL, a path, a path
// followed by arguments) into the program to start and its command line.

#include <windows.h>

#include <cstddef>
#include <string>

namespace Ostrel
{

inline constexpr std::size_t kLaunchExecutableChars = 500;
inline constexpr std::size_t kLaunchArgumentsChars = 2084;

struct LaunchCommand
{
    // The program to start, shorter than kLaunchExecutableChars.
    std::wstring executable;
    // Its command line: the target's own argument text as one argument,
    // shorter than kLaunchArgumentsChars.
    std::wstring arguments;
    // The file the target names, which runs (a program) or is opened by the
    // executable (a document); empty when the target names no file (a link
    // for its scheme's program). Set as far as it was found, also when the
    // resolution fails.
    std::wstring namedFile;
};

// Resolves the target; returns a Win32 status:
// - a scheme other than "file" with ".exe" in the target (case-sensitive):
//   the program is the target up to and including ".exe", the arguments what
//   follows the one character after it;
// - any other scheme: the scheme's program, with the whole target as argument;
// - "file" with ".exe" (any case): that program, without arguments;
// - "file" otherwise: the extension's program, with a file: URL of the path for
//   pages (".html" and types opened by the same program), else the path, each
//   followed by the target's extra information.
// Statuses: 87 for an empty target, a file without extension or a type
// without program; 14 when the arguments would not fit; 206 when the program
// path would not fit; InternetCrackUrlW's error when the target does not
// parse.
DWORD ResolveLaunchTarget(const wchar_t* target, LaunchCommand& command);

// "file:///" followed by the path with spaces as "%20" and backslashes as "/",
// then extra. 87 for a missing argument; 14 when path and extra, with two more
// characters per space and eight for the prefix, reach outChars.
DWORD BuildFileUrl(const wchar_t* path, const wchar_t* extra, wchar_t* out, DWORD outChars);

} // namespace Ostrel
