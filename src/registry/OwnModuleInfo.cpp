#include "registry/OwnModuleInfo.h"

#include "registry/FileVersionInfo.h"
#include "platform/OnceOnly.h"
#include "registry/ModuleFilePath.h"

#include <windows.h>

#include <cwchar>

namespace Basekit
{

namespace
{

Ostrel::OnceOnly ownModuleOnce;
OwnModuleInfo ownModule;

// The module whose image holds the given static variable.
HMODULE ModuleOf(const void* address)
{
    MEMORY_BASIC_INFORMATION memory{};
    if (VirtualQuery(address, &memory, sizeof(memory)) == 0)
    {
        return nullptr;
    }
    return static_cast<HMODULE>(memory.AllocationBase);
}

std::wstring FolderOf(const std::wstring& path)
{
    const auto backslash = path.find_last_of(L'\\');
    if (backslash == std::wstring::npos || backslash == 0)
    {
        return {};
    }
    return path.substr(0, backslash + 1);
}

// "2, 1, 0, 7" becomes "2.1.0.7"; any other text stays as it is.
std::wstring DottedVersion(const std::wstring& text)
{
    unsigned parts[4] = {};
    if (std::swscanf(text.c_str(), L"%u,%u,%u,%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4)
    {
        return text;
    }
    wchar_t dotted[48];
    std::swprintf(dotted, 48, L"%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
    return dotted;
}

std::wstring FileVersionOf(const std::wstring& path)
{
    FileVersionInfo info;
    if (path.empty() || !info.Load(path))
    {
        return {};
    }
    const auto translations = info.GetTranslations();
    if (translations.empty())
    {
        return {};
    }
    const std::wstring version = info.QueryString(translations.front(), kVersionFileVersion).value_or(L"");
    return version.empty() ? version : DottedVersion(version);
}

} // namespace

const OwnModuleInfo& GetOwnModuleInfo()
{
    ownModuleOnce.Run(
        []
        {
            if (HMODULE module = ModuleOf(&ownModuleOnce); module != nullptr)
            {
                GetModuleFilePath(module, ownModule.path);
            }
            ownModule.folder = FolderOf(ownModule.path);
            ownModule.version = FileVersionOf(ownModule.path);
        });
    return ownModule;
}

} // namespace Basekit
