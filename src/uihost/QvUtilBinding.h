#pragma once

// The binding to the suite's utility library, QvUtil.dll: found, checked by
// the library trust verification, loaded, and its functions looked up by
// name. One binding per use; the library is freed when the binding goes away.

#include "platform/CriticalSection.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <array>
#include <cstddef>

namespace Ostrel
{

class QvUtilBinding
{
public:
    static constexpr std::size_t kFunctionCount = 53;
    // The library's functions, in table order.
    static const std::array<const char*, kFunctionCount> kFunctionNames;
    static constexpr std::size_t kQvIsNTAdminIndex = 8;

    // Takes one pointer argument; non-zero for an administrator.
    using QvIsNTAdminFunction = BOOL(WINAPI*)(void* reserved);

    QvUtilBinding();
    ~QvUtilBinding();
    QvUtilBinding(const QvUtilBinding&) = delete;
    QvUtilBinding& operator=(const QvUtilBinding&) = delete;

    // Loads the library from the first of three places that holds a trusted
    // copy: the executable's folder, the remembered install folder, the
    // highest version folder under the common-files folder (remembered
    // then, when the process runs as an administrator). 0 with the table
    // filled (a missing export leaves its entry null), or 126 when no place
    // gave the library.
    DWORD Bind();

    // Loads "QvUtil.dll" from folder (null or empty: the executable's
    // folder). A library the process already has from that path is taken
    // with another reference; otherwise the file is held from the trust
    // decision until the loaded module is confirmed to be that file. 0; 2
    // when the file is missing; the trust verification's status when it is
    // refused; the loader's error; 574 when an exception got in the way.
    DWORD LoadFromFolder(const wchar_t* folder);

    HMODULE Module() const { return library_.get(); }
    // The table entry, null when unbound or not exported.
    FARPROC Function(std::size_t index) const;
    QvIsNTAdminFunction IsNTAdmin() const;

private:
    void FillTable();

    CriticalSection lock_;
    UniqueLibrary library_;
    std::array<FARPROC, kFunctionCount> functions_{};
};

} // namespace Ostrel
