#pragma once

#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"

#include <windows.h>

#include <string>

namespace ScreenRelayTest
{

// Redirects HKEY_CLASSES_ROOT, for the registry functions of this process
// (and so for the shell's association look-ups, but not for COM), into an
// empty key under HKEY_CURRENT_USER while the object lives. Use it inside the
// registry isolation, which removes that key afterwards.
class ClassesRootIsolation
{
public:
    ClassesRootIsolation()
    {
        active_ = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\TestClassesRoot", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, classes_.put(), nullptr) == ERROR_SUCCESS &&
                  RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.get()) == ERROR_SUCCESS;
    }
    ~ClassesRootIsolation() { RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }
    ClassesRootIsolation(const ClassesRootIsolation&) = delete;
    ClassesRootIsolation& operator=(const ClassesRootIsolation&) = delete;

    bool Active() const { return active_; }

private:
    Ostrel::UniqueRegKey classes_;
    bool active_ = false;
};

// A test fixture with an isolated registry and HKEY_CLASSES_ROOT redirected
// into it.
class ClassesRootIsolatedTest : public RegistryIsolatedTest
{
protected:
    void SetUp() override
    {
        RegistryIsolatedTest::SetUp();
        ASSERT_TRUE(classes_.Active());
    }

private:
    ClassesRootIsolation classes_;
};

// Sets the default value of HKEY_CLASSES_ROOT\key.
inline LONG SetClassesDefault(const std::wstring& key, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace ScreenRelayTest
