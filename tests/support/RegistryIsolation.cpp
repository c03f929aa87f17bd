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

Ostrel::UniqueRegKey CreateScratchKey(const std::wstring& path)
{
    Ostrel::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
    {
        key.reset();
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
    if (!CreateScratchKey(scratchPath_))
    {
        return;
    }
    machine_ = CreateScratchKey(scratchPath_ + L"\\HKLM");
    user_ = CreateScratchKey(scratchPath_ + L"\\HKCU");
    if (!machine_ || !user_)
    {
        return;
    }
    active_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()) == ERROR_SUCCESS &&
              RegOverridePredefKey(HKEY_CURRENT_USER, user_.get()) == ERROR_SUCCESS;
}

RegistryIsolation::~RegistryIsolation()
{
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    machine_.reset();
    user_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, scratchPath_.c_str());
}

} // namespace ScreenRelayTest
