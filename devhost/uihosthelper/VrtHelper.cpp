#include "VrtHelper.h"

#include "DevelopmentSwitches.h"
#include "Journal.h"
#include "SuiteComInterfaces.h"

#include <array>
#include <new>
#include <vector>

namespace DevHost
{

namespace
{

constexpr wchar_t kComponent[] = L"UiHostHelper";

std::atomic<long> g_liveInstances{0};

struct Method
{
    const wchar_t* name;
    std::vector<VARTYPE> parameters;
};

// DISPID n is kMethods[n - 1].
const std::array<Method, 5> kMethods = {{
    {L"OpenApp", {VT_BSTR}},
    {L"OpenInternal", {VT_BSTR}},
    {L"OpenUrl", {VT_BSTR, VT_UI4, VT_UI4, VT_BSTR}},
    {L"OpenUrlInContainer", {VT_BSTR, VT_BSTR}},
    {L"OpenHelp", {VT_BSTR, VT_BSTR, VT_BOOL}},
}};

const Method* FindMethod(DISPID id)
{
    return id >= 1 && id <= static_cast<DISPID>(kMethods.size()) ? &kMethods[id - 1] : nullptr;
}

const wchar_t* TypeName(VARTYPE type)
{
    switch (type)
    {
        case VT_BSTR:
            return L"VT_BSTR";
        case VT_UI4:
            return L"VT_UI4";
        case VT_BOOL:
            return L"VT_BOOL";
        default:
            return L"VT_OTHER";
    }
}

JournalArgument ToJournalArgument(const VARIANT& value)
{
    JournalArgument argument{{}, TypeName(V_VT(&value)), {}};
    switch (V_VT(&value))
    {
        case VT_BSTR:
            if (V_BSTR(&value) != nullptr)
            {
                argument.value = std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
            }
            break;
        case VT_UI4:
            argument.value = static_cast<std::uint32_t>(V_UI4(&value));
            break;
        case VT_BOOL:
            argument.value = static_cast<std::uint32_t>(static_cast<USHORT>(V_BOOL(&value)));
            break;
        default:
            break;
    }
    return argument;
}

} // namespace

HRESULT VrtHelper::Create(REFIID iid, void** object)
{
    VrtHelper* helper = new (std::nothrow) VrtHelper();
    if (helper == nullptr)
    {
        return E_OUTOFMEMORY;
    }
    const HRESULT result = helper->QueryInterface(iid, object);
    helper->Release();
    return result;
}

long VrtHelper::LiveInstances()
{
    return g_liveInstances;
}

VrtHelper::VrtHelper()
{
    ++g_liveInstances;
}

VrtHelper::~VrtHelper()
{
    --g_liveInstances;
}

HRESULT STDMETHODCALLTYPE VrtHelper::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
    {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kQvVrtHelperInterface))
    {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE VrtHelper::AddRef()
{
    return ++references_;
}

ULONG STDMETHODCALLTYPE VrtHelper::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0)
    {
        delete this;
    }
    return remaining;
}

HRESULT STDMETHODCALLTYPE VrtHelper::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
    {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VrtHelper::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo)
{
    if (typeInfo != nullptr)
    {
        *typeInfo = nullptr;
    }
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE VrtHelper::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(iid, IID_NULL))
    {
        return DISP_E_UNKNOWNINTERFACE;
    }
    if (names == nullptr || ids == nullptr || count == 0)
    {
        return E_INVALIDARG;
    }
    for (UINT i = 0; i < count; ++i)
    {
        ids[i] = DISPID_UNKNOWN;
    }
    for (std::size_t index = 0; index < kMethods.size(); ++index)
    {
        if (names[0] != nullptr && CompareStringOrdinal(names[0], -1, kMethods[index].name, -1, TRUE) == CSTR_EQUAL)
        {
            ids[0] = static_cast<DISPID>(index + 1);
        }
    }
    // Names after the first would name parameters, and no parameter has a name.
    return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE VrtHelper::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                            VARIANT* result, EXCEPINFO*, UINT* argumentError)
{
    if (!IsEqualIID(iid, IID_NULL))
    {
        return DISP_E_UNKNOWNINTERFACE;
    }
    const Method* method = FindMethod(id);
    if (method == nullptr || (flags & DISPATCH_METHOD) == 0)
    {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (parameters == nullptr)
    {
        return E_INVALIDARG;
    }
    if (parameters->cNamedArgs != 0)
    {
        return DISP_E_NONAMEDARGS;
    }
    if (parameters->cArgs != method->parameters.size())
    {
        return DISP_E_BADPARAMCOUNT;
    }

    // The arguments arrive last-first.
    std::vector<JournalArgument> arguments;
    for (UINT position = 0; position < parameters->cArgs; ++position)
    {
        const UINT slot = parameters->cArgs - 1 - position;
        const VARIANT& value = parameters->rgvarg[slot];
        if (V_VT(&value) != method->parameters[position])
        {
            if (argumentError != nullptr)
            {
                *argumentError = slot;
            }
            return DISP_E_TYPEMISMATCH;
        }
        arguments.push_back(ToJournalArgument(value));
    }

    JournalCall(kComponent, method->name, std::move(arguments));
    if (result != nullptr)
    {
        VariantInit(result);
    }
    const auto failure = ReadDevelopmentSwitch(kComponent, method->name);
    return failure ? static_cast<HRESULT>(*failure) : S_OK;
}

} // namespace DevHost
