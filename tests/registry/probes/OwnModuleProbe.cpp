// A DLL with its own version resource that reports what the registry library
// found out about the module it is linked into.
#include "registry/OwnModuleInfo.h"

extern "C" __declspec(dllexport) const Basekit::OwnModuleInfo* ProbeOwnModuleInfo()
{
    return &Basekit::GetOwnModuleInfo();
}
