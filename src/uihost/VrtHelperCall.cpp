#include "uihost/VrtHelperCall.h"

#include "platform/UniqueHandles.h"
#include "uihost/QvCreateInstance.h"

#include <oaidl.h>
#include <wrl/client.h>

#include <iterator>
#include <new>
#include <optional>
#include <vector>

namespace Ostrel
{

namespace
{

using Microsoft::WRL::ComPtr;

constexpr CLSID kVrtHelperClass = {0xDF659FF1, 0xA244, 0x4D36, {0x9F, 0x84, 0x75, 0xBB, 0x2D, 0x03, 0xEB, 0x2E}};
constexpr IID kQvVrtHelperInterface = {0x771D0F66, 0xDDC6, 0x4E59, {0x9D, 0x45, 0xDB, 0x8B, 0x03, 0x8F, 0xD7, 0xDB}};
// In-process server and handler, local and remote server.
constexpr DWORD kClassContext = 23;
constexpr LCID kLocale = 0x400;
// ERROR_UNHANDLED_EXCEPTION: the arguments could not be built.
constexpr HRESULT kArgumentsFailed = 574;

// The arguments as IDispatch takes them, last first. Owns the strings; throws
// std::bad_alloc when one cannot be allocated.
class DispatchArguments
{
public:
    explicit DispatchArguments(std::initializer_list<VrtHelperArgument> arguments)
    {
        values_.reserve(arguments.size());
        for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument)
        {
            VARIANT value;
            VariantInit(&value);
            std::visit([&](auto item) { Set(value, item); }, *argument);
            values_.push_back(value);
        }
    }

    DISPPARAMS Parameters() { return {values_.data(), nullptr, static_cast<UINT>(values_.size()), 0}; }

private:
    void Set(VARIANT& value, const wchar_t* text)
    {
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = nullptr;
        if (text != nullptr)
        {
            UniqueBstr copy(SysAllocString(text));
            if (!copy)
            {
                throw std::bad_alloc();
            }
            V_BSTR(&value) = copy.get();
            strings_.push_back(std::move(copy));
        }
    }
    static void Set(VARIANT& value, ULONG number)
    {
        V_VT(&value) = VT_UI4;
        V_UI4(&value) = number;
    }
    static void Set(VARIANT& value, bool flag)
    {
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }

    std::vector<UniqueBstr> strings_;
    std::vector<VARIANT> values_;
};

} // namespace

VrtHelperResult CallVrtHelper(const wchar_t* method, std::initializer_list<VrtHelperArgument> arguments)
{
    ComPtr<IUnknown> helper;
    HRESULT status = QvCreateInstance2(kVrtHelperClass, nullptr, kClassContext, kQvVrtHelperInterface,
                                       reinterpret_cast<void**>(helper.GetAddressOf()), true);
    if (FAILED(status))
    {
        return {VrtHelperStep::Create, status};
    }
    ComPtr<IDispatch> dispatch;
    status = helper->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
    if (FAILED(status))
    {
        return {VrtHelperStep::QueryDispatch, status};
    }
    std::optional<DispatchArguments> built;
    try
    {
        built.emplace(arguments);
    }
    catch (const std::bad_alloc&)
    {
        return {VrtHelperStep::Invoke, kArgumentsFailed};
    }
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(method);
    status = dispatch->GetIDsOfNames(IID_NULL, &name, 1, kLocale, &id);
    if (FAILED(status))
    {
        return {VrtHelperStep::Invoke, status};
    }
    DISPPARAMS parameters = built->Parameters();
    VARIANT result;
    VariantInit(&result);
    status = dispatch->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD, &parameters, &result, nullptr, nullptr);
    VariantClear(&result);
    return {VrtHelperStep::Invoke, status};
}

VrtHelperResult OpenHelp(const wchar_t* applicationId, const wchar_t* topic, bool online)
{
    return CallVrtHelper(L"OpenHelp", {applicationId, topic, online});
}

} // namespace Ostrel
