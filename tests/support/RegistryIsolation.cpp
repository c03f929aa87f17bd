#include "support/RegistryIsolation.h"

#include <rpc.h>

namespace ScreenRelayTest
{

namespace
{

// Scratch keys live under the real HKCU, opened before the redirection. They
// are ordinary (non-volatile) keys: a volatile parent would refuse the
// ordinary subkeys that tests create.
constexpr wchar_t kScratchRoot[] = L"Software\\ScreenRelayTests";

HKEY CreateScratchKey(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    {
        return nullptr;
    }
    return key;
}

std::wstring NewScratchPath()
{
    UUID uuid{};
    UuidCreate(&uuid);
    wchar_t text[64];
    swprintf(text, 64, L"%08lx-%04x-%04x-%02x%02x%02x%02x", uuid.Data1, uuid.Data2, uuid.Data3, uuid.Data4[0],
             uuid.Data4[1], uuid.Data4[2], uuid.Data4[3]);
    return std::wstring(kScratchRoot) + L"\\" + text;
}

} // namespace

RegistryIsolation::RegistryIsolation()
    : scratchPath_(NewScratchPath())
{
    HKEY scratch = CreateScratchKey(scratchPath_);
    if (scratch == nullptr)
    {
        return;
    }
    RegCloseKey(scratch);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (scratchPath_ + L"\\HKLM").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &machine_, nullptr) != ERROR_SUCCESS ||
        RegCreateKeyExW(HKEY_CURRENT_USER, (scratchPath_ + L"\\HKCU").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &user_, nullptr) != ERROR_SUCCESS)
    {
        return;
    }
    active_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CURRENT_USER, user_) == ERROR_SUCCESS;
}

RegistryIsolation::~RegistryIsolation()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (machine_ != nullptr)
    {
        RegCloseKey(machine_);
    }
    if (user_ != nullptr)
    {
        RegCloseKey(user_);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, scratchPath_.c_str());
}

} // namespace ScreenRelayTest
