#include "SystemImports.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

namespace
{

bool Holds(const std::vector<Ostrel::UniqueLibrary>& libraries, const wchar_t* name)
{
    const HMODULE loaded = GetModuleHandleW(name);
    return loaded != nullptr &&
           std::any_of(libraries.begin(), libraries.end(),
                       [loaded](const Ostrel::UniqueLibrary& held) { return held.get() == loaded; });
}

// The host holds the module's system imports, read from its import table,
// and leaves the module itself unloaded: an image mapped without its imports
// that stayed loaded would be handed, uninitialised, to the host's own load.
TEST(SystemImportsTest, TheModulesSystemImportsAreHeldAndTheModuleIsNot)
{
    const std::wstring module = ScreenRelayTest::ProgramFolder() + L"ScreenRelay.dll";
    const std::vector<Ostrel::UniqueLibrary> held = RelayHost::LoadSystemImports(module);
    for (const wchar_t* name : {L"crypt32.dll", L"wintrust.dll", L"wininet.dll", L"kernel32.dll"})
    {
        EXPECT_TRUE(Holds(held, name)) << testing::PrintToString(std::wstring(name));
    }
    EXPECT_EQ(GetModuleHandleW(module.c_str()), nullptr);
    EXPECT_TRUE(RelayHost::LoadSystemImports(ScreenRelayTest::ProgramFolder() + L"NoSuchModule.dll").empty());
}

} // namespace
