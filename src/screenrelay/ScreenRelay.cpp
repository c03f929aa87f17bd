#include "screenrelay/ScreenRelay.h"

#include "logging/Log.h"
#include "screenrelay/ScreenRelayImpl.h"

#include <new>

LOG_SOURCE_FILE(L"ScreenRelay.cpp")

namespace Ostrel
{

namespace
{

constexpr int kMappingDefinitionResourceId = 101;

HINSTANCE g_libraryInstance = nullptr;

} // namespace

void SetLibraryInstance(HINSTANCE instance) noexcept
{
    g_libraryInstance = instance;
}

HINSTANCE LibraryInstance() noexcept
{
    return g_libraryInstance;
}

bool LoadMappingDefinition(std::wstring& text)
{
    constexpr const wchar_t* kFunction = L"Ostrel::LoadMappingDefinition";
    HRSRC resource = FindResourceW(g_libraryInstance, MAKEINTRESOURCEW(kMappingDefinitionResourceId), L"JSON");
    if (resource == nullptr)
    {
        LOG_ERROR(kFunction, L"Failed to find resource for mapping definition");
        return false;
    }
    const DWORD size = SizeofResource(g_libraryInstance, resource);
    if (size == 0)
    {
        LOG_ERROR(kFunction, L"Failed to get size of resource for mapping definition");
        return false;
    }
    HGLOBAL loaded = LoadResource(g_libraryInstance, resource);
    if (loaded == nullptr)
    {
        LOG_ERROR(kFunction, L"Failed to load resource for mapping definition");
        return false;
    }
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    if (bytes == nullptr)
    {
        LOG_ERROR(kFunction, L"Failed to get data for mapping definition");
        return false;
    }
    // The resource is UTF-8 without a terminator. Invalid sequences become
    // U+FFFD rather than failing the load.
    const int byteCount = static_cast<int>(size);
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes, byteCount, nullptr, 0);
    std::wstring decoded(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, byteCount, decoded.data(), length);
    text = std::move(decoded);
    return true;
}

ModuleStatus createModule(Module** module)
{
    constexpr const wchar_t* kFunction = L"Ostrel::createModule";
    if (module == nullptr)
    {
        return MODULE_STATUS_INVALID_PARAMETER;
    }
    std::wstring mappingDefinition;
    if (!LoadMappingDefinition(mappingDefinition))
    {
        LOG_ERROR(kFunction, L"Failed to load mapping definition");
        return MODULE_STATUS_UNSUCCESSFUL;
    }
    *module = new (std::nothrow) ScreenRelayImpl(std::move(mappingDefinition), nullptr, nullptr, nullptr);
    if (*module == nullptr)
    {
        return MODULE_STATUS_NO_MEMORY;
    }
    LOG_NORMAL(kFunction, L"Successfully created module");
    return MODULE_STATUS_SUCCESS;
}

void destroyModule(Module* module)
{
    delete module;
    LOG_NORMAL(L"Ostrel::destroyModule", L"Successfully destroyed module");
}

} // namespace Ostrel
