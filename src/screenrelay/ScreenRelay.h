#pragma once

#include "module/Module.h"

#include <windows.h>

#include <string>

namespace Ostrel
{

// The library's own instance, kept when the library is attached to a process;
// the mapping definition resource is found through it. Null (the default)
// means the process's program file.
void SetLibraryInstance(HINSTANCE instance) noexcept;
HINSTANCE LibraryInstance() noexcept;

// Loads the mapping definition from the library's resource "JSON" 101,
// decoded from UTF-8, into text (replacing what it held). False after a
// level-4 record naming the step that failed.
bool LoadMappingDefinition(std::wstring& text);

// Creates the module object with the mapping definition and default services.
// MODULE_STATUS_INVALID_PARAMETER for a null address, MODULE_STATUS_UNSUCCESSFUL
// when the mapping definition cannot be loaded, MODULE_STATUS_NO_MEMORY when
// the object cannot be allocated (the address then holds null).
ModuleStatus createModule(Module** module);

// Deletes the module object, if any.
void destroyModule(Module* module);

} // namespace Ostrel
