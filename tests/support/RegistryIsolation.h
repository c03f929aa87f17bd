#pragma once

#include "platform/UniqueHandles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace ScreenRelayTest
{

// Redirects HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER into fresh scratch keys
// for the object's lifetime, so that a test sees an empty registry under both
// roots and leaves nothing behind. Redirection covers the registry functions
// (W and A); KEY_WOW64_32KEY and COM are not redirected.
class RegistryIsolation
{
public:
    RegistryIsolation();
    ~RegistryIsolation();
    RegistryIsolation(const RegistryIsolation&) = delete;
    RegistryIsolation& operator=(const RegistryIsolation&) = delete;

    // Whether both redirections took effect.
    bool Active() const { return active_; }

private:
    std::wstring scratchPath_;
    Ostrel::UniqueRegKey machine_;
    Ostrel::UniqueRegKey user_;
    bool active_ = false;
};

// A test fixture with an isolated registry; the test fails at once when the
// redirection did not work.
class RegistryIsolatedTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(registry_.Active()) << "registry redirection failed"; }

private:
    RegistryIsolation registry_;
};

} // namespace ScreenRelayTest
