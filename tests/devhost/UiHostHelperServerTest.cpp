#include "ComServerRegistration.h"
#include "DevelopmentSwitches.h"
#include "JournalFile.h"
#include "RegistrationLock.h"
#include "SuiteComInterfaces.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace
{

using DevHost::JournalArgument;
using DevHost::JournalValue;

constexpr LCID kLocale = 0x400;
constexpr DWORD kClassContext = 23;

// A VARIANT argument owned by the test.
class Argument
{
public:
    static Argument Text(const wchar_t* text)
    {
        Argument argument;
        V_VT(&argument.value_) = VT_BSTR;
        V_BSTR(&argument.value_) = text != nullptr ? SysAllocString(text) : nullptr;
        return argument;
    }
    static Argument Number(ULONG number)
    {
        Argument argument;
        V_VT(&argument.value_) = VT_UI4;
        V_UI4(&argument.value_) = number;
        return argument;
    }
    static Argument SignedNumber(LONG number)
    {
        Argument argument;
        V_VT(&argument.value_) = VT_I4;
        V_I4(&argument.value_) = number;
        return argument;
    }
    static Argument Flag(bool flag)
    {
        Argument argument;
        V_VT(&argument.value_) = VT_BOOL;
        V_BOOL(&argument.value_) = flag ? VARIANT_TRUE : VARIANT_FALSE;
        return argument;
    }

    Argument() { VariantInit(&value_); }
    // A null BSTR stays null in the copy.
    Argument(const Argument& other)
        : value_(other.value_)
    {
        if (V_VT(&value_) == VT_BSTR && V_BSTR(&value_) != nullptr)
        {
            V_BSTR(&value_) = SysAllocStringLen(V_BSTR(&other.value_), SysStringLen(V_BSTR(&other.value_)));
        }
    }
    Argument& operator=(const Argument&) = delete;
    ~Argument() { VariantClear(&value_); }

    const VARIANT& Value() const { return value_; }

private:
    VARIANT value_;
};

JournalArgument Bstr(const wchar_t* text)
{
    return {{}, L"VT_BSTR", text != nullptr ? JournalValue(std::wstring(text)) : JournalValue()};
}

JournalArgument Ui4(std::uint32_t number)
{
    return {{}, L"VT_UI4", number};
}

JournalArgument Bool(std::uint32_t raw)
{
    return {{}, L"VT_BOOL", raw};
}

// The UI host helper server registered for real in the prefix, driven from the
// multithreaded apartment as the module drives it.
class UiHostHelperServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lock_.Held());
        ASSERT_EQ(DevHost::RegisterUiHostHelper(ServerPath()), 0u);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }

    void TearDown() override
    {
        CoUninitialize();
        EXPECT_EQ(DevHost::UnregisterUiHostHelper(), 0u);
    }

    static std::wstring ServerPath() { return ScreenRelayTest::ProgramFolder() + L"UiHostHelper.dll"; }

    // A new helper through the class object asked for with factoryInterface.
    static IDispatch* CreateHelper(const IID& factoryInterface = DevHost::kSuiteClassObjectInterfaces[0])
    {
        DevHost::ISuiteClassObject* classObject = nullptr;
        EXPECT_EQ(CoGetClassObject(DevHost::kUiHostHelperClass, kClassContext, nullptr, factoryInterface,
                                   reinterpret_cast<void**>(&classObject)),
                  S_OK);
        if (classObject == nullptr)
        {
            return nullptr;
        }
        IUnknown* helper = nullptr;
        EXPECT_EQ(classObject->CreateInstance(DevHost::kQvVrtHelperInterface, reinterpret_cast<void**>(&helper)), S_OK);
        classObject->Release();
        if (helper == nullptr)
        {
            return nullptr;
        }
        IDispatch* dispatch = nullptr;
        EXPECT_EQ(helper->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
        helper->Release();
        return dispatch;
    }

    // Calls a method by name with its arguments in method order, as the module does.
    static HRESULT Call(IDispatch* helper, const wchar_t* method, const std::vector<Argument>& arguments,
                        UINT* argumentError = nullptr)
    {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(method);
        const HRESULT found = helper->GetIDsOfNames(IID_NULL, &name, 1, kLocale, &id);
        if (FAILED(found))
        {
            return found;
        }
        std::vector<VARIANT> lastFirst;
        for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        {
            lastFirst.push_back(argument->Value());
        }
        DISPPARAMS parameters{lastFirst.data(), nullptr, static_cast<UINT>(lastFirst.size()), 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT invoked =
            helper->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD, &parameters, &result, nullptr, argumentError);
        VariantClear(&result);
        return invoked;
    }

    DevHostTest::JournalFile journal_;

private:
    DevHost::RegistrationLock lock_;
};

TEST_F(UiHostHelperServerTest, EachMethodJournalsItsArgumentsInMethodOrder)
{
    const struct
    {
        const wchar_t* method;
        std::vector<Argument> arguments;
        std::vector<JournalArgument> journaled;
    } cases[] = {
        {L"OpenApp", {Argument::Text(L"app:scan")}, {Bstr(L"app:scan")}},
        {L"OpenInternal", {Argument::Text(L"P-17")}, {Bstr(L"P-17")}},
        {L"OpenUrl",
         {Argument::Text(L"http://127.0.0.1/x"), Argument::Number(2), Argument::Number(1), Argument::Text(nullptr)},
         {Bstr(L"http://127.0.0.1/x"), Ui4(2), Ui4(1), Bstr(nullptr)}},
        {L"OpenUrlInContainer",
         {Argument::Text(L"http://127.0.0.1/c"), Argument::Text(L"a=1")},
         {Bstr(L"http://127.0.0.1/c"), Bstr(L"a=1")}},
        {L"OpenHelp",
         {Argument::Text(L"app"), Argument::Text(L"topic"), Argument::Flag(true)},
         {Bstr(L"app"), Bstr(L"topic"), Bool(0xFFFF)}},
        {L"OpenHelp",
         {Argument::Text(L"app"), Argument::Text(nullptr), Argument::Flag(false)},
         {Bstr(L"app"), Bstr(nullptr), Bool(0)}},
    };
    IDispatch* helper = CreateHelper();
    ASSERT_NE(helper, nullptr);
    for (const auto& test : cases)
    {
        EXPECT_EQ(Call(helper, test.method, test.arguments), S_OK);
    }
    helper->Release();

    const auto entries = journal_.Entries();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].component, L"UiHostHelper");
        EXPECT_EQ(entries[i].call, cases[i].method);
        EXPECT_EQ(entries[i].arguments, cases[i].journaled);
        EXPECT_EQ(entries[i].processId, GetCurrentProcessId());
    }
}

TEST_F(UiHostHelperServerTest, CallsWithWrongArgumentsAreRefusedAndNotJournaled)
{
    const struct
    {
        const char* label;
        const wchar_t* method;
        std::vector<Argument> arguments;
        HRESULT expected;
        UINT argumentError;
    } cases[] = {
        {"signed destination",
         L"OpenUrl",
         {Argument::Text(L"u"), Argument::SignedNumber(2), Argument::Number(1), Argument::Text(nullptr)},
         DISP_E_TYPEMISMATCH,
         2},
        {"text online flag",
         L"OpenHelp",
         {Argument::Text(L"app"), Argument::Text(L"topic"), Argument::Text(L"true")},
         DISP_E_TYPEMISMATCH,
         0},
        {"number as page id", L"OpenInternal", {Argument::Number(17)}, DISP_E_TYPEMISMATCH, 0},
        {"one argument too many", L"OpenApp", {Argument::Text(L"a"), Argument::Text(L"b")}, DISP_E_BADPARAMCOUNT, 99},
        {"parameters missing", L"OpenUrlInContainer", {Argument::Text(L"u")}, DISP_E_BADPARAMCOUNT, 99},
        {"unknown method", L"OpenEverything", {}, DISP_E_UNKNOWNNAME, 99},
    };
    IDispatch* helper = CreateHelper();
    ASSERT_NE(helper, nullptr);
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.label);
        UINT argumentError = 99;
        EXPECT_EQ(Call(helper, test.method, test.arguments, &argumentError), test.expected);
        EXPECT_EQ(argumentError, test.argumentError);
    }
    helper->Release();
    EXPECT_TRUE(journal_.Entries().empty());
}

TEST_F(UiHostHelperServerTest, FailureSwitchMakesOnlyItsMethodFail)
{
    ScreenRelayTest::RegistryIsolation registry;
    ASSERT_TRUE(registry.Active());
    constexpr HRESULT kFailure = static_cast<HRESULT>(0x80070490);
    ASSERT_EQ(DevHost::WriteDevelopmentSwitch(L"UiHostHelper", L"OpenUrlInContainer", kFailure), 0u);

    IDispatch* helper = CreateHelper();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(Call(helper, L"OpenUrlInContainer", {Argument::Text(L"u"), Argument::Text(nullptr)}), kFailure);
    EXPECT_EQ(Call(helper, L"OpenApp", {Argument::Text(L"a")}), S_OK);
    helper->Release();
    EXPECT_EQ(journal_.Entries().size(), 2u);
}

TEST_F(UiHostHelperServerTest, ClassObjectAnswersBothFactoryInterfacesAndLiveInstancesCountHelpersUntilReleased)
{
    IDispatch* first = CreateHelper(DevHost::kSuiteClassObjectInterfaces[0]);
    ASSERT_NE(first, nullptr);
    const auto liveInstances = reinterpret_cast<LONG(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(ServerPath().c_str()), "LiveHelperInstances")));
    ASSERT_NE(liveInstances, nullptr);
    IDispatch* second = CreateHelper(DevHost::kSuiteClassObjectInterfaces[1]);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(liveInstances(), 2);
    for (IDispatch* helper : {first, second})
    {
        EXPECT_EQ(Call(helper, L"OpenInternal", {Argument::Text(L"page")}), S_OK);
    }
    EXPECT_EQ(journal_.Entries().size(), 2u);

    second->Release();
    EXPECT_EQ(liveInstances(), 1);
    first->Release();
    EXPECT_EQ(liveInstances(), 0);
}

} // namespace
