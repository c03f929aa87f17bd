#pragma once

#include "support/TestFiles.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace ScreenRelayTest
{

// Libraries built next to the test program for the loading tests.
inline constexpr wchar_t kFullTestLibrary[] = L"PlatformTestFull.dll"; // FileVersion "7.3.2.1"
inline constexpr wchar_t kNoReleaseTestLibrary[] = L"PlatformTestNoRelease.dll";
// Imports kDependencyTestLibrary, which is built into kDependencyTestFolder
// under the test program's folder.
inline constexpr wchar_t kDependentTestLibrary[] = L"PlatformTestDependent.dll";
inline constexpr wchar_t kDependencyTestLibrary[] = L"PlatformTestDependency.dll";
inline constexpr wchar_t kDependencyTestFolder[] = L"PlatformTestImports\\";

// Copies a test library (a name relative to the test program's folder) into
// folder (created when missing) under the given name and returns the copy's
// full path; empty on failure.
inline std::wstring CopyTestLibrary(const wchar_t* library, const std::wstring& folder, const std::wstring& name)
{
    const int created = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS)
    {
        return {};
    }
    const std::wstring path = folder + L"\\" + name;
    return CopyFileW((ProgramFolder() + library).c_str(), path.c_str(), FALSE) ? path : std::wstring();
}

} // namespace ScreenRelayTest
