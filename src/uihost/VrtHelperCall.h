#pragma once

// One call on the UI host's helper object, as every UI host operation makes
// it: the helper (class {DF659FF1-A244-4D36-9F84-75BB2D03EB2E}, interface
// IQvVrtHelper) is created with the trust check of its server, asked for
// IDispatch, and the method is looked up by name and invoked with its
// arguments in method order. Each call creates and releases its own helper.
// Nothing is logged here: the callers log in their own words.

#include <windows.h>

#include <initializer_list>
#include <variant>

namespace Ostrel
{

enum class VrtHelperStep
{
    Create,
    QueryDispatch,
    Invoke,
};

struct VrtHelperResult
{
    // The step the call ended at; Invoke once the helper was reached.
    VrtHelperStep step;
    // That step's HRESULT: the creation's, the QueryInterface's, else the
    // method lookup's when it failed, otherwise the method's own. 574 when
    // the arguments could not be built.
    HRESULT status;
};

// A method argument: text as a BSTR (a null text as a null BSTR), a number as
// VT_UI4, a flag as VT_BOOL (0xFFFF for true).
using VrtHelperArgument = std::variant<const wchar_t*, ULONG, bool>;

VrtHelperResult CallVrtHelper(const wchar_t* method, std::initializer_list<VrtHelperArgument> arguments);

// The help call: "OpenHelp" with the application id, the topic and whether
// the help is online.
VrtHelperResult OpenHelp(const wchar_t* applicationId, const wchar_t* topic, bool online);

} // namespace Ostrel
