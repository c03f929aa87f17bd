#pragma once

// Creation of the suite's COM objects through their class objects.
//
// The suite's class objects answer one of two class-object interface ids
// ({FD542581-722E-45BE-BED4-62A1BE46AF03}, then
// {6058502E-6069-43F4-B733-128649A20BD5}, asked in that order) and create an
// instance in their fourth slot: CreateInstance(interface id, out pointer).
// Both functions return an HRESULT and log nothing; the class object is always
// released before they return.

#include <windows.h>
#include <objbase.h>

namespace Ostrel
{

// Null object: E_POINTER, and COM is not called. Otherwise *object is cleared
// first. Without verify: a plain CoCreateInstance. With verify: the class
// object is obtained, the module that holds its code (the loaded module of
// the process that holds its first virtual function) must pass the library
// trust verification, and the module and its file stay held while the
// instance is created; a module that is not trusted, or cannot be found, gives
// E_ACCESSDENIED and no instance is asked for. outer is passed to
// CoCreateInstance only.
HRESULT QvCreateInstance2(REFCLSID classId, IUnknown* outer, DWORD classContext, REFIID iid, void** object,
                          bool verify);

// The class-object path of QvCreateInstance2 without the trust check. outer is
// not used.
HRESULT QvCreateInstanceNoAuth(REFCLSID classId, IUnknown* outer, DWORD classContext, REFIID iid, void** object);

} // namespace Ostrel
