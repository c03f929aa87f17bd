#include "screenrelay/LoggedLines.h"
#include "screenrelay/ModuleUnderTest.h"
#include "screenrelay/ScreenRelay.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

// The mapping definition resource and the module factory. This program
// carries a mapping definition of its own (resource JSON 101) whose screen
// name and page id are not ASCII.

namespace Ostrel
{
namespace
{

using namespace ::testing;
using ScreenRelayTest::LogCapture;
using ScreenRelayTest::LoggedLines;
using ScreenRelayTest::ModuleUnderTest;

TEST(MappingDefinitionTest, TheResourceIsDecodedFromUtf8SoNamesOutsideAsciiKeepTheirCharacters)
{
    std::wstring text = L"previous contents";
    ASSERT_TRUE(LoadMappingDefinition(text));
    EXPECT_EQ(text.find(L"previous"), std::wstring::npos);
    EXPECT_EQ(text.rfind(L"{\r\n\t\"screens\"", 0), 0u);
    EXPECT_NE(text.find(L"\"\u00e9cran.accueil\""), std::wstring::npos);

    ModuleUnderTest test(text);
    ASSERT_EQ(test.Module().initialize(), MODULE_STATUS_SUCCESS);
    std::wstring opened;
    EXPECT_CALL(test.UiHost(), openInternal(_))
        .WillOnce(
            [&](const wchar_t* pageId)
            {
                opened = pageId;
                return S_OK;
            });
    EXPECT_TRUE(test.Module().showScreenMessageHandler(L"{\"name\":\"\u00e9cran.accueil\"}"));
    EXPECT_EQ(opened, L"accueil_\u20ac");
}

TEST(MappingDefinitionTest, WithoutTheResourceNoModuleIsCreated)
{
    LogCapture log;
    SetLibraryInstance(GetModuleHandleW(L"kernel32.dll"));
    std::wstring text = L"kept";
    EXPECT_FALSE(LoadMappingDefinition(text));
    EXPECT_EQ(text, L"kept");

    Module* module = nullptr;
    EXPECT_EQ(createModule(&module), MODULE_STATUS_UNSUCCESSFUL);
    EXPECT_EQ(module, nullptr);
    SetLibraryInstance(nullptr);
    EXPECT_EQ(LoggedLines(log.Text()), (std::vector<std::wstring>{
                                           L"Error: Failed to find resource for mapping definition",
                                           L"Error: Failed to find resource for mapping definition",
                                           L"Error: Failed to load mapping definition",
                                       }));
}

TEST(MappingDefinitionTest, CreateModuleMakesAModuleOfTheResourceAndDestroyModuleDeletesIt)
{
    LogCapture log(ETWLogging::LOG_LEVEL_NORMAL);
    EXPECT_EQ(createModule(nullptr), MODULE_STATUS_INVALID_PARAMETER);

    Module* module = nullptr;
    ASSERT_EQ(createModule(&module), MODULE_STATUS_SUCCESS);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(dynamic_cast<ScreenRelayImpl*>(module), nullptr);
    destroyModule(module);
    destroyModule(nullptr);
    EXPECT_EQ(LoggedLines(log.Text()), (std::vector<std::wstring>{
                                           L"Normal: Successfully created module",
                                           L"Normal: Successfully destroyed module",
                                           L"Normal: Successfully destroyed module",
                                       }));
}

} // namespace
} // namespace Ostrel
