#include "messagebus/MessageBusFunctions.h"
#include "messagebus/MessageProperties.h"
#include "module/ModuleInterface.h"
#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>

namespace
{

using Ostrel::ModuleFunctionTable;

// Loads the DLL from the test program's folder, by full path, as the host does.
class ScreenRelayDllTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path_ = ScreenRelayTest::ProgramFolder() + L"ScreenRelay.dll";
        library_.reset(LoadLibraryExW(path_.c_str(), nullptr, 0));
        ASSERT_TRUE(library_) << "LoadLibraryExW failed with " << GetLastError();
        module_ = library_.get();
    }

    template <typename Function>
    Function Export(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    const ModuleFunctionTable* Table()
    {
        return Export<const ModuleFunctionTable* (*)(std::uint32_t)>("CreateObject")(2001000);
    }

    std::string Resource(const wchar_t* type, int id)
    {
        const HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        const void* data = found ? LockResource(LoadResource(module_, found)) : nullptr;
        return data == nullptr ? std::string()
                               : std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

    std::wstring path_;
    Ostrel::UniqueLibrary library_;
    HMODULE module_ = nullptr;
};

TEST_F(ScreenRelayDllTest, VersionExportsAndReleaseObject)
{
    auto getVersionNum = Export<std::uint32_t (*)()>("GetVersionNum");
    auto getVersionStr = Export<const char* (*)()>("GetVersionStr");
    auto releaseObject = Export<void (*)(void*)>("ReleaseObject");
    ASSERT_NE(getVersionNum, nullptr);
    ASSERT_NE(getVersionStr, nullptr);
    ASSERT_NE(releaseObject, nullptr);
    EXPECT_EQ(getVersionNum(), 2001000u);
    EXPECT_STREQ(getVersionStr(), "2.1.0");
    releaseObject(nullptr);
    int anything = 0;
    releaseObject(&anything);
}

TEST_F(ScreenRelayDllTest, CreateObjectReturnsOneStaticReadOnlyTable)
{
    auto createObject = Export<const ModuleFunctionTable* (*)(std::uint32_t)>("CreateObject");
    ASSERT_NE(createObject, nullptr);
    const ModuleFunctionTable* table = createObject(2001000);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(createObject(0), table);

    // The table is read-only data of the DLL.
    MEMORY_BASIC_INFORMATION memory{};
    ASSERT_NE(VirtualQuery(table, &memory, sizeof(memory)), 0u);
    EXPECT_EQ(memory.AllocationBase, module_);
    EXPECT_EQ(memory.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE), 0u);
}

// The host's side: counts unload requests and lets the test wait for one.
struct Host
{
    static Ostrel::ModuleStatus Unload(void* context, const wchar_t* moduleName, void*)
    {
        auto* host = static_cast<Host*>(context);
        host->unloadedName = moduleName;
        SetEvent(host->unloadRequested.get());
        return Ostrel::MODULE_STATUS_SUCCESS;
    }

    Ostrel::UniqueHandle unloadRequested{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::wstring unloadedName;
};

TEST_F(ScreenRelayDllTest, TheEntryPointsRefuseWhatTheyCannotUse)
{
    const ModuleFunctionTable* table = Table();
    const Ostrel::ModuleStatus invalid = Ostrel::MODULE_STATUS_INVALID_PARAMETER;
    EXPECT_EQ(table->NewModule(nullptr, L"ScreenRelay"), invalid);
    EXPECT_EQ(table->DestroyModule(nullptr), invalid);
    EXPECT_EQ(table->InitializeModule(nullptr, L"", L"", 0, nullptr, nullptr, nullptr, nullptr), invalid);
    EXPECT_EQ(table->StartModule(nullptr), invalid);
    EXPECT_EQ(table->StopModule(nullptr), invalid);
    EXPECT_EQ(table->UninitializeModule(nullptr), invalid);
    EXPECT_EQ(table->DirectMessage(nullptr, nullptr, L"", L"", L""), invalid);
    EXPECT_EQ(table->InitializeModuleV2(nullptr, L"", L"", 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              invalid);

    Ostrel::ModuleHandle handle = nullptr;
    ASSERT_EQ(table->NewModule(&handle, L"ScreenRelay"), Ostrel::MODULE_STATUS_SUCCESS);
    ASSERT_NE(handle, nullptr);
    Host host;
    EXPECT_EQ(table->DirectMessage(handle, nullptr, L"ZTS.UI.ShowScreen", L"", L"{}"),
              Ostrel::MODULE_STATUS_INVALID_STATE);
    EXPECT_EQ(table->InitializeModuleV2(handle, L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload, nullptr,
                                        nullptr),
              Ostrel::MODULE_STATUS_UNKNOWN_EXCEPTION);
    EXPECT_EQ(table->DestroyModule(handle), Ostrel::MODULE_STATUS_SUCCESS);
}

// The module over the development bus the host passes: a message published
// on the bus reaches the module's handler on a bus thread, which asks the host
// to unload the module.
TEST_F(ScreenRelayDllTest, APublishedRequestReachesTheModuleWhichAsksToBeUnloaded)
{
    Ostrel::UniqueLibrary bus(
        LoadLibraryExW((ScreenRelayTest::ProgramFolder() + L"MessageBus.dll").c_str(), nullptr, 0));
    ASSERT_TRUE(bus);
    using BusCreateObject = const Ostrel::MessageBusFunctions* (*)(std::uint32_t);
    auto busCreateObject =
        reinterpret_cast<BusCreateObject>(reinterpret_cast<void*>(GetProcAddress(bus.get(), "CreateObject")));
    ASSERT_NE(busCreateObject, nullptr);
    const Ostrel::MessageBusFunctions* functions = busCreateObject(Ostrel::kMessageBusInterfaceVersion);
    ASSERT_NE(functions, nullptr);
    void* hostBus = nullptr;
    void* publisherBus = nullptr;
    ASSERT_EQ(functions->createHandle(&hostBus), 0u);
    ASSERT_EQ(functions->createHandle(&publisherBus), 0u);

    const ModuleFunctionTable* table = Table();
    Ostrel::ModuleHandle handle = nullptr;
    ASSERT_EQ(table->NewModule(&handle, L"ScreenRelay"), Ostrel::MODULE_STATUS_SUCCESS);
    Host host;
    ASSERT_EQ(table->InitializeModuleV2(handle, L"ScreenRelay", L"", 0, nullptr, nullptr, &host, &Host::Unload, hostBus,
                                        const_cast<Ostrel::MessageBusFunctions*>(functions)),
              Ostrel::MODULE_STATUS_SUCCESS);
    ASSERT_EQ(table->StartModule(handle), Ostrel::MODULE_STATUS_SUCCESS);

    MessageProperties properties = Ostrel::MessagePropertiesTemplate();
    EXPECT_EQ(
        functions->publish(publisherBus, &properties, L"ZTS.UI.ShowScreen", L"Test", L"{\"name\":\"no.such_screen\"}"),
        0u);
    EXPECT_EQ(WaitForSingleObject(host.unloadRequested.get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(host.unloadedName, L"ScreenRelay");

    EXPECT_EQ(table->StopModule(handle), Ostrel::MODULE_STATUS_SUCCESS);
    EXPECT_EQ(table->UninitializeModule(handle), Ostrel::MODULE_STATUS_SUCCESS);
    EXPECT_EQ(table->DestroyModule(handle), Ostrel::MODULE_STATUS_SUCCESS);
    EXPECT_EQ(functions->releaseHandle(publisherBus), 0u);
    EXPECT_EQ(functions->releaseHandle(hostBus), 0u);
}

TEST_F(ScreenRelayDllTest, MappingDefinitionResourceIsTabIndentedCrLfAsciiWithFifteenDistinctScreens)
{
    const std::string text = Resource(L"JSON", 101);
    ASSERT_FALSE(text.empty());

    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        ASSERT_LT(c, 0x80) << "non-ASCII byte at " << i;
        ASSERT_TRUE(c != '\n' || (i > 0 && text[i - 1] == '\r')) << "bare line feed at " << i;
        ASSERT_TRUE(c != '\r' || text[i + 1] == '\n') << "bare carriage return at " << i;
        ASSERT_FALSE(c == ' ' && (i == 0 || text[i - 1] == '\n')) << "line indented with spaces at " << i;
    }

    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    ASSERT_FALSE(document.HasParseError());
    ASSERT_TRUE(document.IsObject() && document.HasMember("screens"));
    const auto& screens = document["screens"];
    ASSERT_TRUE(screens.IsArray());
    ASSERT_EQ(screens.Size(), 15u);

    // Lower-case words joined by underscores; names are area.screen.
    const auto isWordCharacter = [](char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    };
    const auto isIdentifier = [&](const std::string& s)
    {
        return !s.empty() && s.front() != '_' && s.back() != '_' && std::all_of(s.begin(), s.end(), isWordCharacter);
    };
    std::set<std::string> names;
    for (const auto& screen : screens.GetArray())
    {
        ASSERT_TRUE(screen.IsObject());
        ASSERT_EQ(screen.MemberCount(), 2u);
        ASSERT_TRUE(screen.HasMember("name") && screen["name"].IsString());
        ASSERT_TRUE(screen.HasMember("page_id") && screen["page_id"].IsString());
        const std::string name = screen["name"].GetString();
        const std::string pageId = screen["page_id"].GetString();
        const std::size_t dot = name.find('.');
        ASSERT_NE(dot, std::string::npos) << name;
        EXPECT_EQ(name.find('.', dot + 1), std::string::npos) << name;
        EXPECT_TRUE(isIdentifier(name.substr(0, dot)) && isIdentifier(name.substr(dot + 1))) << name;
        EXPECT_TRUE(isIdentifier(pageId)) << pageId;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
    }
}

TEST_F(ScreenRelayDllTest, VersionResourceNamesTheCompanyAndFileVersion)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, data.data()));

    auto field = [&](const wchar_t* name)
    {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(data.data(), query.c_str(), &value, &length) || length == 0)
        {
            return std::wstring();
        }
        return std::wstring(static_cast<const wchar_t*>(value));
    };
    EXPECT_EQ(field(L"CompanyName"), L"Norvane");
    EXPECT_EQ(field(L"FileVersion").rfind(L"2, 1, 0, ", 0), 0u) << "FileVersion: " << field(L"FileVersion").size();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 2);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), 0);
}

} // namespace
