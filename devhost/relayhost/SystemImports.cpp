#include "SystemImports.h"

#include <windows.h>

namespace RelayHost
{

std::vector<Ostrel::UniqueLibrary> LoadSystemImports(const std::wstring& modulePath)
{
    std::vector<Ostrel::UniqueLibrary> libraries;
    // Mapped as an image, so that the import directory's addresses hold, but
    // neither initialised nor bound to its imports.
    const Ostrel::UniqueLibrary image(LoadLibraryExW(modulePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    if (!image)
    {
        return libraries;
    }
    const auto* base = reinterpret_cast<const BYTE*>(image.get());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
    {
        return libraries;
    }
    for (const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry)
    {
        const char* name = reinterpret_cast<const char*>(base + entry->Name);
        Ostrel::UniqueLibrary library(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (library)
        {
            libraries.push_back(std::move(library));
        }
    }
    return libraries;
}

} // namespace RelayHost
