#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace Ostrel
{

class DllAPI;

// Loads, binds and frees libraries through a DllAPI, logging each failure
// once. No exception leaves its operations.
class DllLoader
{
public:
    // An empty dllApi is replaced by the default one.
    explicit DllLoader(std::shared_ptr<DllAPI> dllApi = nullptr);
    virtual ~DllLoader() = default;
    DllLoader(const DllLoader&) = delete;
    DllLoader& operator=(const DllLoader&) = delete;

    // A library already in the process is taken with one more reference and
    // without being verified again; any other is verified and loaded. Each
    // success needs one freeDLL.
    virtual bool loadDLL(const std::wstring& path, HMODULE* module);
    // Null when the module does not export the name.
    virtual FARPROC getProcAddress(HMODULE module, const char* name);
    virtual bool freeDLL(HMODULE module);

private:
    std::shared_ptr<DllAPI> dllApi_;
};

} // namespace Ostrel
