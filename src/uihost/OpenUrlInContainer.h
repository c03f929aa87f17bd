#pragma once

// The UI host operations that show a page: each is one call on the UI host's
// helper (VrtHelperCall.h) and returns its HRESULT, or 87 when the first
// argument is null.

#include <windows.h>

namespace Ostrel
{

// Shows the UI host's internal page with this id.
HRESULT OpenInternal(const wchar_t* pageId);

// Opens the URL in the UI host at the destination, with the web overlay
// option; parameters may be null.
HRESULT OpenUrl(const wchar_t* url, DWORD destination, DWORD overlayOption, const wchar_t* parameters);

// Opens the URL in the UI host's container window; parameters may be null.
HRESULT OpenUrlInContainer(const wchar_t* url, const wchar_t* parameters);

} // namespace Ostrel
