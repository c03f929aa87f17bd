#pragma once

#include <string>

namespace Ostrel
{

// Whether handing the file to the shell can run code that the file itself
// brings: it is a program, or of a type the shell executes or hands to a
// script host or installer (.bat, .cmd, .js, .lnk, .msi and the like), or its
// type cannot be told because its name has no plain extension (the shell then
// looks for a program of that name). A path holding ".exe" anywhere counts
// as a program. The shell's own verdict (AssocIsDangerous) is asked as well; our
// list stands on its own, since that verdict may be missing.
bool OpensAsProgram(const std::wstring& file);

} // namespace Ostrel
